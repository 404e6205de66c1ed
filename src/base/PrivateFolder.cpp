#include "base/PrivateFolder.h"

#include "base/Failure.h"
#include "base/FileTable.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace PrivateFolder {

namespace {

class Fd
{
public:
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

Failure notPrivate(const QString &folder, const char *why)
{
    return Failure(
        FailureCode::PathFileAccess,
        QStringLiteral("%1 is not a private folder (%2)").arg(folder, QString::fromLatin1(why)),
        folder);
}

// The folder opened without following a link at its own name.
Fd openFolder(const QString &folder)
{
    Fd fd(::open(QFile::encodeName(folder).constData(),
                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            throw notPrivate(folder, "a link or not a folder");
        throwErrno(errno, folder);
    }
    return Fd(fd.release());
}

bool isSoundRuntimeFolder(const QString &folder)
{
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return false;
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

QString makeFreshFolder(const QString &parent)
{
    QByteArray pattern = QFile::encodeName(parent + QStringLiteral("/orlin-XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        throwErrno(errno, parent);
    return QFile::decodeName(pattern);
}

} // namespace

void ensure(const QString &folder)
{
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        throwErrno(errno, folder);
    const Fd fd = openFolder(folder);
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
        throwErrno(errno, folder);
    if (st.st_uid != ::geteuid())
        throw notPrivate(folder, "owned by another user");
    // Ours, so nobody else could have put anything in it that we would trust.
    if ((st.st_mode & 077) != 0 && ::fchmod(fd.get(), 0700) != 0)
        throwErrno(errno, folder);
}

QString forPassingFiles()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isSoundRuntimeFolder(runtime)) {
        const QString folder = QDir(runtime).filePath(QStringLiteral("orlin"));
        try {
            ensure(folder);
            return folder;
        } catch (const Failure &) {
            // Falls through to the temporary folder.
        }
    }
    const QString temp = QDir::tempPath();
    const QString folder = temp + QStringLiteral("/orlin-") + QString::number(::geteuid());
    try {
        ensure(folder);
        return folder;
    } catch (const Failure &) {
        // Someone else holds the name: one fresh folder for the rest of this run.
    }
    static QString fresh;
    if (!fresh.startsWith(temp + QLatin1Char('/')) || !QDir(fresh).exists())
        fresh = makeFreshFolder(temp);
    ensure(fresh);
    return fresh;
}

void replaceFile(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const Fd dir = openFolder(folder);
    const QString target = QDir(folder).filePath(name);
    const QByteArray nativeName = QFile::encodeName(name);
    QByteArray tempName;
    int raw = -1;
    for (int attempt = 0; raw < 0; ++attempt) {
        tempName =
            '.' + nativeName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        // O_EXCL never follows a link: a name someone planted meanwhile is simply taken.
        raw = ::openat(dir.get(), tempName.constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (raw < 0 && (errno != EEXIST || attempt > 100))
            throwErrno(errno, target);
    }
    Fd file(raw);
    try {
        FileTable::writeAll(file.get(), bytes.constData(), bytes.size(), target);
        if (::close(file.release()) != 0)
            throwErrno(errno, target);
        if (::renameat(dir.get(), tempName.constData(), dir.get(), nativeName.constData()) != 0)
            throwErrno(errno, target);
    } catch (...) {
        ::unlinkat(dir.get(), tempName.constData(), 0);
        throw;
    }
}

} // namespace PrivateFolder
