#pragma once

#include <QString>

// The library window's three address and folder fields as the settings store keeps
// them. Reading takes the keys the window stores and falls back to the older
// "GutenCatalogURL2" and "GutenDownloadPath2", so an Orlin.ini that holds only
// those still works; storing writes the keys that reading takes first.
struct GutLibrarySettings
{
    QString bookPath; // txtDownloadPath ("BookPath")
    QString catalogURL; // txtCatalogURL ("GutenCatalogURL")
    QString downloadSource; // txtDLSource ("GutenDownloadPath")

    // The defaults: the program folder with a trailing separator, and the Project
    // Gutenberg file-tree root for both addresses.
    static GutLibrarySettings Defaults(const QString &programFolder);
    static GutLibrarySettings ReadSettings(const QString &programFolder);
    void StoreSettings() const;
};
