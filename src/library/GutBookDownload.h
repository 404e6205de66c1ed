#pragma once

#include "library/GutCatalogueDownload.h"

#include <QObject>
#include <QString>
#include <QStringList>

struct GutBookInfo;

// A book on its way: where it comes from, where it lands and what it will be called.
struct GutBookRequest
{
    GutTransferRequest transfer; // the URL and bookFolder + fileName
    QString fileName; // the download's own name, the wildcard resolved
    QString bookFolder; // with a trailing separator
    QString title; // the book's display text, for the save name
    QString saveName; // "<title> - <file root>.txt" (".htm"/".html" kept for HTML books)
    bool readAfter = false;
};

// What the buttons ask of the window before anything is fetched.
struct GutBookPrepared
{
    QString message; // not empty: show it and fetch nothing
    QString downloadPath; // what txtDownloadPath shows from now on
    GutBookRequest request;
};

// What the window does once the book's transfer has ended.
struct GutBookOutcome
{
    bool unpacked = false;
    QString bookFile; // the book under its save name; empty when none came
    QString fileToLoad; // set for Download and Read: store the settings and hide the window
    QString status; // for the status line (empty: leave it)
    QString message; // not empty: show it in a message box
};

// The book download around the transfer: the checks of Download Book and Download
// and Read, StartBookDownload's names and folders, and DownloadCompleted's
// unpacking, renaming and checks. The window runs the transfer itself.
class GutBookDownload : public QObject
{
    Q_OBJECT
public:
    explicit GutBookDownload(QString programFolder, QObject *parent = nullptr);

    // cmdDownload_Click / cmdDownloadAndRead_Click and StartBookDownload: the book
    // shown (its "-" URL means none yet), the book folder field, and GutFiles.txt's
    // text for a "?" in the file name.
    GutBookPrepared Prepare(const GutBookInfo &shown, const QString &downloadPathText,
                            bool readAfter, const QString &gutFilesText = {}) const;

    // DownloadCompleted for the book stage.
    GutBookOutcome DownloadCompleted(const GutBookRequest &request, bool transferFailed);

    struct Unpacked
    {
        bool unpacked = false;
        // The file a reader wants from the archive: the book's text, else its HTML.
        QString bookFile;
    };
    // Unpacks a ".zip" into folder (with its folders, replacing what is there); any
    // other file needs no unpacking and is its own book file.
    Unpacked UnzipBook(const QString &archive, const QString &folder);

    // "?" in a file name stands for one character; GutFiles.txt tells which. The URL
    // follows the new name. Nothing found: both stay as they are.
    static void ResolveWildcard(QString &fileName, QString &url, const QString &gutFilesText);
    // The readable name: the title through CleanString, " - ", the file's root and
    // extension, short enough for any Linux file system.
    static QString SaveName(const QString &title, const QString &fileName);
    // Of the files an archive gave, the one to read (index, or -1): text before HTML,
    // and within each the file named after the archive, else the largest.
    static int ChooseBookFile(const QStringList &files, const QList<qint64> &sizes,
                              const QString &archiveName);

signals:
    // For the status line; the window stays responsive while it shows.
    void Status(const QString &text);

private:
    QString m_folder;
};
