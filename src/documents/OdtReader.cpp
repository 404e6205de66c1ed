#include "documents/OdtReader.h"

#include "documents/TextBuilder.h"
#include "documents/ZipArchiveReader.h"

#include <QList>
#include <QXmlStreamReader>

namespace {

QString attributeOf(const QXmlStreamReader &xml, QLatin1String localName)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == localName)
            return a.value().toString();
    }
    return {};
}

// Content that is not the document's current text: annotations, the deleted text kept
// for change tracking, frames (pictures, their captions, text boxes placed on the page),
// index templates and declarations.
bool skipped(QStringView name)
{
    return name == u"annotation" || name == u"tracked-changes" || name == u"frame"
        || name == u"table-of-content-source" || name == u"alphabetical-index-source"
        || name == u"illustration-index-source" || name == u"table-index-source"
        || name == u"object-index-source" || name == u"user-index-source"
        || name == u"bibliography-source" || name == u"sequence-decls" || name == u"variable-decls"
        || name == u"user-field-decls" || name == u"forms" || name == u"covered-table-cell"
        || name == u"note-citation";
}

class Body
{
public:
    struct Note
    {
        QString citation;
        QString text;
    };

    Body(TextBuilder &out, QList<Note> &notes)
        : m_out(out)
        , m_notes(notes)
    {
    }

    void walk(QXmlStreamReader &xml);

private:
    struct Table
    {
        int cell = 0;
        int cellParagraphs = 0;
    };

    void startElement(QXmlStreamReader &xml);
    void endElement(QStringView name);
    void characters(QStringView text);
    void startParagraph(int headingLevel);
    void note(QXmlStreamReader &xml);

    TextBuilder &m_out;
    QList<Note> &m_notes;
    QList<Table> m_tables;
    int m_listDepth = 0;
    bool m_lastWasListItem = false;
    int m_paragraphDepth = 0;
    bool m_lastSpace = true;
};

void Body::walk(QXmlStreamReader &xml)
{
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (skipped(xml.name())) {
                xml.skipCurrentElement();
                continue;
            }
            if (xml.name() == u"note") {
                note(xml);
                continue;
            }
            ++depth;
            startElement(xml);
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth-- == 0)
                return;
            endElement(xml.name());
        } else if (token == QXmlStreamReader::Characters && m_paragraphDepth > 0) {
            characters(xml.text());
        }
    }
}

void Body::characters(QStringView text)
{
    QString piece;
    piece.reserve(text.size());
    for (QChar c : text) {
        const bool blank = c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r');
        if (blank) {
            if (!m_lastSpace)
                piece += QLatin1Char(' ');
            m_lastSpace = true;
        } else {
            piece += c;
            m_lastSpace = false;
        }
    }
    m_out.append(piece);
}

void Body::startParagraph(int headingLevel)
{
    ++m_paragraphDepth;
    m_lastSpace = true;
    if (m_paragraphDepth > 1)
        return;
    if (!m_tables.isEmpty()) {
        if (m_tables.back().cellParagraphs++ > 0)
            m_out.append(u" ");
        return;
    }
    if (headingLevel > 0) {
        m_out.separate(TextBuilder::Break::Paragraph);
        m_out.beginHeading(headingLevel);
    } else if (m_listDepth > 0) {
        m_out.separate(m_lastWasListItem ? TextBuilder::Break::Line
                                         : TextBuilder::Break::Paragraph);
        m_lastWasListItem = true;
    } else {
        m_out.separate(TextBuilder::Break::Paragraph);
    }
}

void Body::startElement(QXmlStreamReader &xml)
{
    const QStringView name = xml.name();
    if (name == u"p") {
        startParagraph(0);
    } else if (name == u"h") {
        const int level = attributeOf(xml, QLatin1String("outline-level")).toInt();
        startParagraph(level > 0 ? level : 1);
    } else if (name == u"s" && m_paragraphDepth > 0) {
        const QString count = attributeOf(xml, QLatin1String("c"));
        // A count is at most a line's worth: a hostile one must not allocate gigabytes.
        const int n = count.isEmpty() ? 1 : std::clamp(count.toInt(), 0, 1000);
        m_out.append(QString(n, QLatin1Char(' ')));
        m_lastSpace = false;
    } else if (name == u"tab" && m_paragraphDepth > 0) {
        m_out.append(u"\t");
        m_lastSpace = false;
    } else if (name == u"line-break" && m_paragraphDepth > 0) {
        m_out.lineBreak();
        m_lastSpace = true;
    } else if (name == u"list") {
        if (m_listDepth++ == 0)
            m_lastWasListItem = false;
    } else if (name == u"table") {
        m_out.separate(TextBuilder::Break::Paragraph);
        m_tables.append(Table {});
    } else if (name == u"table-row" && !m_tables.isEmpty()) {
        m_out.separate(TextBuilder::Break::Line);
        m_tables.back().cell = 0;
    } else if (name == u"table-cell" && !m_tables.isEmpty()) {
        if (m_tables.back().cell++ > 0)
            m_out.separate(TextBuilder::Break::Cell);
        m_tables.back().cellParagraphs = 0;
    }
}

