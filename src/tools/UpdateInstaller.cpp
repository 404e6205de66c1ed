#include "tools/UpdateInstaller.h"

#include "base/ProgramInfo.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLogging.h"
#include "library/cSHAREDUnzip2.h"
#include "net/PackageSignature.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateJournal.h"
#include "net/UpdateVersion.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using UpdateHandOff::PathIn;

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

bool exists(const QString &path, struct stat *st = nullptr)
{
    struct stat local
    {
    };
    return ::lstat(native(path).constData(), st ? st : &local) == 0;
}

// The folders between the program folder and a file, parents first ("a", "a/b").
QStringList parentsOf(const QString &relative)
{
    QStringList parents;
    const QStringList parts = relative.split(QLatin1Char('/'));
    QString path;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path += (i ? QStringLiteral("/") : QString()) + parts.at(i);
        parents.append(path);
    }
    return parents;
}

// Names the installer keeps for its own work: a package may not bring files there.
bool isInstallerWork(const QString &relative)
{
    const QString first = relative.section(QLatin1Char('/'), 0, 0);
    return first.startsWith(QLatin1String(".OrlinUpdate"))
        || first.startsWith(QLatin1String(".OrlinBackup"));
}

// The signature beside the package, read without following a link and never more than a
// signature can be.
QByteArray readSignature(const QString &path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    QByteArray bytes;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        bytes = file.read(PackageSignature::MaxSignatureBytes + 1);
    ::close(fd);
    return bytes;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
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
    return relativePath == packageName
        || relativePath == UpdateHandOff::SignatureFileName(packageName)
        || kept.contains(relativePath);
}

unsigned UpdateInstaller::installedMode(bool program, unsigned umask)
{
    return (program ? 0755u : 0644u) & ~umask;
}

UpdateInstaller::Outcome UpdateInstaller::Run(const QString &caption)
{
    Log().LogEvent(QStringLiteral("Installer started for \"") + caption + QLatin1Char('"'), true);
    // Whatever started it: the package manager owns those files, and would put its own
    // back over anything written here.
    if (!ProgramInfo::isPortableFolder(m_folder)) {
        note(QStringLiteral("%1 is an installation the system's package manager looks after, "
                            "or one this user cannot change; nothing was changed")
                 .arg(m_folder));
        return NotHere;
    }
    if (!waitForProgramToEnd()) {
        note(QStringLiteral("%1 is still running after %2 seconds; nothing was changed")
                 .arg(UpdateHandOff::ProgramName())
                 .arg(m_waitSeconds));
        return StillRunning;
    }
    const UpdateJournal::FolderLock lock(m_folder);
    if (!lock.held()) {
        note(QStringLiteral("Another installer is at work in %1; nothing was changed")
                 .arg(m_folder));
        return Failed;
    }
    // A swap an earlier run left half done is put right before anything else.
    UpdateJournal::RecoverLocked(m_folder);
    const std::optional<UpdateHandOff::HandOff> handOff = UpdateHandOff::ReadHandOffFile(m_folder);
    if (!handOff) {
        note(QStringLiteral("updater.ini names no update package; nothing was changed"));
        return Failed;
    }
    return install(handOff->packageName, handOff->version, handOff->sha256);
}

