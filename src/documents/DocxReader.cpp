#include "documents/DocxReader.h"

#include "documents/OfficeRelationships.h"
#include "documents/TextBuilder.h"
#include "documents/ZipArchiveReader.h"

#include <QHash>
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

// What a paragraph style says about its paragraphs.
struct Style
{
    int level = 0; // heading level, 0 for body text
    bool list = false;
    QString basedOn;
};

QHash<QString, Style> readStyles(const QByteArray &bytes)
{
    QHash<QString, Style> styles;
    QXmlStreamReader xml(bytes);
    QString id;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"style") {
            id = attributeOf(xml, QLatin1String("styleId"));
            styles.insert(id, {});
        } else if (id.isEmpty()) {
            continue;
        } else if (name == u"name") {
            const QString styleName = attributeOf(xml, QLatin1String("val")).toLower();
            if (styleName.startsWith(QLatin1String("heading "))) {
                const int n = styleName.mid(8).toInt();
                if (n >= 1 && n <= 9)
                    styles[id].level = n;
            } else if (styleName == u"title") {
                styles[id].level = 1;
            }
        } else if (name == u"outlineLvl") {
            const int n = attributeOf(xml, QLatin1String("val")).toInt();
            styles[id].level = n >= 0 && n <= 8 ? n + 1 : 0;
        } else if (name == u"numPr") {
            styles[id].list = true;
        } else if (name == u"basedOn") {
            styles[id].basedOn = attributeOf(xml, QLatin1String("val"));
        }
    }
    return styles;
}

// The style's own settings, else those of the styles it is based on (a chain that may
// loop, so walked a bounded number of steps).
Style resolvedStyle(const QHash<QString, Style> &styles, QString id)
{
    Style result;
    bool haveLevel = false;
    for (int step = 0; step < 16 && styles.contains(id); ++step) {
        const Style &s = styles[id];
        if (!haveLevel && s.level > 0) {
            result.level = s.level;
            haveLevel = true;
        }
        result.list = result.list || s.list;
        id = s.basedOn;
    }
    return result;
}

// Walks WordprocessingML body content into a TextBuilder.
class Body
{
public:
    Body(TextBuilder &out, const QHash<QString, Style> &styles, QHash<QString, int> &noteNumbers)
        : m_out(out)
        , m_styles(styles)
        , m_notes(noteNumbers)
    {
    }

    // Reads until the end of the element the reader is in (or of the document).
    void walk(QXmlStreamReader &xml);

private:
    struct Paragraph
    {
        bool started = false;
        QString style;
        int level = -1; // -1: from the style
        bool list = false;
        bool inProperties = false;
    };
    struct Table
    {
        int cell = 0;
        int cellParagraphs = 0;
    };

    void startElement(QXmlStreamReader &xml);
    void endElement(QStringView name);
    void ensureParagraph();

    TextBuilder &m_out;
    const QHash<QString, Style> &m_styles;
    QHash<QString, int> &m_notes;
    QList<Paragraph> m_paragraphs;
    QList<Table> m_tables;
    bool m_lastWasList = false;
    int m_inText = 0;
};

// Elements whose content is not current text: deletions, text moved away, field codes,
// the fallback copy of alternate content, run properties.
bool skipped(QStringView name)
{
    return name == u"del" || name == u"moveFrom" || name == u"instrText" || name == u"delInstrText"
        || name == u"Fallback" || name == u"rPr" || name == u"sectPr";
}

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
            ++depth;
            startElement(xml);
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth-- == 0)
                return;
            endElement(xml.name());
        } else if (token == QXmlStreamReader::Characters && m_inText > 0) {
            ensureParagraph();
            m_out.append(xml.text());
        }
    }
}

void Body::ensureParagraph()
{
    if (m_paragraphs.isEmpty() || m_paragraphs.back().started)
        return;
    Paragraph &p = m_paragraphs.back();
    p.started = true;
    const Style style = resolvedStyle(m_styles, p.style);
    const int level = p.level >= 0 ? p.level : style.level;
    const bool list = p.list || style.list;
    if (!m_tables.isEmpty()) {
        // Paragraphs of one cell read as one line of the row.
        if (m_tables.back().cellParagraphs++ > 0)
            m_out.append(u" ");
        return;
    }
    if (level > 0) {
        m_out.separate(TextBuilder::Break::Paragraph);
        m_out.beginHeading(level);
    } else {
        m_out.separate(list && m_lastWasList ? TextBuilder::Break::Line
                                             : TextBuilder::Break::Paragraph);
    }
    m_lastWasList = list;
}

void Body::startElement(QXmlStreamReader &xml)
{
    const QStringView name = xml.name();
    if (name == u"p") {
        m_paragraphs.append(Paragraph {});
        return;
    }
    Paragraph *p = m_paragraphs.isEmpty() ? nullptr : &m_paragraphs.back();
    if (p && p->inProperties) {
        if (name == u"pStyle")
            p->style = attributeOf(xml, QLatin1String("val"));
        else if (name == u"numId")
            p->list = attributeOf(xml, QLatin1String("val")) != u"0";
        else if (name == u"outlineLvl") {
            const int n = attributeOf(xml, QLatin1String("val")).toInt();
            p->level = n >= 0 && n <= 8 ? n + 1 : 0;
        }
        return;
    }
    if (name == u"pPr" && p) {
        p->inProperties = true;
    } else if (name == u"t") {
        ++m_inText;
    } else if (name == u"tab" && p) {
        ensureParagraph();
        m_out.append(u"\t");
    } else if ((name == u"br" || name == u"cr") && p) {
        ensureParagraph();
        m_out.lineBreak();
    } else if (name == u"noBreakHyphen" && p) {
        ensureParagraph();
        m_out.append(u"-");
    } else if (name == u"footnoteReference" || name == u"endnoteReference") {
        const QString key = name.toString() + attributeOf(xml, QLatin1String("id"));
        int number = m_notes.value(key);
        if (number == 0) {
            number = int(m_notes.size()) + 1;
            m_notes.insert(key, number);
        }
        ensureParagraph();
        m_out.append(QStringLiteral("[%1]").arg(number));
    } else if (name == u"tbl") {
        m_out.separate(TextBuilder::Break::Paragraph);
        m_tables.append(Table {});
        m_lastWasList = false;
    } else if (name == u"tr" && !m_tables.isEmpty()) {
        m_out.separate(TextBuilder::Break::Line);
        m_tables.back().cell = 0;
    } else if (name == u"tc" && !m_tables.isEmpty()) {
        if (m_tables.back().cell++ > 0)
            m_out.separate(TextBuilder::Break::Cell);
        m_tables.back().cellParagraphs = 0;
    }
}

