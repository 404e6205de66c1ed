#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What OrlinUpdater does, in order: read updater.ini, wait (up to a limit) until the
// reader has ended, check the package's SHA-256 when updater.ini gives one, unpack the
// package through the hardened zip wrapper into a staging folder, then move each new file
// into place with the old one kept aside, and put every old file back if any step fails.
// The user's own files (settings, bookmarks, pronunciation list, logs) are never
// replaced. Everything it does goes to its log, updater.log in the same folder.
class UpdateInstaller
{
public:
    enum Outcome {
        Installed = 0,
        Failed = 1, // nothing changed: the package could not be used or a move failed
        StillRunning = 2, // the reader did not end in time: nothing touched, nothing started
        Refused = 3, // the package did not match its checksum or holds no program
    };

    // folder: where the reader, its files and the package are.
    explicit UpdateInstaller(QString folder, int waitSeconds = 60);

    Outcome Run(const QString &caption);
    // Starts the reader again (after every outcome but StillRunning).
    bool RestartProgram();

    // Files a package never replaces where they exist: they are the user's.
    static bool isUserFile(const QString &relativePath, const QString &packageName);

private:
    struct Move
    {
        QString relative;
        // The old file went to the backup folder, the new one into place.
        bool hadOld = false;
        bool newInPlace = false;
    };

    bool waitForProgramToEnd();
    bool programRunning() const;
    bool unpack(const QString &package, const QString &staging);
    QString stagedRoot(const QString &staging) const;
    bool swapIn(const QString &root, const QString &backup, const QString &packageName);
    void rollBack(const QString &backup);
    bool prepareParent(const QString &relative);
    void finishPackage(const QString &package);
    void note(const QString &text);

    QString m_folder;
    int m_waitSeconds;
    QList<Move> m_moves;
    QStringList m_createdFolders;
};
