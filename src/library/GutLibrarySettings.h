#pragma once

#include <QString>

// The library window's three address and folder fields as the settings store keeps
// them. Reading takes the keys the window stores and falls back to the older
// "GutenCatalogURL2" and "GutenDownloadPath2", so an Orlin.ini that holds only
// those still works; storing writes the keys that reading takes first.
//
// Books never go into the program folder, where a book archive could replace the
// program's own files: the default book folder is "Books" beside a portable program, and
// "Orlin Books" in the user's documents folder for an installed one.
struct GutLibrarySettings
{
    QString bookPath; // txtDownloadPath ("BookPath")
    QString catalogURL; // txtCatalogURL ("GutenCatalogURL")
    QString downloadSource; // txtDLSource ("GutenDownloadPath")

    // The defaults: the default book folder with a trailing separator, and the Project
    // Gutenberg file-tree root for both addresses.
    static GutLibrarySettings Defaults(const QString &programFolder);
    // A stored book folder that is the program folder (the default of earlier versions)
    // gives way to the default.
    static GutLibrarySettings ReadSettings(const QString &programFolder);
    void StoreSettings() const;

    static QString DefaultBookFolder(const QString &programFolder);
    // Whether folder is the program folder or the folder of the program's executable,
    // however it is written (a trailing separator, a link, "..").
    static bool IsProgramFolder(const QString &folder, const QString &programFolder);
};
