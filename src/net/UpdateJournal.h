#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The record of a swap of program files, so that a swap cut short (a crash, a kill, a
// power cut) is put right by the next start of OrlinUpdater or Orlin: the folder ends up
// wholly old or wholly new, never mixed.
//
// Before moving anything the installer writes the plan (the staging folder, the backup
// folder, the folders it makes, every move) to ".OrlinUpdate.journal" in the program
// folder, then appends a line after each step ("aside N", "placed N") and "commit" once
// every new file is in place. Recovery without "commit" puts every old file back and
// removes every new one, deciding by what is on disk, not by the progress lines (a kill
// may fall between a rename and its line); with "commit" it only clears away the backup
// and staging folders. The journal is removed last.
namespace UpdateJournal {

QString FileName();

struct Move
{
    // Relative to the program folder, "/"-separated plain names.
    QString relative;
    // An old file was there, and is moved to the backup folder first.
    bool hadOld = false;
};

struct Plan
{
    // Plain names of folders in the program folder: the unpacked package (its files
    // under stagingRoot, a relative path inside it, empty for the folder itself) and
    // where old files are kept.
    QString staging;
    QString stagingRoot;
    QString backup;
    // Folders the swap makes, parents first, relative to the program folder.
    QStringList createdFolders;
    QList<Move> moves;
    bool committed = false;
};

// Writes the plan as a new journal (written beside, synced, renamed). Throws Failure.
void Begin(const QString &folder, const Plan &plan);
// Appends a progress line and syncs it. Throws Failure.
void Record(const QString &folder, const QString &line);
// Removes the journal: the swap is over, whichever way it went.
void Finish(const QString &folder);

// The journal's plan; nothing when there is none or it cannot be read safely (a path that
// is no plain path inside the folder, a plan cut short).
std::optional<Plan> Read(const QString &folder);
std::optional<Plan> Parse(const QByteArray &text);

enum class Recovery {
    Nothing, // no journal
    Completed, // the swap had been committed: the new files stay
    RolledBack, // every old file is back
    Incomplete, // some old file could not be put back: the backup folder is kept
    Busy, // another process holds the folder (an installer at work)
};

// Puts right a swap that a journal in folder records, and logs what it did. Takes the
// folder's lock for the time; Busy when another process holds it.
Recovery Recover(const QString &folder);
// The same for a caller that holds the lock already (the installer).
Recovery RecoverLocked(const QString &folder);

// An exclusive lock on the program folder while its files are swapped or recovered,
// released when the object goes (or the process dies).
class FolderLock
{
public:
    explicit FolderLock(const QString &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Told after each journal line is on disk ("aside 0", "placed 3", "commit") and just
// before the journal is removed ("finish") (see base/Seam.h): the crash tests' programs
// end themselves there. Empty: nothing.
struct StepSeam
{
    using Type = std::function<void(const QString &step)>;
};

} // namespace UpdateJournal