void Body::endElement(QStringView name)
{
    if (name == u"p" && !m_paragraphs.isEmpty()) {
        if (m_paragraphs.back().started)
            m_out.endHeading();
        m_paragraphs.removeLast();
    } else if (name == u"pPr" && !m_paragraphs.isEmpty()) {
        m_paragraphs.back().inProperties = false;
    } else if (name == u"t") {
        m_inText = std::max(0, m_inText - 1);
    } else if (name == u"tbl" && !m_tables.isEmpty()) {
        m_tables.removeLast();
        m_out.separate(TextBuilder::Break::Paragraph);
    }
}

// The text of each footnote or endnote, by "footnoteReference<id>" or "endnoteReference<id>".
void readNotes(const QByteArray &bytes, const QString &kind, const QHash<QString, Style> &styles,
               QHash<QString, QString> &texts)
{
    QXmlStreamReader xml(bytes);
    const QString element = kind.left(kind.size() - 9); // "footnote" / "endnote"
    QHash<QString, int> nested; // references inside notes are not numbered again
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != element)
            continue;
        const QString type = attributeOf(xml, QLatin1String("type"));
        const QString id = attributeOf(xml, QLatin1String("id"));
        if (!type.isEmpty() && type != u"normal") {
            xml.skipCurrentElement();
            continue;
        }
        TextBuilder note;
        Body(note, styles, nested).walk(xml);
        texts.insert(kind + id, note.takeText().simplified());
    }
}

QString dublinCore(const QByteArray &core, QStringView element)
{
    QXmlStreamReader xml(core);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == element)
            return xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
    }
    return {};
}

} // namespace

FormatText DocxReader::fromParts(const Parts &parts)
{
    const QHash<QString, Style> styles = readStyles(parts.styles);
    TextBuilder out;
    QHash<QString, int> numbers;
    QXmlStreamReader xml(parts.document);
    Body(out, styles, numbers).walk(xml);
    const bool damaged = xml.hasError() && out.isEmpty();

    if (!numbers.isEmpty()) {
        QHash<QString, QString> texts;
        readNotes(parts.footnotes, QStringLiteral("footnoteReference"), styles, texts);
        readNotes(parts.endnotes, QStringLiteral("endnoteReference"), styles, texts);
        QList<std::pair<int, QString>> ordered;
        for (auto it = numbers.cbegin(); it != numbers.cend(); ++it)
            ordered.append({ it.value(), texts.value(it.key()) });
        std::sort(ordered.begin(), ordered.end());
        out.separate(TextBuilder::Break::Paragraph);
        for (const auto &[number, text] : ordered) {
            if (text.isEmpty())
                continue;
            out.append(QStringLiteral("[%1] ").arg(number) + text);
            out.separate(TextBuilder::Break::Line);
        }
    }

    FormatText result;
    result.text = out.takeText();
    result.headings = out.takeHeadings();
    result.title = dublinCore(parts.coreProperties, u"title");
    result.language = dublinCore(parts.coreProperties, u"language");
    if (damaged)
        return FormatText::failed(FormatText::Outcome::Damaged);
    if (result.text.isEmpty())
        return FormatText::failed(FormatText::Outcome::NoText);
    return result;
}

FormatText DocxReader::read(const QString &path)
{
    return ZipArchiveReader::withArchive(path, readArchive);
}

FormatText DocxReader::read(QByteArray bytes)
{
    return ZipArchiveReader::withArchive(std::move(bytes), readArchive);
}

FormatText DocxReader::readArchive(ZipArchiveReader &zip)
{
    // An encrypted Word file is no zip at all (an OLE container), so it fails on open.
    const QByteArray rootRels = zip.read(QStringLiteral("_rels/.rels"));
    QString main = OfficeRelationships::target(rootRels, QString(), u"officeDocument");
    if (main.isEmpty())
        main = QStringLiteral("word/document.xml");
    if (!zip.contains(main))
        return FormatText::failed(FormatText::Outcome::Damaged);

    Parts parts;
    parts.document = zip.read(main);
    if (parts.document.isEmpty())
        return zip.failed();
    const QByteArray rels = zip.read(OfficeRelationships::relsFor(main));
    auto part = [&](QStringView type) -> QByteArray {
        const QString name = OfficeRelationships::target(rels, main, type);
        return name.isEmpty() || !zip.contains(name) ? QByteArray() : zip.read(name);
    };
    parts.styles = part(u"styles");
    parts.footnotes = part(u"footnotes");
    parts.endnotes = part(u"endnotes");
    const QString core = OfficeRelationships::target(rootRels, QString(), u"core-properties");
    if (!core.isEmpty() && zip.contains(core))
        parts.coreProperties = zip.read(core);
    if (zip.outcome() == FormatText::Outcome::TooLarge)
        return FormatText::failed(zip.outcome());
    return fromParts(parts);
}