UpdateInstaller::Outcome UpdateInstaller::install(const QString &packageName,
                                                  const QString &announced, const QString &sha256)
{
    const QString package = PathIn(m_folder, packageName);
    // One open file for every check and for the unpacking: nothing can be swapped in under
    // the name between them.
    const int fd = ::open(native(package).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        note(QStringLiteral("The update package %1 cannot be opened (%2); nothing was changed")
                 .arg(package, errnoText()));
        finishPackage(packageName);
        return Failed;
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat opened
    {
    };
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)
        || opened.st_size > UpdateHandOff::MaxPackageBytes) {
        note(QStringLiteral("%1 is no update package (not a plain file, or larger than %2 "
                            "bytes); it was deleted and nothing was changed")
                 .arg(package)
                 .arg(UpdateHandOff::MaxPackageBytes));
        finishPackage(packageName);
        return Refused;
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
    const PackageSignature::Verdict verdict = PackageSignature::Verify(
        file, readSignature(PathIn(m_folder, UpdateHandOff::SignatureFileName(packageName))));
    if (!verdict.good) {
        note(QStringLiteral("The update package is not signed by the maker (%1); it was deleted "
                            "and nothing was changed")
                 .arg(verdict.reason));
        finishPackage(packageName);
        return Refused;
    }
    VersionRecord signedVersion;
    VersionRecord announcedVersion;
    VersionRecord running;
    UpdateVersion::ExtractVersionFromAppVer(ProgramInfo::versionText(), running);
    const bool readable = UpdateVersion::ExtractVersionFromAppVer(verdict.version, signedVersion);
    if (!readable
        || (!announced.isEmpty()
            && (!UpdateVersion::ExtractVersionFromAppVer(announced, announcedVersion)
                || announcedVersion != signedVersion))
        || !UpdateVersion::IsNewer(signedVersion, running)) {
        note(QStringLiteral("The update package is signed as version %1, announced as %2, and "
                            "this is version %3: only a newer version, as announced, is "
                            "installed; it was deleted and nothing was changed")
                 .arg(verdict.version.left(40), announced.left(40), running.text()));
        finishPackage(packageName);
        return Refused;
    }
    if (!sha256.isEmpty()) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!file.seek(0) || !hash.addData(&file)
            || QString::fromLatin1(hash.result().toHex()) != sha256) {
            note(QStringLiteral("The update package does not match its checksum; it was deleted "
                                "and nothing was changed"));
            finishPackage(packageName);
            return Refused;
        }
    }

    // Beside the program, so every move below is a rename within one file system.
    QTemporaryDir staging(PathIn(m_folder, QStringLiteral(".OrlinUpdate-XXXXXX")));
    if (!staging.isValid()) {
        note(QStringLiteral("No staging folder could be made: %1").arg(staging.errorString()));
        finishPackage(packageName);
        return Failed;
    }
    struct stat after
    {
    };
    if (!unpack(QStringLiteral("/proc/self/fd/%1").arg(fd), staging.path())
        || ::fstat(fd, &after) != 0 || !sameFile(opened, after)) {
        note(QStringLiteral("The update package could not be unpacked safely; nothing was "
                            "changed"));
        finishPackage(packageName);
        return Failed;
    }
    const QString root = stagedRoot(staging.path());
    const std::optional<QStringList> files = stagedFiles(root);
    if (!files) {
        finishPackage(packageName);
        return Failed;
    }
    if (!files->contains(UpdateHandOff::ProgramName())) {
        note(QStringLiteral("The update package holds no %1; nothing was changed")
                 .arg(UpdateHandOff::ProgramName()));
        finishPackage(packageName);
        return Refused;
    }
    if (!proveVersion(root, signedVersion.text())) {
        finishPackage(packageName);
        return Refused;
    }

    QTemporaryDir backup(PathIn(m_folder, QStringLiteral(".OrlinBackup-XXXXXX")));
    if (!backup.isValid()) {
        note(QStringLiteral("No backup folder could be made: %1").arg(backup.errorString()));
        finishPackage(packageName);
        return Failed;
    }
    const std::optional<UpdateJournal::Plan> swap =
        plan(staging.path(), root, backup.path(), *files, packageName);
    if (!swap) {
        finishPackage(packageName);
        return Failed;
    }
    try {
        UpdateJournal::Begin(m_folder, *swap);
    } catch (const std::exception &e) {
        note(QStringLiteral("The update journal cannot be written (%1); nothing was changed")
                 .arg(QString::fromLocal8Bit(e.what())));
        finishPackage(packageName);
        return Failed;
    }
    // From here on the journal says what to do with both folders, also after a crash.
    staging.setAutoRemove(false);
    backup.setAutoRemove(false);
    if (!swapIn(root, backup.path(), *swap)) {
        UpdateJournal::RecoverLocked(m_folder);
        note(QStringLiteral("The update failed; every file is as it was before"));
        finishPackage(packageName);
        return Failed;
    }
    QDir(backup.path()).removeRecursively();
    QDir(staging.path()).removeRecursively();
    UpdateJournal::Finish(m_folder);
    note(QStringLiteral("Update to version %1 installed: %2 files replaced or added")
             .arg(signedVersion.text())
             .arg(m_moved));
    finishPackage(packageName);
    return Installed;
}

bool UpdateInstaller::programRunning() const
{
    const QString program =
        QFileInfo(PathIn(m_folder, UpdateHandOff::ProgramName())).canonicalFilePath();
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

bool UpdateInstaller::unpack(const QString &zipPath, const QString &staging)
{
    cSHAREDUnzip2 zip;
    zip.setZipfile(zipPath);
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
    if (entries.size() == 1 && entries.first().isDir() && !entries.first().isSymLink()
        && UpdateHandOff::IsPlainName(entries.first().fileName()))
        return PathIn(staging, entries.first().fileName());
    return staging;
}

std::optional<QStringList> UpdateInstaller::stagedFiles(const QString &root)
{
    QStringList files;
    const mode_t mask = umaskNow();
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        struct stat st
        {
        };
        if (!exists(path, &st) || !UpdateHandOff::IsPlainRelativePath(relative)
            || isInstallerWork(relative) || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
            note(QStringLiteral("\"%1\" in the package is no plain file of the program; nothing "
                                "was changed")
                     .arg(relative.left(200)));
            return std::nullopt;
        }
        if (S_ISDIR(st.st_mode))
            continue;
        if (::chmod(native(path).constData(), installedMode(looksExecutable(path), mask)) != 0) {
            note(QStringLiteral("Cannot set the permissions of %1: %2").arg(relative, errnoText()));
            return std::nullopt;
        }
        files.append(relative);
    }
    files.sort();
    return files;
}

