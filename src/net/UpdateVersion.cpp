#include "net/UpdateVersion.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

// The digits a part starts with (after blanks) and what follows them. False when the
// number does not fit in 16 bits.
bool leadingNumber(const QString &part, qint16 &number, QString &rest)
{
    qsizetype at = 0;
    while (at < part.size() && part.at(at).isSpace())
        ++at;
    const qsizetype start = at;
    while (at < part.size() && part.at(at) >= QLatin1Char('0') && part.at(at) <= QLatin1Char('9'))
        ++at;
    rest = part.mid(at);
    if (at == start) {
        number = 0;
        return true;
    }
    bool ok = false;
    const qlonglong value = part.mid(start, at - start).toLongLong(&ok);
    if (!ok || value > std::numeric_limits<qint16>::max())
        return false;
    number = qint16(value);
    return true;
}

bool digitLed(const QString &suffix)
{
    return !suffix.isEmpty() && suffix.front().isDigit();
}

bool isSuffix(const QString &suffix)
{
    if (suffix.size() > UpdateVersion::MaxSuffixChars)
        return false;
    return std::all_of(suffix.cbegin(), suffix.cend(), [](QChar c) {
        return (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == QLatin1Char('-')
            || c == QLatin1Char('_') || c == QLatin1Char('+') || c == QLatin1Char('~');
    });
}

} // namespace

QString VersionRecord::text() const
{
    return QStringLiteral("%1.%2.%3%4%5")
        .arg(major)
        .arg(minor)
        .arg(revision)
        .arg(digitLed(suffix) ? QStringLiteral(" ") : QString(), suffix);
}

QString VersionRecord::compact() const
{
    return QStringLiteral("%1%2%3%4%5")
        .arg(major)
        .arg(minor)
        .arg(revision)
        .arg(digitLed(suffix) ? QStringLiteral("%20") : QString(), suffix);
}

namespace UpdateVersion {

bool ExtractVersionFromAppVer(const QString &text, VersionRecord &record)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() < 3)
        return false;
    VersionRecord read;
    QString ignored;
    QString suffix;
    if (!leadingNumber(parts.at(0), read.major, ignored)
        || !leadingNumber(parts.at(1), read.minor, ignored)
        || !leadingNumber(parts.at(2), read.revision, suffix))
        return false;
    // What follows the revision's own digits, so "01b" gives "b", and a blank after the
    // number is no suffix that would make the same version look newer.
    read.suffix = suffix.trimmed();
    if (!isSuffix(read.suffix))
        return false;
    record = read;
    return true;
}

bool ExtractVersionFromWebFile(const QString &DataString, VersionFile &file)
{
    file = VersionFile();
    if (DataString.size() > MaxVersionFileBytes)
        return false;
    const QStringList pieces = DataString.split(QLatin1Char('\n'));
    if (pieces.size() < 2)
        return false;
    QString first = pieces.at(0);
    first.remove(QLatin1Char('\r'));
    VersionRecord version;
    if (first.size() > MaxVersionLineChars || !ExtractVersionFromAppVer(first, version))
        return false;
    file.version = version;
    file.DownloadURL = pieces.at(1);
    file.DownloadURL.remove(QLatin1Char('\r'));
    file.DownloadURL = file.DownloadURL.trimmed();
    // Bounded as it will be fetched: "@@@" grows by up to the version's length.
    file.DownloadURL.replace(QStringLiteral("@@@"), version.compact());
    if (file.DownloadURL.size() > MaxAddressChars) {
        file = VersionFile();
        return false;
    }
    if (pieces.size() > 2) {
        const QString third = pieces.at(2).trimmed();
        const QLatin1String key("sha256=");
        // A value that is no checksum still counts as one: no package can match it, so
        // a garbled line refuses the package instead of letting it through unchecked.
        if (third.startsWith(key, Qt::CaseInsensitive)) {
            file.hasChecksum = true;
            file.sha256 = third.mid(key.size()).trimmed().toLower();
        }
    }
    return true;
}

bool IsNewer(const VersionRecord &latest, const VersionRecord &running)
{
    if (latest.major != running.major)
        return latest.major > running.major;
    if (latest.minor != running.minor)
        return latest.minor > running.minor;
    if (latest.revision != running.revision)
        return latest.revision > running.revision;
    return QString::compare(latest.suffix, running.suffix, Qt::CaseSensitive) > 0;
}

} // namespace UpdateVersion
