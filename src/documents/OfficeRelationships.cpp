#include "documents/OfficeRelationships.h"

#include "documents/ZipArchiveReader.h"

#include <QXmlStreamReader>

namespace OfficeRelationships {

QString target(const QByteArray &rels, const QString &ofPart, QStringView type)
{
    QXmlStreamReader xml(rels);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView kind = a.value(QLatin1String("Type"));
        if (a.value(QLatin1String("TargetMode")) == u"External")
            continue;
        if (!kind.endsWith(type) || kind.size() <= type.size()
            || kind[kind.size() - type.size() - 1] != QLatin1Char('/'))
            continue;
        return ZipArchiveReader::resolve(ofPart, a.value(QLatin1String("Target")).toString());
    }
    return {};
}

QString relsFor(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return part.first(slash + 1) + QStringLiteral("_rels/") + part.sliced(slash + 1)
        + QStringLiteral(".rels");
}

} // namespace OfficeRelationships
