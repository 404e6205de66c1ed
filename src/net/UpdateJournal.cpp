#include "net/UpdateJournal.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "base/cSharedLogging.h"
#include "net/UpdateHandOff.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kMagic("orlin-update-journal 1");
// A plan of a package's files: a few thousand lines at most.
constexpr qint64 kMaxJournalBytes = 4 * 1024 * 1024;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString journalPath(const QString &folder)
{
    return UpdateHandOff::PathIn(folder, UpdateJournal::FileName());
}

bool exists(const QString &path)
{
    struct stat st
    {
    };
    return ::lstat(native(path).constData(), &st) == 0;
}

void writeAll(int fd, const QByteArray &bytes, const QString &path)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throwErrno(errno, path, true);
        done += n;
    }
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void told(const QString &step)
{
    if (const auto &hook = Seam::current<UpdateJournal::StepSeam>())
        hook(step);
}

void note(const QString &text)
{
    Log().LogEvent(text, false);
}

// Relative paths in a journal name things inside the folder, like the package's names.
bool plainOrEmpty(const QString &relative)
{
    return relative.isEmpty() || UpdateHandOff::IsPlainRelativePath(relative);
}

} // namespace

namespace UpdateJournal {

QString FileName()
{
    return QStringLiteral(".OrlinUpdate.journal");
}

void Begin(const QString &folder, const Plan &plan)
{
    QByteArray text = kMagic + '\n';
    text += "staging " + plan.staging.toUtf8() + '\n';
    text += "root " + plan.stagingRoot.toUtf8() + '\n';
    text += "backup " + plan.backup.toUtf8() + '\n';
    for (const QString &created : plan.createdFolders)
        text += "folder " + created.toUtf8() + '\n';
    for (const Move &move : plan.moves)
        text += (move.hadOld ? "move 1 " : "move 0 ") + move.relative.toUtf8() + '\n';
    text += "end\n";

    const QString path = journalPath(folder);
    const QString partial = path + QStringLiteral(".new");
    const int fd = ::open(native(partial).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throwErrno(errno, partial, true);
    try {
        writeAll(fd, text, partial);
        if (::fsync(fd) != 0)
            throwErrno(errno, partial, true);
    } catch (...) {
        ::close(fd);
        ::unlink(native(partial).constData());
        throw;
    }
    ::close(fd);
    if (::rename(native(partial).constData(), native(path).constData()) != 0)
        throwErrno(errno, path, true);
    syncFolder(folder);
}

void Record(const QString &folder, const QString &line)
{
    const QString path = journalPath(folder);
    const int fd = ::open(native(path).constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throwErrno(errno, path, true);
    try {
        writeAll(fd, line.toUtf8() + '\n', path);
        if (::fsync(fd) != 0)
            throwErrno(errno, path, true);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    told(line);
}

void Finish(const QString &folder)
{
    told(QStringLiteral("finish"));
    ::unlink(native(journalPath(folder)).constData());
    syncFolder(folder);
}

std::optional<Plan> Parse(const QByteArray &text)
{
    if (text.size() > kMaxJournalBytes)
        return std::nullopt;
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first() != kMagic)
        return std::nullopt;
    Plan plan;
    bool ended = false;
    bool haveStaging = false;
    bool haveBackup = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype blank = line.indexOf(' ');
        const QByteArray word = blank < 0 ? line : line.left(blank);
        const QString rest = blank < 0 ? QString() : QString::fromUtf8(line.mid(blank + 1));
        if (!ended) {
            if (word == "staging" && UpdateHandOff::IsPlainName(rest)) {
                plan.staging = rest;
                haveStaging = true;
            } else if (word == "root" && plainOrEmpty(rest)) {
                plan.stagingRoot = rest;
            } else if (word == "backup" && UpdateHandOff::IsPlainName(rest)) {
                plan.backup = rest;
                haveBackup = true;
            } else if (word == "folder" && UpdateHandOff::IsPlainRelativePath(rest)) {
                plan.createdFolders.append(rest);
            } else if (word == "move"
                       && (rest.startsWith(QLatin1String("0 "))
                           || rest.startsWith(QLatin1String("1 ")))
                       && UpdateHandOff::IsPlainRelativePath(rest.mid(2))) {
                plan.moves.append({ rest.mid(2), rest.front() == QLatin1Char('1') });
            } else if (word == "end" && blank < 0) {
                ended = true;
            } else {
                return std::nullopt;
            }
        } else if (line == "commit") {
            plan.committed = true;
        }
        // Progress lines ("aside N", "placed N") and a line cut short by a crash are
        // only hints: recovery looks at the files themselves.
    }
    if (!ended || !haveStaging || !haveBackup || plan.staging == plan.backup)
        return std::nullopt;
    return plan;
}

std::optional<Plan> Read(const QString &folder)
{
    QFile file(journalPath(folder));
    if (file.size() > kMaxJournalBytes || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Parse(file.readAll());
}

Recovery Recover(const QString &folder)
{
    if (!exists(journalPath(folder)))
        return Recovery::Nothing;
    const FolderLock lock(folder);
    if (!lock.held())
        return Recovery::Busy;
    return RecoverLocked(folder);
}

Recovery RecoverLocked(const QString &folder)
{
    const QString journal = journalPath(folder);
    if (!exists(journal))
        return Recovery::Nothing;
    const std::optional<Plan> plan = Read(folder);
    if (!plan) {
        // Nothing in it can be trusted to name the files: it stays for a person to read.
        note(QStringLiteral("The update journal %1 cannot be read; nothing was changed")
                 .arg(journal));
        return Recovery::Incomplete;
    }
    const QString staging = UpdateHandOff::PathIn(folder, plan->staging);
    const QString root =
        plan->stagingRoot.isEmpty() ? staging : UpdateHandOff::PathIn(staging, plan->stagingRoot);
    const QString backup = UpdateHandOff::PathIn(folder, plan->backup);

    if (plan->committed) {
        QDir(backup).removeRecursively();
        QDir(staging).removeRecursively();
        Finish(folder);
        note(QStringLiteral("An interrupted update was completed: its %1 files are in place")
                 .arg(plan->moves.size()));
        return Recovery::Completed;
    }

    bool whole = true;
    for (auto it = plan->moves.crbegin(); it != plan->moves.crend(); ++it) {
        const QString target = UpdateHandOff::PathIn(folder, it->relative);
        if (it->hadOld) {
            const QString kept = UpdateHandOff::PathIn(backup, it->relative);
            // The old file is in the backup only once it was moved aside; what stands at
            // its place then is the new file, or nothing.
            if (!exists(kept))
                continue;
            if (exists(target))
                ::unlink(native(target).constData());
            if (::rename(native(kept).constData(), native(target).constData()) != 0) {
                note(QStringLiteral("Cannot put the old %1 back: %2")
                         .arg(target, QString::fromLocal8Bit(std::strerror(errno))));
                whole = false;
            }
        } else if (!exists(UpdateHandOff::PathIn(root, it->relative)) && exists(target)) {
            // A new file that left the staging folder is the one at its place.
            ::unlink(native(target).constData());
        }
    }
    for (auto it = plan->createdFolders.crbegin(); it != plan->createdFolders.crend(); ++it)
        ::rmdir(native(UpdateHandOff::PathIn(folder, *it)).constData());
    QDir(staging).removeRecursively();
    if (!whole) {
        // The journal stays, so the next start tries again.
        note(QStringLiteral("An interrupted update could not be undone wholly; the old files "
                            "that are missing are in %1")
                 .arg(backup));
        return Recovery::Incomplete;
    }
    QDir(backup).removeRecursively();
    Finish(folder);
    note(QStringLiteral("An interrupted update was undone: every file is as it was before"));
    return Recovery::RolledBack;
}

FolderLock::FolderLock(const QString &folder)
{
    m_fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace UpdateJournal
