#include "library/cSHAREDUnzip2.h"

#include "base/Failure.h"
#include "base/Trace.h"
#include "library/ZipEntryPath.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace {

const QString kModule = QStringLiteral("cSHAREDUnzip2");
constexpr qint64 kServiceEvery = 8 * 1024 * 1024;
constexpr size_t kBufferSize = 256 * 1024;

struct Archive
{
    zip_t *z = nullptr;
    ~Archive()
    {
        if (z)
            zip_discard(z);
    }
};

struct EntryStream
{
    zip_file_t *f = nullptr;
    ~EntryStream()
    {
        if (f)
            zip_fclose(f);
    }
};

// The temporary file an entry is written to: removed unless it was renamed into place.
struct TempFile
{
    int fd = -1;
    QByteArray path;
    bool renamed = false;
    ~TempFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!renamed && !path.isEmpty())
            ::unlink(path.constData());
    }
};

QString zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString archiveError(zip_t *z)
{
    return QString::fromLocal8Bit(zip_strerror(z));
}

zip_t *openArchive(const QString &path, QString &reason)
{
    int error = 0;
    // The consistency checks catch archives whose directory and entries disagree
    // before anything is written.
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!z)
        reason = zipErrorText(error);
    return z;
}

QString methodName(zip_int32_t method)
{
    switch (method) {
    case ZIP_CM_STORE:
        return QStringLiteral("Stored");
    case ZIP_CM_SHRINK:
        return QStringLiteral("Shrunk");
    case ZIP_CM_IMPLODE:
        return QStringLiteral("Imploded");
    case ZIP_CM_DEFLATE:
        return QStringLiteral("Deflated");
    case ZIP_CM_DEFLATE64:
        return QStringLiteral("Deflate64");
    case ZIP_CM_BZIP2:
        return QStringLiteral("BZip2");
    case ZIP_CM_LZMA:
        return QStringLiteral("LZMA");
    case ZIP_CM_XZ:
        return QStringLiteral("XZ");
    case 93:
        return QStringLiteral("Zstandard");
    case 99:
        return QStringLiteral("AES");
    default:
        return QStringLiteral("Method %1").arg(method);
    }
}

