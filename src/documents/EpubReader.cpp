#include "documents/EpubReader.h"

#include "documents/EpubNavigation.h"
#include "documents/EpubPackage.h"
#include "documents/TextDecoding.h"
#include "documents/ZipArchiveReader.h"
#include "documents/cSharedHTML.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// Anchors ride through the HTML conversion as private-use characters around their number:
// text like any other to the conversion, and stripped from the source beforehand so a
// book cannot forge one.
constexpr char16_t kAnchorOpen = 0xE000;
constexpr char16_t kAnchorClose = 0xE001;
// How far past an anchored element's tag its first text is looked for.
constexpr qsizetype kAnchorReach = 64 * 1024;

// Where the first text after position `from` begins, past blanks and tags.
qsizetype firstTextAfter(QStringView html, qsizetype from)
{
    const qsizetype limit = std::min(html.size(), from + kAnchorReach);
    qsizetype i = from;
    while (i < limit) {
        if (html[i].isSpace()) {
            ++i;
        } else if (html[i] == QLatin1Char('<')) {
            const qsizetype gt = html.indexOf(QLatin1Char('>'), i);
            if (gt < 0 || gt >= limit)
                return from;
            i = gt + 1;
        } else {
            return i;
        }
    }
    return from;
}

// Puts anchor k before the first text of each element whose id is wanted[k], in one pass
// over the source.
QString insertAnchors(const QString &html, const QHash<QString, int> &wanted)
{
    if (wanted.isEmpty())
        return html;
    const QStringView in(html);
    QList<std::pair<qsizetype, int>> inserts;
    QSet<int> placed;
    for (qsizetype at = in.indexOf(u"id", 0); at >= 0; at = in.indexOf(u"id", at + 2)) {
        if (at == 0 || !in[at - 1].isSpace())
            continue;
        qsizetype p = at + 2;
        while (p < in.size() && in[p].isSpace())
            ++p;
        if (p >= in.size() || in[p] != QLatin1Char('='))
            continue;
        ++p;
        while (p < in.size() && in[p].isSpace())
            ++p;
        if (p >= in.size() || (in[p] != QLatin1Char('"') && in[p] != QLatin1Char('\'')))
            continue;
        const qsizetype close = in.indexOf(in[p], p + 1);
        if (close < 0)
            break;
        const auto it = wanted.constFind(in.sliced(p + 1, close - p - 1).toString());
        if (it == wanted.cend() || placed.contains(*it))
            continue;
        const qsizetype gt = in.indexOf(QLatin1Char('>'), close);
        if (gt < 0)
            break;
        placed.insert(*it);
        inserts.append({ firstTextAfter(in, gt + 1), *it });
    }
    std::stable_sort(inserts.begin(), inserts.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QString out;
    out.reserve(html.size() + inserts.size() * 8);
    qsizetype from = 0;
    for (const auto &[pos, k] : inserts) {
        out.append(in.sliced(from, pos - from));
        out += QChar(kAnchorOpen) + QString::number(k) + QChar(kAnchorClose);
        from = pos;
    }
    out.append(in.sliced(from));
    return out;
}

// Ruby annotations (<rt>, <rp>) are pronunciation guides: read, they would say every
// annotated word twice.
void dropRubyText(QString &html)
{
    for (const QString &tag : { QStringLiteral("rt"), QStringLiteral("rp") }) {
        const QString open = QLatin1Char('<') + tag;
        const QString close = QStringLiteral("</") + tag + QLatin1Char('>');
        QString out;
        qsizetype from = 0;
        for (qsizetype at = html.indexOf(open, 0, Qt::CaseInsensitive); at >= 0;
             at = html.indexOf(open, from, Qt::CaseInsensitive)) {
            const QChar next = at + open.size() < html.size() ? html[at + open.size()] : QChar();
            if (next != QLatin1Char('>') && !next.isSpace()) {
                out.append(QStringView(html).sliced(from, at + 1 - from));
                from = at + 1;
                continue;
            }
            const qsizetype end = html.indexOf(close, at, Qt::CaseInsensitive);
            if (end < 0)
                break;
            out.append(QStringView(html).sliced(from, at - from));
            from = end + close.size();
        }
        if (from > 0) {
            out.append(QStringView(html).sliced(from));
            html = std::move(out);
        }
    }
}

// The document's text with LF line ends, and where each anchor landed in it.
QString documentText(const QByteArray &bytes, const QHash<QString, int> &wanted,
                     QHash<int, qsizetype> &anchors)
{
    QString html = TextDecoding::decodeDocument(bytes);
    html.remove(QChar(kAnchorOpen));
    html.remove(QChar(kAnchorClose));
    if (html.contains(QLatin1String("<r"), Qt::CaseInsensitive))
        dropRubyText(html);
    html = insertAnchors(html, wanted);
    cSharedHTML::HtmlToPlainText(html);

    QString out;
    out.reserve(html.size());
    const QStringView in(html);
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 >= in.size() || in[i + 1] != QLatin1Char('\n'))
                out += QLatin1Char('\n');
        } else if (c == QChar(kAnchorOpen)) {
            const qsizetype end = in.indexOf(QChar(kAnchorClose), i);
            if (end < 0)
                continue;
            anchors.insert(in.sliced(i + 1, end - i - 1).toInt(), out.size());
            i = end;
        } else {
            out += c;
        }
    }
    // The conversion trims separators, not the blanks of the source around the text.
    qsizetype lead = 0;
    while (lead < out.size() && out[lead].isSpace())
        ++lead;
    if (lead > 0) {
        out.remove(0, lead);
        for (qsizetype &pos : anchors)
            pos = std::max<qsizetype>(0, pos - lead);
    }
    while (!out.isEmpty() && out.back().isSpace())
        out.chop(1);
    for (qsizetype &pos : anchors)
        pos = std::min(pos, out.size());
    return out;
}

} // namespace

