#include "tools/UpdateInstaller.h"

#include "base/cSharedFileSubs.h"
#include "base/cSharedLogging.h"
#include "library/cSHAREDUnzip2.h"
#include "net/UpdateHandOff.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// The path a process runs, as /proc/<pid>/exe names it; empty when it cannot be read.
QString processExecutable(const QString &pid)
{
    char buffer[4096];
    const QByteArray link = native(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    QString path = QFile::decodeName(QByteArray(buffer, int(n)));
    // The file was replaced or removed while it ran: still the same program.
    const QLatin1String deleted(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path;
}

bool looksExecutable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head
        == QByteArray("\x7f"
                      "ELF",
                      4)
        || head.startsWith("#!");
}

mode_t umaskNow()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

UpdateInstaller::UpdateInstaller(QString folder, int waitSeconds)
    : m_folder(QDir::cleanPath(std::move(folder)))
    , m_waitSeconds(waitSeconds)
{
}

void UpdateInstaller::note(const QString &text)
{
    Log().LogEvent(text, false);
    std::fputs(qPrintable(QStringLiteral("OrlinUpdater: ") + text + QLatin1Char('\n')), stderr);
}

bool UpdateInstaller::isUserFile(const QString &relativePath, const QString &packageName)
{
    static const QStringList kept {
        QStringLiteral("Orlin.ini"),   QStringLiteral("BookMarks.ini"),
        QStringLiteral("ol1dict.txt"), QStringLiteral("log.txt"),
        QStringLiteral("FullLog.txt"), QStringLiteral("updater.ini"),
        QStringLiteral("updater.log"),
    };
    return relativePath == packageName || kept.contains(relativePath);
}

UpdateInstaller::Outcome UpdateInstaller::Run(const QString &caption)
{
    Log().LogEvent(QStringLiteral("Installer started for \"") + caption + QLatin1Char('"'), true);
    const std::optional<UpdateHandOff::HandOff> handOff = UpdateHandOff::ReadHandOffFile(m_folder);
    if (!handOff) {
        note(QStringLiteral("updater.ini names no update package; nothing was changed"));
        return Failed;
    }
    const QString package = QDir(m_folder).filePath(handOff->packageName);

    if (!waitForProgramToEnd()) {
        note(QStringLiteral("%1 is still running after %2 seconds; nothing was changed")
                 .arg(UpdateHandOff::ProgramName())
                 .arg(m_waitSeconds));
        return StillRunning;
    }
    if (!QFileInfo(package).isFile()) {
        note(QStringLiteral("The update package %1 is missing; nothing was changed").arg(package));
        cSharedFileSubs::EraseFile(QDir(m_folder).filePath(UpdateHandOff::HandOffFileName()));
        return Failed;
    }
    if (!handOff->sha256.isEmpty() && UpdateHandOff::Sha256OfFile(package) != handOff->sha256) {
        note(QStringLiteral("The update package does not match its checksum; it was deleted and "
                            "nothing was changed"));
        finishPackage(package);
        return Refused;
    }

    // Beside the program, so every move below is a rename within one file system.
    QTemporaryDir staging(QDir(m_folder).filePath(QStringLiteral(".OrlinUpdate-XXXXXX")));
    if (!staging.isValid()) {
        note(QStringLiteral("No staging folder could be made: %1").arg(staging.errorString()));
        finishPackage(package);
        return Failed;
    }
    if (!unpack(package, staging.path())) {
        note(QStringLiteral("The update package could not be unpacked safely; nothing was "
                            "changed"));
        finishPackage(package);
        return Failed;
    }
    const QString root = stagedRoot(staging.path());
    if (!QFileInfo(QDir(root).filePath(UpdateHandOff::ProgramName())).isFile()) {
        note(QStringLiteral("The update package holds no %1; nothing was changed")
                 .arg(UpdateHandOff::ProgramName()));
        finishPackage(package);
        return Refused;
    }

    QTemporaryDir backup(QDir(m_folder).filePath(QStringLiteral(".OrlinBackup-XXXXXX")));
    if (!backup.isValid()) {
        note(QStringLiteral("No backup folder could be made: %1").arg(backup.errorString()));
        finishPackage(package);
        return Failed;
    }
    backup.setAutoRemove(false);
    if (!swapIn(root, backup.path(), handOff->packageName)) {
        rollBack(backup.path());
        finishPackage(package);
        return Failed;
    }
    QDir(backup.path()).removeRecursively();
    note(QStringLiteral("Update installed: %1 files replaced or added").arg(m_moves.size()));
    finishPackage(package);
    return Installed;
}

bool UpdateInstaller::programRunning() const
{
    const QString program =
        QFileInfo(QDir(m_folder).filePath(UpdateHandOff::ProgramName())).canonicalFilePath();
    if (program.isEmpty())
        return false;
    const QString self = QString::number(::getpid());
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        if (pid.front().isDigit() && pid != self && processExecutable(pid) == program)
            return true;
    }
    return false;
}

bool UpdateInstaller::waitForProgramToEnd()
{
    const QDeadlineTimer deadline(qint64(m_waitSeconds) * 1000);
    bool told = false;
    while (programRunning()) {
        if (deadline.hasExpired())
            return false;
        if (!told) {
            note(QStringLiteral("Waiting for %1 to end").arg(UpdateHandOff::ProgramName()));
            told = true;
        }
        QThread::msleep(100);
    }
    return true;
}