// A link could point anywhere on the disk, so none is made. Other kinds (a pipe that
// was archived from standard input) are written as plain files like everything else.
bool isSymbolicLink(zip_t *z, zip_uint64_t index)
{
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    return zip_file_get_external_attributes(z, index, 0, &opsys, &attributes) == 0
        && opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

// A new file of a name nobody has, made with the user's usual permissions (0666 less
// the umask, so never executable). Asking for the umask would change it for a moment
// for every thread, so the kernel applies it instead.
int createExclusive(QByteArray &path, const QString &folder)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = QFile::encodeName(
            folder
            + QStringLiteral("/.orlin-unzip-%1")
                  .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Any line end to CR LF; a CR at the end of one block may pair with an LF at the
// start of the next.
void toCrLf(const char *data, size_t size, bool &afterCR, std::vector<char> &out)
{
    out.clear();
    out.reserve(size + size / 8);
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r') {
            out.push_back('\r');
            out.push_back('\n');
            afterCR = true;
            continue;
        }
        if (c == '\n') {
            if (!afterCR) {
                out.push_back('\r');
                out.push_back('\n');
            }
        } else {
            out.push_back(c);
        }
        afterCR = false;
    }
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

struct cSHAREDUnzip2::Run
{
    QString key(const QString &name) const { return caseSensitive ? name : name.toCaseFolded(); }
    // Whether the run extracts the entry of that name.
    bool wants(const QString &name) const { return allFiles || include.contains(key(name)); }

    zip_t *z = nullptr;
    // Folders this run made, deepest last, for taking back what it wrote.
    QStringList madeFolders;
    bool allFiles = true;
    bool caseSensitive = false;
    QSet<QString> include;
    bool failed = false;
    bool cancelled = false;
    bool passwordAsked = false;
    QByteArray password;
    bool overwriteAll = false;
    bool overwriteNone = false;
    std::vector<char> buffer;
    std::vector<char> converted;
};

cSHAREDUnzip2::cSHAREDUnzip2(QObject *parent)
    : QObject(parent)
{
}

cSHAREDUnzip2::~cSHAREDUnzip2() = default;

void cSHAREDUnzip2::setZipfile(const QString &path)
{
    m_zipfile = path;
    m_files.clear();
}

const cSHAREDUnzip2::Entry *cSHAREDUnzip2::entry(int index) const
{
    return index >= 1 && index <= m_files.size() ? &m_files.at(index - 1) : nullptr;
}

QString cSHAREDUnzip2::Filename(int index) const
{
    const Entry *e = entry(index);
    return e ? e->name : QString();
}

QString cSHAREDUnzip2::FileDirectory(int index) const
{
    const Entry *e = entry(index);
    return e ? e->directory : QString();
}

qint64 cSHAREDUnzip2::FileSize(int index) const
{
    const Entry *e = entry(index);
    return e ? e->size : 0;
}

qint64 cSHAREDUnzip2::FilePackedSize(int index) const
{
    const Entry *e = entry(index);
    return e ? e->packedSize : 0;
}

int cSHAREDUnzip2::FileCompressionRatio(int index) const
{
    const Entry *e = entry(index);
    return e && e->size > 0 ? int(e->packedSize * 100 / e->size) : 0;
}

QString cSHAREDUnzip2::FileCompressionMethod(int index) const
{
    const Entry *e = entry(index);
    return e ? e->method : QString();
}

QDateTime cSHAREDUnzip2::FileDate(int index) const
{
    const Entry *e = entry(index);
    return e ? e->date : QDateTime();
}

quint32 cSHAREDUnzip2::FileCRC(int index) const
{
    const Entry *e = entry(index);
    return e ? e->crc : 0;
}

bool cSHAREDUnzip2::FileEncrypted(int index) const
{
    const Entry *e = entry(index);
    return e && e->encrypted;
}

bool cSHAREDUnzip2::FileSelected(int index) const
{
    const Entry *e = entry(index);
    return e && e->selected;
}

void cSHAREDUnzip2::setFileSelected(int index, bool selected)
{
    if (index >= 1 && index <= m_files.size())
        m_files[index - 1].selected = selected;
}

void cSHAREDUnzip2::text(const QString &message, bool isFailure)
{
    if (m_messageLevel <= 0 || (isFailure && m_messageLevel == 1))
        emit TextMessage(1, message);
}

void cSHAREDUnzip2::fail(Run &run, const QString &entryName, const QString &reason, int code,
                         Problem problem)
{
    run.failed = true;
    if (m_problem == Problem::None || m_problem == Problem::Other)
        m_problem = problem;
    const QString message = entryName + QStringLiteral(": ") + reason;
    const Failure failure(code, message, m_zipfile);
    m_failures.append(failure);
    if (m_traceFailures)
        Trace::record(failure, QStringLiteral("Unzip"), kModule);
    text(message, true);
}

bool cSHAREDUnzip2::cancelRequested() const
{
    return m_cancelFlag && m_cancelFlag->load(std::memory_order_relaxed);
}

// The whole run against the bounds, from what the archive declares: nothing is written
// when it is over one. The data can never exceed what is declared (extractEntry stops
// an entry that tries), so the declared sizes bound what the run writes.
bool cSHAREDUnzip2::withinLimits(Run &run, qint64 &total)
{
    total = 0;
    int entries = 0;
    const zip_int64_t count = zip_get_num_entries(run.z, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(run.z, zip_uint64_t(i), 0, &st) != 0 || !st.name)
            continue;
        const QString name = QString::fromUtf8(st.name);
        if (!run.wants(name))
            continue;
        if (++entries > m_limits.entries) {
            fail(run, m_zipfile,
                 QStringLiteral("refused: more than %1 entries").arg(m_limits.entries),
                 FailureCode::PathFileAccess, Problem::TooManyFiles);
            return false;
        }
        const quint64 size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        const quint64 packed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        if (size > quint64(m_limits.totalBytes) || total + qint64(size) > m_limits.totalBytes) {
            fail(run, m_zipfile,
                 QStringLiteral("refused: more than %1 bytes unpacked").arg(m_limits.totalBytes),
                 FailureCode::PathFileAccess, Problem::TooLarge);
            return false;
        }
        total += qint64(size);
        if (size > quint64(m_limits.ratioFloor)
            && (packed == 0 || size / packed > quint64(m_limits.ratio))) {
            fail(run, name, QStringLiteral("refused: packed more than %1 to 1").arg(m_limits.ratio),
                 FailureCode::PathFileAccess, Problem::TooPacked);
            return false;
        }
    }
    if (m_testZip || m_extractToStdOut)
        return true;
    struct statvfs space;
    if (::statvfs(QFile::encodeName(m_unzipFolder).constData(), &space) != 0)
        return true;
    m_free = qint64(quint64(space.f_bavail) * quint64(space.f_frsize));
    if (total + m_limits.spareBytes > m_free) {
        m_needed = total;
        fail(run, m_zipfile,
             QStringLiteral("refused: %1 bytes to unpack, %2 free").arg(total).arg(m_free),
             FailureCode::DiskFull, Problem::DiskFull);
        return false;
    }
    return true;
}