bool UpdateInstaller::proveVersion(const QString &root, const QString &version)
{
    QProcess program;
    program.setWorkingDirectory(root);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.setStandardErrorFile(QProcess::nullDevice());
    program.start(PathIn(root, UpdateHandOff::ProgramName()), { QStringLiteral("--version") });
    const bool ended =
        program.waitForStarted(ProofSeconds * 1000) && program.waitForFinished(ProofSeconds * 1000);
    if (!ended) {
        program.kill();
        program.waitForFinished(1000);
        note(QStringLiteral("The new %1 did not say its version within %2 seconds; nothing was "
                            "changed")
                 .arg(UpdateHandOff::ProgramName())
                 .arg(ProofSeconds));
        return false;
    }
    const QString said = QString::fromUtf8(program.readAllStandardOutput().left(256))
                             .section(QLatin1Char('\n'), 0, 0)
                             .trimmed();
    const QString expected = UpdateHandOff::ProgramName() + QLatin1Char(' ') + version;
    if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0
        || said != expected) {
        note(QStringLiteral("The new %1 says \"%2\", not \"%3\"; nothing was changed")
                 .arg(UpdateHandOff::ProgramName(), said.left(80), expected));
        return false;
    }
    note(QStringLiteral("The new program says \"%1\"").arg(said));
    return true;
}

std::optional<UpdateJournal::Plan> UpdateInstaller::plan(const QString &staging,
                                                         const QString &root, const QString &backup,
                                                         const QStringList &files,
                                                         const QString &packageName)
{
    UpdateJournal::Plan swap;
    swap.staging = QFileInfo(staging).fileName();
    swap.stagingRoot = root == staging ? QString() : root.mid(staging.size() + 1);
    swap.backup = QFileInfo(backup).fileName();
    for (const QString &relative : files) {
        struct stat st
        {
        };
        const QString target = PathIn(m_folder, relative);
        const bool there = exists(target, &st);
        if (there && isUserFile(relative, packageName)) {
            note(QStringLiteral("Kept the user's own %1").arg(relative));
            continue;
        }
        if (there && S_ISDIR(st.st_mode)) {
            note(QStringLiteral("The folder %1 is in the way of a file of the update; nothing "
                                "was changed")
                     .arg(target));
            return std::nullopt;
        }
        for (const QString &parent : parentsOf(relative)) {
            struct stat ps
            {
            };
            if (exists(PathIn(m_folder, parent), &ps)) {
                // A link placed here would carry the new files out of the program folder.
                if (!S_ISDIR(ps.st_mode)) {
                    note(QStringLiteral("%1 is in the way of a folder of the update; nothing was "
                                        "changed")
                             .arg(PathIn(m_folder, parent)));
                    return std::nullopt;
                }
            } else if (!swap.createdFolders.contains(parent)) {
                swap.createdFolders.append(parent);
            }
        }
        swap.moves.append({ relative, there });
    }
    return swap;
}

bool UpdateInstaller::swapIn(const QString &root, const QString &backup,
                             const UpdateJournal::Plan &plan)
{
    try {
        for (const QString &folder : plan.createdFolders) {
            if (::mkdir(native(PathIn(m_folder, folder)).constData(), 0755) != 0) {
                note(QStringLiteral("Cannot make the folder %1: %2").arg(folder, errnoText()));
                return false;
            }
        }
        for (qsizetype i = 0; i < plan.moves.size(); ++i) {
            const UpdateJournal::Move &move = plan.moves.at(i);
            const QString target = PathIn(m_folder, move.relative);
            if (move.hadOld) {
                const QString kept = PathIn(backup, move.relative);
                for (const QString &parent : parentsOf(move.relative))
                    ::mkdir(native(PathIn(backup, parent)).constData(), 0700);
                if (::rename(native(target).constData(), native(kept).constData()) != 0) {
                    note(QStringLiteral("Cannot move %1 aside: %2").arg(target, errnoText()));
                    return false;
                }
                UpdateJournal::Record(m_folder, QStringLiteral("aside %1").arg(i));
            }
            if (::rename(native(PathIn(root, move.relative)).constData(),
                         native(target).constData())
                != 0) {
                note(QStringLiteral("Cannot put %1 in place: %2").arg(target, errnoText()));
                return false;
            }
            UpdateJournal::Record(m_folder, QStringLiteral("placed %1").arg(i));
            ++m_moved;
        }
        UpdateJournal::Record(m_folder, QStringLiteral("commit"));
    } catch (const std::exception &e) {
        note(QStringLiteral("The update journal cannot be written: %1")
                 .arg(QString::fromLocal8Bit(e.what())));
        return false;
    }
    return true;
}

void UpdateInstaller::finishPackage(const QString &packageName)
{
    cSharedFileSubs::EraseFile(PathIn(m_folder, packageName));
    cSharedFileSubs::EraseFile(PathIn(m_folder, UpdateHandOff::SignatureFileName(packageName)));
    cSharedFileSubs::EraseFile(PathIn(m_folder, UpdateHandOff::HandOffFileName()));
}

bool UpdateInstaller::RestartProgram()
{
    const QString program = PathIn(m_folder, UpdateHandOff::ProgramName());
    const bool started = QProcess::startDetached(program, {}, m_folder);
    note(started ? QStringLiteral("Started %1 again").arg(program)
                 : QStringLiteral("Could not start %1 again").arg(program));
    return started;
}