FormatText EpubReader::read(const QString &path)
{
    return ZipArchiveReader::withArchive(
        path, [this](ZipArchiveReader &zip) { return readArchive(zip); });
}

FormatText EpubReader::read(QByteArray bytes)
{
    return ZipArchiveReader::withArchive(
        std::move(bytes), [this](ZipArchiveReader &zip) { return readArchive(zip); });
}

FormatText EpubReader::readArchive(ZipArchiveReader &zip)
{
    m_order.clear();
    if (!zip.contains(QStringLiteral("META-INF/container.xml")))
        return FormatText::failed(FormatText::Outcome::Damaged);
    const QByteArray container = zip.read(QStringLiteral("META-INF/container.xml"));
    if (container.isEmpty())
        return zip.failed();
    const QString opfPath = EpubPackage::rootfilePath(container);
    if (!zip.contains(opfPath))
        return FormatText::failed(FormatText::Outcome::Damaged);
    const QByteArray opf = zip.read(opfPath);
    EpubPackage package;
    if (opf.isEmpty() || !package.parse(opf, opfPath))
        return zip.failed();

    // The reading order: linear documents, then the non-linear ones, each once.
    QStringList order;
    QSet<QString> seen;
    for (bool linear : { true, false }) {
        for (const EpubPackage::SpineEntry &entry : package.spine()) {
            if (entry.linear != linear)
                continue;
            const QString path = package.documentFor(entry.idref);
            if (!path.isEmpty() && zip.contains(path) && !seen.contains(path)) {
                seen.insert(path);
                order.append(path);
            }
        }
    }

    if (zip.contains(QStringLiteral("META-INF/encryption.xml"))) {
        const QByteArray encryption = zip.read(QStringLiteral("META-INF/encryption.xml"));
        for (const QString &entry : EpubPackage::encryptedEntries(encryption)) {
            if (seen.contains(entry))
                return FormatText::failed(FormatText::Outcome::Protected);
        }
    }

    QList<EpubNavigation::Point> points;
    const QString navPath = package.navigationPath();
    if (!navPath.isEmpty() && zip.contains(navPath))
        points = EpubNavigation::fromNav(zip.read(navPath), navPath);
    const QString ncxPath = package.ncxPath();
    if (points.isEmpty() && !ncxPath.isEmpty() && zip.contains(ncxPath))
        points = EpubNavigation::fromNcx(zip.read(ncxPath), ncxPath);
    QHash<QString, QHash<QString, int>> wanted; // document -> fragment -> point
    for (qsizetype k = 0; k < points.size(); ++k) {
        if (!points[k].fragment.isEmpty())
            wanted[points[k].path].insert(points[k].fragment, int(k));
    }

    FormatText result;
    result.title = package.title();
    result.language = package.language();
    QHash<QString, qsizetype> documentStart;
    QHash<int, qsizetype> pointAt;
    for (const QString &path : std::as_const(order)) {
        const QByteArray bytes = zip.read(path);
        if (bytes.isEmpty() && !zip.failure().isEmpty())
            return zip.failed();
        QHash<int, qsizetype> anchors;
        const QString text = documentText(bytes, wanted.value(path), anchors);
        if (!text.isEmpty() && !result.text.isEmpty())
            result.text += QLatin1String("\n\n");
        documentStart.insert(path, result.text.size());
        for (auto it = anchors.cbegin(); it != anchors.cend(); ++it)
            pointAt.insert(it.key(), result.text.size() + it.value());
        result.text += text;
        m_order.append(path);
    }

    for (qsizetype k = 0; k < points.size(); ++k) {
        const EpubNavigation::Point &point = points[k];
        qsizetype position = pointAt.value(int(k), -1);
        if (position < 0)
            position = documentStart.value(point.path, -1);
        if (position < 0 || point.label.isEmpty())
            continue;
        result.headings.append({ point.label, point.level, position });
    }
    std::stable_sort(
        result.headings.begin(), result.headings.end(),
        [](const FormatHeading &a, const FormatHeading &b) { return a.position < b.position; });

    if (result.text.isEmpty())
        return FormatText::failed(FormatText::Outcome::NoText);
    return result;
}
