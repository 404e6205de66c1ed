#include "documents/EpubNavigation.h"

#include "documents/ZipArchiveReader.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Depth of nested lists is bounded, so a hostile toc cannot make levels meaningless.
constexpr int kMaxLevel = 9;

EpubNavigation::Point pointTo(const QString &label, int level, const QString &from,
                              const QString &href)
{
    EpubNavigation::Point point;
    point.label = label.simplified();
    point.level = std::clamp(level, 1, kMaxLevel);
    point.path = ZipArchiveReader::resolve(from, href);
    const qsizetype hash = href.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        point.fragment = href.sliced(hash + 1);
    return point;
}

bool isTocNav(const QXmlStreamReader &xml)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == u"type"
            && a.value().split(u' ', Qt::SkipEmptyParts).contains(QStringView(u"toc")))
            return true;
    }
    return false;
}

} // namespace

QList<EpubNavigation::Point> EpubNavigation::fromNav(const QByteArray &xhtml,
                                                     const QString &navPath)
{
    QList<Point> points;
    QXmlStreamReader xml(xhtml);
    int navDepth = 0; // > 0 inside the toc nav
    int listDepth = 0;
    // The label being collected: the text of an <a> or an unlinked <span> heading.
    int labelDepth = 0;
    QString label;
    QString href;
    int elementDepth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++elementDepth;
            if (navDepth == 0) {
                if (xml.name() == u"nav" && isTocNav(xml))
                    navDepth = elementDepth;
                continue;
            }
            if (xml.name() == u"ol" || xml.name() == u"ul") {
                ++listDepth;
            } else if (labelDepth == 0 && (xml.name() == u"a" || xml.name() == u"span")) {
                labelDepth = elementDepth;
                label.clear();
                href = xml.attributes().value(QLatin1String("href")).toString();
            } else if (labelDepth > 0 && xml.name() == u"img") {
                label += xml.attributes().value(QLatin1String("alt"));
            }
        } else if (token == QXmlStreamReader::Characters) {
            if (labelDepth > 0)
                label += xml.text();
        } else if (token == QXmlStreamReader::EndElement) {
            if (navDepth > 0 && elementDepth == labelDepth) {
                labelDepth = 0;
                // Unlinked headings group entries but lead nowhere to read from.
                if (!href.isEmpty())
                    points.append(pointTo(label, listDepth, navPath, href));
            } else if (navDepth > 0 && (xml.name() == u"ol" || xml.name() == u"ul")) {
                --listDepth;
            } else if (elementDepth == navDepth) {
                // Only the first toc nav counts.
                break;
            }
            --elementDepth;
        }
    }
    return points;
}

QList<EpubNavigation::Point> EpubNavigation::fromNcx(const QByteArray &ncx, const QString &ncxPath)
{
    QList<Point> points;
    QXmlStreamReader xml(ncx);
    int depth = 0;
    // Each navPoint's label comes before its content; the point is added at its content.
    QString label;
    bool inMap = false;
    bool inLabel = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"navMap")
                inMap = true;
            else if (!inMap)
                continue;
            else if (xml.name() == u"navPoint") {
                ++depth;
                label.clear();
            } else if (xml.name() == u"navLabel")
                inLabel = true;
            else if (xml.name() == u"text" && inLabel)
                label += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == u"content" && depth > 0)
                points.append(pointTo(label, depth, ncxPath,
                                      xml.attributes().value(QLatin1String("src")).toString()));
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == u"navPoint")
                --depth;
            else if (xml.name() == u"navLabel")
                inLabel = false;
            else if (xml.name() == u"navMap")
                break;
        }
    }
    return points;
}
