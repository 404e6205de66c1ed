#include "documents/EpubPackage.h"

#include "documents/ZipArchiveReader.h"

#include <QSet>
#include <QXmlStreamReader>

namespace {

QString attribute(const QXmlStreamReader &xml, QLatin1String name)
{
    return xml.attributes().value(name).toString();
}

} // namespace

QString EpubPackage::rootfilePath(const QByteArray &containerXml)
{
    QXmlStreamReader xml(containerXml);
    QString first;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"rootfile")
            continue;
        const QString path =
            ZipArchiveReader::resolve(QString(), attribute(xml, QLatin1String("full-path")));
        if (path.isEmpty())
            continue;
        if (attribute(xml, QLatin1String("media-type")) == u"application/oebps-package+xml")
            return path;
        if (first.isEmpty())
            first = path;
    }
    return first;
}

QStringList EpubPackage::encryptedEntries(const QByteArray &encryptionXml)
{
    // IDPF font obfuscation and its older Adobe form only scramble the start of a font.
    static const QSet<QString> obfuscation {
        QStringLiteral("http://www.idpf.org/2008/embedding"),
        QStringLiteral("http://ns.adobe.com/pdf/enc#RC"),
    };
    QStringList entries;
    QXmlStreamReader xml(encryptionXml);
    QString algorithm;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"EncryptedData")
                algorithm.clear();
            else if (xml.name() == u"EncryptionMethod")
                algorithm = attribute(xml, QLatin1String("Algorithm"));
            else if (xml.name() == u"CipherReference" && !obfuscation.contains(algorithm)) {
                const QString path =
                    ZipArchiveReader::resolve(QString(), attribute(xml, QLatin1String("URI")));
                if (!path.isEmpty())
                    entries.append(path);
            }
        }
    }
    return entries;
}

bool EpubPackage::parse(const QByteArray &opf, const QString &opfPath)
{
    QXmlStreamReader xml(opf);
    bool inMetadata = false;
    bool sawSpine = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"metadata")
            inMetadata = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"package") {
            m_version = attribute(xml, QLatin1String("version"));
        } else if (name == u"metadata") {
            inMetadata = true;
        } else if (inMetadata && (name == u"title" || name == u"language")
                   && xml.namespaceUri() == u"http://purl.org/dc/elements/1.1/") {
            QString &field = name == u"title" ? m_title : m_language;
            const QString value =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
            if (field.isEmpty())
                field = value;
        } else if (name == u"item") {
            const QString id = attribute(xml, QLatin1String("id"));
            if (id.isEmpty() || m_items.contains(id))
                continue;
            m_items.insert(
                id,
                { ZipArchiveReader::resolve(opfPath, attribute(xml, QLatin1String("href"))),
                  attribute(xml, QLatin1String("media-type")),
                  attribute(xml, QLatin1String("properties")),
                  attribute(xml, QLatin1String("fallback")) });
        } else if (name == u"spine") {
            sawSpine = true;
            m_ncxId = attribute(xml, QLatin1String("toc"));
        } else if (name == u"itemref") {
            m_spine.append({ attribute(xml, QLatin1String("idref")),
                             attribute(xml, QLatin1String("linear")) != u"no" });
        }
    }
    return sawSpine;
}

QString EpubPackage::navigationPath() const
{
    for (const Item &item : m_items) {
        if (item.properties.split(QLatin1Char(' '), Qt::SkipEmptyParts)
                .contains(QLatin1String("nav")))
            return item.path;
    }
    return {};
}

QString EpubPackage::ncxPath() const
{
    if (const auto it = m_items.constFind(m_ncxId); it != m_items.cend())
        return it->path;
    for (const Item &item : m_items) {
        if (item.mediaType == u"application/x-dtbncx+xml")
            return item.path;
    }
    return {};
}

bool EpubPackage::isHtml(const QString &mediaType)
{
    return mediaType == u"application/xhtml+xml" || mediaType == u"text/html"
        || mediaType == u"application/x-dtbook+xml";
}

QString EpubPackage::documentFor(const QString &idref) const
{
    QString id = idref;
    // A fallback chain may loop; it is never longer than the manifest.
    for (qsizetype step = 0; step <= m_items.size(); ++step) {
        const auto it = m_items.constFind(id);
        if (it == m_items.cend())
            return {};
        if (isHtml(it->mediaType))
            return it->path;
        id = it->fallback;
    }
    return {};
}