void Body::endElement(QStringView name)
{
    if ((name == u"p" || name == u"h") && m_paragraphDepth > 0) {
        if (--m_paragraphDepth == 0 && name == u"h")
            m_out.endHeading();
    } else if (name == u"list" && m_listDepth > 0) {
        if (--m_listDepth == 0) {
            m_lastWasListItem = false;
            m_out.separate(TextBuilder::Break::Paragraph);
        }
    } else if (name == u"table" && !m_tables.isEmpty()) {
        m_tables.removeLast();
        m_out.separate(TextBuilder::Break::Paragraph);
    }
}

// A note: its citation stays in the text as "[citation]", its body goes after the text.
void Body::note(QXmlStreamReader &xml)
{
    Note note;
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && depth-- == 0)
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        if (xml.name() == u"note-citation") {
            note.citation = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            --depth;
        } else if (xml.name() == u"note-body") {
            TextBuilder body;
            QList<Note> nested;
            Body(body, nested).walk(xml);
            --depth;
            note.text = body.takeText().simplified();
        }
    }
    if (note.citation.isEmpty())
        note.citation = QString::number(m_notes.size() + 1);
    m_out.append(QLatin1Char('[') + note.citation + QLatin1Char(']'));
    m_lastSpace = false;
    m_notes.append(note);
}

QString metaField(const QByteArray &meta, QStringView element)
{
    QXmlStreamReader xml(meta);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == element)
            return xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
    }
    return {};
}

// Whether the manifest declares content.xml encrypted (a password-protected document).
bool encryptedContent(const QByteArray &manifest)
{
    QXmlStreamReader xml(manifest);
    QString entry;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"file-entry")
            entry = attributeOf(xml, QLatin1String("full-path"));
        else if (xml.name() == u"encryption-data" && entry == u"content.xml")
            return true;
    }
    return false;
}

} // namespace

FormatText OdtReader::fromParts(const QByteArray &content, const QByteArray &meta)
{
    TextBuilder out;
    QList<Body::Note> notes;
    QXmlStreamReader xml(content);
    // Only the body's text: styles, fonts and scripts before it say nothing to read.
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"text"
            && xml.namespaceUri() == u"urn:oasis:names:tc:opendocument:xmlns:office:1.0") {
            Body(out, notes).walk(xml);
            break;
        }
    }
    const bool damaged = xml.hasError() && out.isEmpty();
    if (!notes.isEmpty()) {
        out.separate(TextBuilder::Break::Paragraph);
        for (const Body::Note &note : std::as_const(notes)) {
            out.append(QLatin1Char('[') + note.citation + QStringLiteral("] ") + note.text);
            out.separate(TextBuilder::Break::Line);
        }
    }
    FormatText result;
    result.text = out.takeText();
    result.headings = out.takeHeadings();
    result.title = metaField(meta, u"title");
    result.language = metaField(meta, u"language");
    if (damaged)
        return FormatText::failed(FormatText::Outcome::Damaged);
    if (result.text.isEmpty())
        return FormatText::failed(FormatText::Outcome::NoText);
    return result;
}

FormatText OdtReader::read(const QString &path)
{
    return ZipArchiveReader::withArchive(path, readArchive);
}

FormatText OdtReader::read(QByteArray bytes)
{
    return ZipArchiveReader::withArchive(std::move(bytes), readArchive);
}

FormatText OdtReader::readArchive(ZipArchiveReader &zip)
{
    const QString manifest = QStringLiteral("META-INF/manifest.xml");
    if (zip.contains(manifest) && encryptedContent(zip.read(manifest)))
        return FormatText::failed(FormatText::Outcome::Protected);
    const QString contentName = QStringLiteral("content.xml");
    if (!zip.contains(contentName))
        return FormatText::failed(FormatText::Outcome::Damaged);
    const QByteArray content = zip.read(contentName);
    if (content.isEmpty())
        return zip.failed();
    const QString metaName = QStringLiteral("meta.xml");
    const QByteArray meta = zip.contains(metaName) ? zip.read(metaName) : QByteArray();
    return fromParts(content, meta);
}