bool UpdateInstaller::unpack(const QString &package, const QString &staging)
{
    cSHAREDUnzip2 zip;
    zip.setZipfile(package);
    zip.setUnzipFolder(staging);
    zip.setUseFolderNames(true);
    zip.setOverwriteExisting(true);
    zip.setMessageLevel(1);
    QObject::connect(&zip, &cSHAREDUnzip2::TextMessage, &zip,
                     [this](int, const QString &text) { note(text.trimmed()); });
    return zip.Unzip();
}

QString UpdateInstaller::stagedRoot(const QString &staging) const
{
    // A package made of a folder ("Orlin-1.1/...") is that folder's files.
    const QFileInfoList entries =
        QDir(staging).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (entries.size() == 1 && entries.first().isDir() && !entries.first().isSymLink())
        return entries.first().filePath();
    return staging;
}

bool UpdateInstaller::prepareParent(const QString &relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'));
    QString path = m_folder;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path += QLatin1Char('/') + parts.at(i);
        struct stat st
        {
        };
        if (::lstat(native(path).constData(), &st) == 0) {
            // A link placed here would carry the new files out of the program folder.
            if (!S_ISDIR(st.st_mode)) {
                note(QStringLiteral("%1 is in the way of a folder of the update").arg(path));
                return false;
            }
            continue;
        }
        if (::mkdir(native(path).constData(), 0777) != 0) {
            note(QStringLiteral("Cannot make the folder %1: %2").arg(path, errnoText()));
            return false;
        }
        m_createdFolders.append(path);
    }
    return true;
}

bool UpdateInstaller::swapIn(const QString &root, const QString &backup, const QString &packageName)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    const mode_t mask = umaskNow();

    for (const QString &relative : std::as_const(files)) {
        const QString staged = QDir(root).filePath(relative);
        const QString target = QDir(m_folder).filePath(relative);
        struct stat st
        {
        };
        const bool exists = ::lstat(native(target).constData(), &st) == 0;
        if (exists && isUserFile(relative, packageName)) {
            note(QStringLiteral("Kept the user's own %1").arg(relative));
            continue;
        }
        struct stat stagedStat
        {
        };
        if (::lstat(native(staged).constData(), &stagedStat) != 0 || !S_ISREG(stagedStat.st_mode)) {
            note(QStringLiteral("%1 in the package is no plain file").arg(relative));
            return false;
        }
        if (exists && S_ISDIR(st.st_mode)) {
            note(QStringLiteral("The folder %1 is in the way of a file of the update").arg(target));
            return false;
        }
        if (!prepareParent(relative))
            return false;

        // Programs stay programs: the old file's permissions, or for a new file those a
        // program or a script needs.
        const mode_t mode = exists && S_ISREG(st.st_mode) ? (st.st_mode & 07777)
            : looksExecutable(staged)                     ? (0777 & ~mask)
                                                          : (0666 & ~mask);
        if (::chmod(native(staged).constData(), mode) != 0) {
            note(QStringLiteral("Cannot set the permissions of %1: %2").arg(relative, errnoText()));
            return false;
        }
        if (exists) {
            const QString kept = QDir(backup).filePath(relative);
            QDir().mkpath(QFileInfo(kept).path());
            if (::rename(native(target).constData(), native(kept).constData()) != 0) {
                note(QStringLiteral("Cannot move %1 aside: %2").arg(target, errnoText()));
                return false;
            }
        }
        m_moves.append({ relative, exists, false });
        if (::rename(native(staged).constData(), native(target).constData()) != 0) {
            note(QStringLiteral("Cannot put %1 in place: %2").arg(target, errnoText()));
            return false;
        }
        m_moves.last().newInPlace = true;
    }
    return true;
}

void UpdateInstaller::rollBack(const QString &backup)
{
    bool whole = true;
    for (auto it = m_moves.crbegin(); it != m_moves.crend(); ++it) {
        const QString target = QDir(m_folder).filePath(it->relative);
        if (it->newInPlace && ::unlink(native(target).constData()) != 0)
            whole = false;
        if (it->hadOld
            && ::rename(native(QDir(backup).filePath(it->relative)).constData(),
                        native(target).constData())
                != 0) {
            note(QStringLiteral("Cannot put the old %1 back: %2").arg(target, errnoText()));
            whole = false;
        }
    }
    for (auto it = m_createdFolders.crbegin(); it != m_createdFolders.crend(); ++it)
        ::rmdir(native(*it).constData());
    if (whole) {
        QDir(backup).removeRecursively();
        note(QStringLiteral("The update failed; every file is as it was before"));
    } else {
        note(QStringLiteral("The update failed and not every old file could be put back; they "
                            "are in %1")
                 .arg(backup));
    }
    m_moves.clear();
}

void UpdateInstaller::finishPackage(const QString &package)
{
    cSharedFileSubs::EraseFile(package);
    cSharedFileSubs::EraseFile(QDir(m_folder).filePath(UpdateHandOff::HandOffFileName()));
}

bool UpdateInstaller::RestartProgram()
{
    const QString program = QDir(m_folder).filePath(UpdateHandOff::ProgramName());
    const bool started = QProcess::startDetached(program, {}, m_folder);
    note(started ? QStringLiteral("Started %1 again").arg(program)
                 : QStringLiteral("Could not start %1 again").arg(program));
    return started;
}
