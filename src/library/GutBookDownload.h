#pragma once

#include "library/GutCatalogueDownload.h"
#include "library/cSHAREDUnzip2.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class BackgroundJob;
struct GutBookInfo;

// A book on its way: where it comes from, where it lands and what it will be called.
struct GutBookRequest
{
    // The URL, and the hidden file in the book folder the download arrives in; the book
    // gets its own name only once it has been checked (and unpacked).
    GutTransferRequest transfer;
    QString fileName; // the download's own name, the wildcard resolved
    QString bookFolder; // with a trailing separator
    QString title; // the book's display text, for the save name
    QString saveName; // "<title> - <file root>.txt" (".htm"/".html" kept for HTML books)
    bool readAfter = false;
    bool archive = false; // a ".zip", to be unpacked
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
//
// Books go to the book folder, never to the program folder. A plain book replaces an
// older copy of its save name only once it has arrived whole and is no error page. An
// archive is unpacked on a worker thread into a folder of its own, never over existing
// files and never with execute bits: a text book is then taken out under its save name
// and the rest goes; an HTML book keeps its pictures in a fresh folder named after it.
class GutBookDownload : public QObject
{
    Q_OBJECT
public:
    explicit GutBookDownload(QString programFolder, QObject *parent = nullptr);
    ~GutBookDownload() override;

    // cmdDownload_Click / cmdDownloadAndRead_Click and StartBookDownload: the book
    // shown (its "-" URL means none yet), the book folder field (empty: the default
    // book folder, made when missing), and GutFiles.txt's text for a "?" in the file
    // name.
    GutBookPrepared Prepare(const GutBookInfo &shown, const QString &downloadPathText,
                            bool readAfter, const QString &gutFilesText = {}) const;

    // DownloadCompleted for the book stage. Completed follows, at once or, for an
    // archive, when it has been unpacked (not after Cancel).
    void DownloadCompleted(const GutBookRequest &request, bool transferFailed);
    void Cancel();
    bool isBusy() const;

    struct Unpacked
    {
        bool unpacked = false;
        // The file a reader wants from the archive: the book's text, else its HTML.
        QString bookFile;
        // The folder the archive was unpacked into, when it was kept.
        QString folder;
        cSHAREDUnzip2::Problem problem = cSHAREDUnzip2::Problem::None;
        cSHAREDUnzip2::Limits limits;
        qint64 neededBytes = 0;
        qint64 freeBytes = 0;
        QList<Failure> failures;
    };
    // Asked when an archive is encrypted: the password, or cancel.
    using PasswordFn = std::function<void(QString &password, bool &cancel)>;
    // Unpacks the request's archive (see the class) and removes it; runs on any thread,
    // and stops early when cancel is set.
    static Unpacked UnzipBook(const GutBookRequest &request,
                              const std::atomic<bool> *cancel = nullptr,
                              const PasswordFn &password = {},
                              const cSHAREDUnzip2::Limits &limits = {});

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

    // The most a book download may bring.
    static constexpr qint64 MaxBookBytes = 1024LL * 1024 * 1024;

    // Tests: the bounds archives are unpacked within.
    void setUnzipLimits(const cSHAREDUnzip2::Limits &limits) { m_limits = limits; }

signals:
    // For the status line.
    void Status(const QString &text);
    // An encrypted archive needs its password: set it, or set cancel. Raised on this
    // object's thread while the unpacking waits.
    void PasswordRequest(QString &password, bool &cancel);
    void Completed(const GutBookOutcome &outcome);

private:
    GutBookOutcome unpackedOutcome(const GutBookRequest &request, const Unpacked &u) const;

    QString m_folder;
    std::unique_ptr<BackgroundJob> m_job;
    cSHAREDUnzip2::Limits m_limits;
};