// A disk that filled in the middle of a run: nothing of the run stays.
void cSHAREDUnzip2::takeBack(const Run &run)
{
    for (const QString &file : std::as_const(m_extracted))
        QFile::remove(file);
    m_extracted.clear();
    for (auto it = run.madeFolders.crbegin(); it != run.madeFolders.crend(); ++it)
        QDir().rmdir(*it);
}

bool cSHAREDUnzip2::Directory()
{
    m_files.clear();
    QString reason;
    Archive archive;
    archive.z = openArchive(m_zipfile, reason);
    if (!archive.z) {
        Trace::record(
            Failure(FailureCode::PathFileAccess, m_zipfile + QStringLiteral(": ") + reason),
            QStringLiteral("Directory"), kModule);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive.z, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.z, zip_uint64_t(i), 0, &st) != 0 || !st.name)
            continue;
        const QString name = QString::fromUtf8(st.name);
        const qsizetype slash = name.lastIndexOf(u'/');
        Entry e;
        e.name = name.mid(slash + 1);
        if (e.name.isEmpty())
            continue;
        e.directory = slash < 0 ? QString() : name.left(slash).replace(u'/', u'\\');
        e.size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        e.packedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? qint64(st.comp_size) : 0;
        e.method = (st.valid & ZIP_STAT_COMP_METHOD) ? methodName(st.comp_method) : QString();
        if (st.valid & ZIP_STAT_MTIME) {
            QDateTime date = QDateTime::fromSecsSinceEpoch(st.mtime);
            date.setTime(QTime(date.time().hour(), date.time().minute()));
            e.date = date;
        }
        e.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
        e.encrypted =
            (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
        m_files.append(e);
    }
    return true;
}

bool cSHAREDUnzip2::Unzip()
{
    m_extracted.clear();
    m_failures.clear();
    m_problem = Problem::None;
    m_needed = 0;
    m_free = 0;
    if (m_zipfile.isEmpty())
        return false;
    Run run;
    run.caseSensitive = m_caseSensitiveFileNames;
    const bool everySelected =
        std::all_of(m_files.cbegin(), m_files.cend(), [](const Entry &e) { return e.selected; });
    if (!everySelected) {
        run.allFiles = false;
        for (const Entry &e : std::as_const(m_files)) {
            if (!e.selected)
                continue;
            QString name = e.directory.isEmpty() ? e.name : e.directory + u'/' + e.name;
            run.include.insert(run.key(name.replace(u'\\', u'/')));
        }
        // The list has files and the caller deselected every one: nothing to do.
        if (run.include.isEmpty())
            return true;
    }
    const bool writing = !m_testZip && !m_extractToStdOut;
    if (writing && (m_unzipFolder.isEmpty() || !QDir().mkpath(m_unzipFolder))) {
        fail(run, m_zipfile, QStringLiteral("cannot make the folder \"%1\"").arg(m_unzipFolder),
             FailureCode::PathNotFound);
        return false;
    }
    QString reason;
    Archive archive;
    archive.z = openArchive(m_zipfile, reason);
    if (!archive.z) {
        fail(run, m_zipfile, reason, FailureCode::PathFileAccess);
        return false;
    }
    run.z = archive.z;
    qint64 total = 0;
    if (!withinLimits(run, total))
        return false;
    run.buffer.resize(kBufferSize);
    const zip_int64_t count = zip_get_num_entries(archive.z, 0);
    for (zip_int64_t i = 0; i < count && !run.cancelled; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.z, zip_uint64_t(i), 0, &st) != 0 || !st.name) {
            fail(run, QStringLiteral("#%1").arg(i), archiveError(archive.z),
                 FailureCode::PathFileAccess);
            continue;
        }
        const QString name = QString::fromUtf8(st.name);
        if (!run.wants(name))
            continue;
        bool cancel = false;
        emit Service(name, cancel);
        if (cancel || cancelRequested()) {
            run.cancelled = true;
            fail(run, name, QStringLiteral("cancelled"), FailureCode::InvalidCall,
                 Problem::Cancelled);
            break;
        }
        extractEntry(run, zip_uint64_t(i));
    }
    if (m_problem == Problem::DiskFull)
        takeBack(run);
    return !run.failed && !run.cancelled;
}

