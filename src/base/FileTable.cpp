#include "base/FileTable.h"

#include "base/Failure.h"
#include "base/Seam.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace FileTable {

namespace {

constexpr qsizetype FlushThreshold = 64 * 1024;

struct OpenFile
{
    int fd = -1;
    Mode mode = Mode::Input;
    QString path;
    QByteArray pending;
};

std::vector<std::unique_ptr<OpenFile>> &table()
{
    // Never destroyed: whatever still writes while the process ends (a log flushing its
    // last entries from a static's destructor) finds the table whole, however the order
    // of destruction fell.
    static auto *files = new std::vector<std::unique_ptr<OpenFile>>;
    return *files;
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

OpenFile *find(int number)
{
    auto &files = table();
    if (number < 1 || number > int(files.size()) || !files[number - 1])
        throw Failure(FailureCode::BadFileNameOrNumber, QStringLiteral("Bad file name or number"));
    return files[number - 1].get();
}

} // namespace

void writeAll(int fd, const char *data, qsizetype size, const QString &path)
{
    if (const WriteFault &fault = Seam::current<WriteFaultSeam>(); size > 0 && fault) {
        if (const int err = fault(path)) {
            [[maybe_unused]] ssize_t ignored = ::write(fd, data, size_t(size / 2));
            throwErrno(err, path);
        }
    }
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(errno, path);
        }
        data += n;
        size -= n;
    }
}

namespace {

void flush(OpenFile &file)
{
    if (file.pending.isEmpty())
        return;
    // Emptied first: after a failed write the same bytes must not be tried again.
    const QByteArray bytes = std::exchange(file.pending, {});
    struct stat st
    {
    };
    const off_t before = file.mode == Mode::Append ? (::fstat(file.fd, &st) == 0 ? st.st_size : -1)
                                                   : ::lseek(file.fd, 0, SEEK_CUR);
    try {
        writeAll(file.fd, bytes.constData(), bytes.size(), file.path);
    } catch (...) {
        // A half-written line is worse than none: the file goes back to where it was.
        if (before >= 0 && ::ftruncate(file.fd, before) == 0 && file.mode == Mode::Output)
            ::lseek(file.fd, before, SEEK_SET);
        throw;
    }
}

void closeFd(int fd, const QString &path)
{
    // Linux releases the descriptor even when close reports an error, so never retry.
    if (::close(fd) != 0 && errno != EINTR)
        throwErrno(errno, path);
}

// The file that writing to path really changes: the end of a symbolic link.
QString resolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

int createTemporaryBeside(const QString &target, QString &tempPath, mode_t mode)
{
    const QFileInfo info(target);
    const QString stem = info.absolutePath() + QStringLiteral("/.") + info.fileName();
    for (int attempt = 0;; ++attempt) {
        tempPath =
            stem + QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate(), 36);
        const int fd =
            ::open(nativePath(tempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST || attempt > 100)
            throwErrno(errno, target);
    }
}

} // namespace

int open(const QString &path, Mode mode)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Output:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case Mode::Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    case Mode::Input:
        flags |= O_RDONLY;
        break;
    }
    if (path.isEmpty())
        throw Failure(FailureCode::BadFileNameOrNumber, QStringLiteral("Bad file name or number"));
    const int fd = ::open(nativePath(path).constData(), flags, 0666);
    if (fd < 0)
        throwErrno(errno, path, mode == Mode::Input);
    struct stat st
    {
    };
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throwErrno(EISDIR, path);
    }

    auto file = std::make_unique<OpenFile>();
    file->fd = fd;
    file->mode = mode;
    file->path = path;
    auto &files = table();
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i]) {
            files[i] = std::move(file);
            return int(i) + 1;
        }
    }
    files.push_back(std::move(file));
    return int(files.size());
}

void write(int number, const QByteArray &bytes)
{
    OpenFile *file = find(number);
    if (file->mode == Mode::Input)
        throw Failure(FailureCode::BadFileNameOrNumber, QStringLiteral("Bad file mode"),
                      file->path);
    file->pending += bytes;
    if (file->pending.size() >= FlushThreshold)
        flush(*file);
}

QByteArray readAll(int number)
{
    OpenFile *file = find(number);
    if (file->mode != Mode::Input)
        throw Failure(FailureCode::BadFileNameOrNumber, QStringLiteral("Bad file mode"),
                      file->path);
    QByteArray result;
    struct stat st
    {
    };
    if (::fstat(file->fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        result.reserve(qsizetype(st.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(file->fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(errno, file->path);
        }
        result.append(buffer, n);
    }
    return result;
}

void close(int number)
{
    auto &files = table();
    if (number < 1 || number > int(files.size()) || !files[number - 1])
        return;
    const std::unique_ptr<OpenFile> file = std::move(files[number - 1]);
    while (!files.empty() && !files.back())
        files.pop_back();
    try {
        flush(*file);
    } catch (...) {
        ::close(file->fd);
        throw;
    }
    closeFd(file->fd, file->path);
}

bool isOpen(int number)
{
    const auto &files = table();
    return number >= 1 && number <= int(files.size()) && files[number - 1];
}

void closeAll()
{
    auto &files = table();
    for (auto &file : files) {
        if (file)
            ::close(file->fd);
    }
    files.clear();
}

void replaceFile(const QString &path, const QByteArray &bytes, bool ownerOnly)
{
    const QString target = resolvedTarget(path);
    const QByteArray nativeTarget = nativePath(target);
    struct stat old
    {
    };
    const bool exists = ::stat(nativeTarget.constData(), &old) == 0;

    if (exists && !S_ISREG(old.st_mode)) {
        if (S_ISDIR(old.st_mode))
            throwErrno(EISDIR, path);
        const int fd = ::open(nativeTarget.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            throwErrno(errno, path);
        try {
            writeAll(fd, bytes.constData(), bytes.size(), target);
        } catch (...) {
            ::close(fd);
            throw;
        }
        closeFd(fd, path);
        return;
    }

    QString tempPath;
    const int fd = createTemporaryBeside(target, tempPath, ownerOnly ? 0600 : 0666);
    const QByteArray nativeTemp = nativePath(tempPath);
    try {
        const mode_t keep =
            ownerOnly ? (old.st_mode & 07700) | S_IRUSR | S_IWUSR : old.st_mode & 07777;
        if (exists && ::fchmod(fd, keep) != 0)
            throwErrno(errno, path);
        writeAll(fd, bytes.constData(), bytes.size(), target);
        if (::fdatasync(fd) != 0)
            throwErrno(errno, path);
    } catch (...) {
        ::close(fd);
        ::unlink(nativeTemp.constData());
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(nativeTemp.constData());
        throwErrno(err, path);
    }
    if (::rename(nativeTemp.constData(), nativeTarget.constData()) != 0) {
        const int err = errno;
        ::unlink(nativeTemp.constData());
        throwErrno(err, path);
    }
}

} // namespace FileTable
