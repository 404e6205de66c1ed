#include "documents/ZipArchiveReader.h"

#include <QFile>
#include <QUrl>

#include <zip.h>

struct ZipArchiveReader::Archive
{
    zip_t *zip = nullptr;
    ~Archive()
    {
        if (zip)
            zip_discard(zip);
    }
};

ZipArchiveReader::ZipArchiveReader() = default;

ZipArchiveReader::ZipArchiveReader(const Limits &limits)
    : m_limits(limits)
{
}

ZipArchiveReader::~ZipArchiveReader() = default;

bool ZipArchiveReader::fail(FormatText::Outcome outcome)
{
    m_outcome = outcome;
    m_failure = FormatText::messageFor(outcome);
    return false;
}

bool ZipArchiveReader::openFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(FormatText::Outcome::Unreadable);
    if (file.size() > m_limits.archiveBytes)
        return fail(FormatText::Outcome::TooLarge);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(FormatText::Outcome::Unreadable);
    return open(std::move(bytes));
}

bool ZipArchiveReader::open(QByteArray bytes)
{
    m_archive.reset();
    m_names.clear();
    m_index.clear();
    m_folded.clear();
    m_unpacked = 0;
    m_failure.clear();
    m_outcome = FormatText::Outcome::Read;
    if (bytes.size() > m_limits.archiveBytes)
        return fail(FormatText::Outcome::TooLarge);
    // libzip takes no bytes for an archive of no entries; no document is that.
    if (bytes.isEmpty())
        return fail(FormatText::Outcome::Damaged);
    m_bytes = std::move(bytes);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source =
        zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return fail(FormatText::Outcome::Damaged);
    }
    zip_t *zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!zip) {
        zip_source_free(source);
        return fail(FormatText::Outcome::Damaged);
    }
    m_archive = std::make_unique<Archive>();
    m_archive->zip = zip;

    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 0)
        return fail(FormatText::Outcome::Damaged);
    if (count > m_limits.entries)
        return fail(FormatText::Outcome::TooLarge);
    m_names.reserve(count);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *raw = zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        m_names.append(name);
        // The first of two entries with one name wins, as readers of these formats do.
        if (!name.isEmpty()) {
            m_index.insert(name, i);
            m_folded.insert(name.toCaseFolded(), i);
        }
    }
    return true;
}

qint64 ZipArchiveReader::indexOf(const QString &name) const
{
    if (!m_archive || name.isEmpty())
        return -1;
    if (const auto it = m_index.constFind(name); it != m_index.cend())
        return *it;
    if (const auto it = m_folded.constFind(name.toCaseFolded()); it != m_folded.cend())
        return *it;
    return -1;
}

QByteArray ZipArchiveReader::read(const QString &name)
{
    m_failure.clear();
    m_outcome = FormatText::Outcome::Read;
    const qint64 index = indexOf(name);
    if (index < 0) {
        fail(FormatText::Outcome::Damaged);
        return {};
    }
    zip_t *zip = m_archive->zip;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, zip_uint64_t(index), 0, &stat) != 0) {
        fail(FormatText::Outcome::Damaged);
        return {};
    }
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
        fail(FormatText::Outcome::Protected);
        return {};
    }
    // The declared sizes are only claims: the loop below counts what really comes out.
    if ((stat.valid & ZIP_STAT_SIZE) && qint64(stat.size) > m_limits.entryBytes) {
        fail(FormatText::Outcome::TooLarge);
        return {};
    }
    const qint64 packed = (stat.valid & ZIP_STAT_COMP_SIZE) ? qint64(stat.comp_size) : 0;
    const qint64 ratioCap = std::max(m_limits.ratioFloor, packed * m_limits.ratio);
    const qint64 cap =
        std::min({ m_limits.entryBytes, ratioCap, m_limits.totalBytes - m_unpacked });

    zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(index), 0);
    if (!file) {
        fail(FormatText::Outcome::Damaged);
        return {};
    }
    QByteArray out;
    if ((stat.valid & ZIP_STAT_SIZE) && qint64(stat.size) <= cap)
        out.reserve(qsizetype(stat.size));
    char chunk[64 * 1024];
    bool ok = true;
    while (true) {
        const zip_int64_t got = zip_fread(file, chunk, sizeof chunk);
        if (got < 0) {
            ok = fail(FormatText::Outcome::Damaged);
            break;
        }
        if (got == 0)
            break;
        if (out.size() + got > cap) {
            ok = fail(FormatText::Outcome::TooLarge);
            break;
        }
        out.append(chunk, qsizetype(got));
    }
    zip_fclose(file);
    if (!ok)
        return {};
    m_unpacked += out.size();
    return out;
}

QString ZipArchiveReader::resolve(const QString &fromEntry, const QString &href)
{
    QString path = href.trimmed();
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == QLatin1Char('#') || path[i] == QLatin1Char('?')) {
            path.truncate(i);
            break;
        }
    }
    if (path.isEmpty())
        return {};
    // A scheme ("http:", "file:", "C:") names something outside the book.
    const qsizetype colon = path.indexOf(QLatin1Char(':'));
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    if (colon >= 0 && (slash < 0 || colon < slash))
        return {};
    path = QUrl::fromPercentEncoding(path.toUtf8());
    if (path.contains(QLatin1Char('\\')) || path.contains(QChar(0)))
        return {};

    // The referring document's folder, then the reference, walked as one path from the
    // root: a ".." that would climb above the root ends the walk.
    QString whole = path;
    if (!path.startsWith(QLatin1Char('/'))) {
        const qsizetype folderEnd = fromEntry.lastIndexOf(QLatin1Char('/'));
        if (folderEnd >= 0)
            whole = fromEntry.first(folderEnd + 1) + path;
    }
    QStringList parts;
    for (const QString &part : whole.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.isEmpty())
                return {};
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}