bool cSHAREDUnzip2::extractEntry(Run &run, quint64 index)
{
    zip_stat_t st;
    zip_stat_init(&st);
    zip_stat_index(run.z, index, 0, &st);
    const QString name = QString::fromUtf8(st.name);
    const bool writing = !m_testZip && !m_extractToStdOut;
    QString reason;
    QStringList parts = ZipEntryPath::split(name, &reason);
    if (parts.isEmpty()) {
        fail(run, name, QStringLiteral("refused: ") + reason, FailureCode::PathFileAccess);
        return false;
    }
    if (isSymbolicLink(run.z, index)) {
        fail(run, name, QStringLiteral("refused: a symbolic link"), FailureCode::PathFileAccess);
        return false;
    }
    if (name.endsWith(u'/')) {
        if (writing && m_useFolderNames
            && ZipEntryPath::prepare(m_unzipFolder, parts << QStringLiteral("."), &reason,
                                     &run.madeFolders)
                   .isEmpty()) {
            fail(run, name, reason, FailureCode::PathFileAccess);
            return false;
        }
        return true;
    }
    if (!m_useFolderNames)
        parts = QStringList { parts.last() };
    if (m_spaceToUnderScore) {
        for (QString &p : parts)
            p.replace(u' ', u'_');
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0)) {
        fail(run, name,
             QStringLiteral("unsupported compression method %1").arg(methodName(st.comp_method)),
             FailureCode::PropertyNotSupported);
        return false;
    }
    const bool encrypted =
        (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    if (encrypted && !zip_encryption_method_supported(st.encryption_method, 0)) {
        fail(run, name,
             QStringLiteral("unsupported encryption method %1").arg(st.encryption_method),
             FailureCode::PropertyNotSupported);
        return false;
    }
    if (!(st.valid & ZIP_STAT_SIZE)) {
        fail(run, name, QStringLiteral("the archive gives no size"), FailureCode::PathFileAccess);
        return false;
    }
    const qint64 declared = qint64(st.size);

    QString target;
    if (writing) {
        target = ZipEntryPath::prepare(m_unzipFolder, parts, &reason, &run.madeFolders);
        if (target.isEmpty()) {
            fail(run, name, reason, FailureCode::PathFileAccess);
            return false;
        }
        struct stat existing;
        if (::lstat(QFile::encodeName(target).constData(), &existing) == 0) {
            if (S_ISDIR(existing.st_mode)) {
                fail(run, name, QStringLiteral("a folder of that name is in the way"),
                     FailureCode::PathFileAccess);
                return false;
            }
            bool replace = m_overwriteExisting;
            if (m_extractOnlyNewer) {
                replace = (st.valid & ZIP_STAT_MTIME) && st.mtime > existing.st_mtime;
            } else if (!replace && run.overwriteAll) {
                replace = true;
            } else if (!replace && !run.overwriteNone && m_promptToOverwrite) {
                int answer = OverwriteNo;
                emit OverwritePrompt(target, answer);
                run.overwriteAll = answer == OverwriteAll;
                run.overwriteNone = answer == OverwriteNone;
                replace = answer == OverwriteYes || answer == OverwriteAll;
            }
            if (!replace) {
                text(QStringLiteral("skipping: %1 (already there)").arg(target), false);
                return true;
            }
        }
    }

    EntryStream stream;
    if (encrypted) {
        if (run.password.isEmpty()) {
            if (run.passwordAsked) {
                fail(run, name, QStringLiteral("no password"), FailureCode::PathFileAccess,
                     Problem::Password);
                return false;
            }
            run.passwordAsked = true;
            QString password;
            bool cancel = false;
            emit PasswordRequest(password, cancel);
            password = password.trimmed();
            if (cancel || password.isEmpty()) {
                fail(run, name, QStringLiteral("no password"), FailureCode::PathFileAccess,
                     Problem::Password);
                return false;
            }
            run.password = password.toUtf8().left(254);
        }
        stream.f = zip_fopen_index_encrypted(run.z, index, 0, run.password.constData());
    } else {
        stream.f = zip_fopen_index(run.z, index, 0);
    }
    if (!stream.f) {
        const int error = zip_error_code_zip(zip_get_error(run.z));
        fail(run, name, archiveError(run.z), FailureCode::PathFileAccess,
             error == ZIP_ER_WRONGPASSWD || error == ZIP_ER_NOPASSWD ? Problem::Password
                                                                     : Problem::Other);
        return false;
    }

    TempFile temp;
    int out = -1;
    if (writing) {
        temp.fd = createExclusive(temp.path, folderOf(target));
        if (temp.fd < 0) {
            const int err = errno;
            temp.path.clear();
            fail(run, name, QString::fromLocal8Bit(std::strerror(err)), failureCodeFromErrno(err));
            return false;
        }
        struct statvfs space;
        if (::fstatvfs(temp.fd, &space) == 0
            && quint64(declared) > quint64(space.f_bavail) * quint64(space.f_frsize)) {
            fail(run, name, QStringLiteral("not enough room on the disk"), FailureCode::DiskFull,
                 Problem::DiskFull);
            return false;
        }
        out = temp.fd;
    } else if (m_extractToStdOut) {
        std::fflush(stdout);
        out = STDOUT_FILENO;
    }

    qint64 total = 0;
    qint64 sinceService = 0;
    bool afterCR = false;
    for (;;) {
        if (cancelRequested()) {
            run.cancelled = true;
            fail(run, name, QStringLiteral("cancelled"), FailureCode::InvalidCall,
                 Problem::Cancelled);
            return false;
        }
        const zip_int64_t n = zip_fread(stream.f, run.buffer.data(), run.buffer.size());
        if (n < 0) {
            const int error = zip_error_code_zip(zip_file_get_error(stream.f));
            fail(run, name, QString::fromLocal8Bit(zip_file_strerror(stream.f)),
                 FailureCode::PathFileAccess,
                 encrypted && (error == ZIP_ER_WRONGPASSWD || error == ZIP_ER_CRC)
                     ? Problem::Password
                     : Problem::Other);
            return false;
        }
        if (n == 0)
            break;
        total += n;
        // A bomb or a forged header: never trust the data beyond what was declared.
        if (total > declared) {
            fail(run, name, QStringLiteral("more data than the archive declares"),
                 FailureCode::PathFileAccess);
            return false;
        }
        if (out >= 0) {
            const char *data = run.buffer.data();
            size_t size = size_t(n);
            if (m_convertCRToCRLF) {
                toCrLf(data, size, afterCR, run.converted);
                data = run.converted.data();
                size = run.converted.size();
            }
            if (!writeAll(out, data, size)) {
                const int err = errno == EFBIG ? ENOSPC : errno;
                fail(run, name, QString::fromLocal8Bit(std::strerror(err)),
                     failureCodeFromErrno(err),
                     err == ENOSPC || err == EDQUOT ? Problem::DiskFull : Problem::Other);
                return false;
            }
        }
        sinceService += n;
        if (sinceService >= kServiceEvery) {
            sinceService = 0;
            bool cancel = false;
            emit Service(name, cancel);
            if (cancel) {
                run.cancelled = true;
                fail(run, name, QStringLiteral("cancelled"), FailureCode::InvalidCall);
                return false;
            }
        }
    }
    if (total != declared) {
        fail(run, name, QStringLiteral("less data than the archive declares"),
             FailureCode::PathFileAccess);
        return false;
    }
    if (!writing) {
        text(QStringLiteral("OK: %1").arg(name), false);
        return true;
    }
    if (st.valid & ZIP_STAT_MTIME) {
        const struct timespec times[2] = { { st.mtime, 0 }, { st.mtime, 0 } };
        ::futimens(temp.fd, times);
    }
    const int fd = temp.fd;
    temp.fd = -1;
    if (::close(fd) != 0
        || ::rename(temp.path.constData(), QFile::encodeName(target).constData()) != 0) {
        const int err = errno;
        fail(run, name, QString::fromLocal8Bit(std::strerror(err)), failureCodeFromErrno(err),
             err == ENOSPC || err == EDQUOT ? Problem::DiskFull : Problem::Other);
        return false;
    }
    temp.renamed = true;
    m_extracted.append(target);
    text(QStringLiteral("inflating: %1").arg(target), false);
    return true;
}

void cSHAREDUnzip2::GetVersion(int &major, int &minor, int &revision, QString &date, QString &extra)
{
    const QString version = QString::fromLatin1(zip_libzip_version());
    static const QRegularExpression numbers(
        QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?(.*)$"));
    const QRegularExpressionMatch m = numbers.match(version);
    major = m.captured(1).toInt();
    minor = m.captured(2).toInt();
    revision = m.captured(3).toInt();
    date.clear();
    extra = m.captured(4).trimmed();
}
