#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace UpdateJournal {
struct Plan;
}

// What OrlinUpdater does, in order: refuse a folder the system's package manager looks
// after; read updater.ini; wait (up to a limit) until the reader has ended; put right a
// swap an earlier run left unfinished; open the package once and, on that one open file,
// verify the maker's signature (and the SHA-256 when updater.ini gives one) and unpack it
// through the hardened zip wrapper into a staging folder; run the staged reader's
// "--version" and require the version the signature names; then move each new file into
// place with the old one kept aside, recording every step in a journal, and put every old
// file back if any step fails. The user's own files (settings, bookmarks, pronunciation
// list, logs) are never replaced. Everything it does goes to its log, updater.log in the
// same folder.
class UpdateInstaller
{
public:
    enum Outcome {
        Installed = 0,
        Failed = 1, // nothing changed: the package could not be used or a move failed
        StillRunning = 2, // the reader did not end in time: nothing touched, nothing started
        Refused = 3, // not signed by the maker, not the version announced, or no program
        NotHere = 4, // an installation the system looks after: nothing touched
    };

    // folder: where the reader, its files and the package are.
    explicit UpdateInstaller(QString folder, int waitSeconds = 60);

    Outcome Run(const QString &caption);
    // Starts the reader again (after every outcome but StillRunning and NotHere).
    bool RestartProgram();

    // Files a package never replaces where they exist: they are the user's.
    static bool isUserFile(const QString &relativePath, const QString &packageName);
    // The mode a file the installer puts in place gets: 0755 for a program (an ELF file or
    // a script), 0644 for the rest, less what the umask takes away.
    static unsigned installedMode(bool program, unsigned umask);

    // How long the staged reader may take to say its version.
    static constexpr int ProofSeconds = 20;

private:
    Outcome install(const QString &packageName, const QString &announced, const QString &sha256);
    bool waitForProgramToEnd();
    bool programRunning() const;
    bool unpack(const QString &zipPath, const QString &staging);
    QString stagedRoot(const QString &staging) const;
    std::optional<QStringList> stagedFiles(const QString &root);
    bool proveVersion(const QString &root, const QString &version);
    std::optional<UpdateJournal::Plan> plan(const QString &staging, const QString &root,
                                            const QString &backup, const QStringList &files,
                                            const QString &packageName);
    bool swapIn(const QString &root, const QString &backup, const UpdateJournal::Plan &plan);
    void finishPackage(const QString &packageName);
    void note(const QString &text);

    QString m_folder;
    int m_waitSeconds;
    int m_moved = 0;
};
