#include "documents/MarkdownReader.h"

#include "documents/TextBuilder.h"
#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include <QFile>

#include <md4c.h>

namespace {

// Files larger than this are not Markdown anyone reads aloud; the bound keeps a hostile
// file from taking the parser's time and memory.
constexpr qint64 kMaxBytes = 64LL << 20;

struct Renderer
{
    TextBuilder out;
    int imageDepth = 0;
    bool inHtmlBlock = false;
    QString html;
    // Per open list: whether an item of it has been written.
    QList<bool> lists;
};

int enterBlock(MD_BLOCKTYPE type, void *detail, void *user)
{
    auto &r = *static_cast<Renderer *>(user);
    switch (type) {
    case MD_BLOCK_H:
        r.out.separate(TextBuilder::Break::Paragraph);
        r.out.beginHeading(int(static_cast<MD_BLOCK_H_DETAIL *>(detail)->level));
        break;
    case MD_BLOCK_UL:
    case MD_BLOCK_OL:
        r.out.separate(TextBuilder::Break::Paragraph);
        r.lists.append(false);
        break;
    case MD_BLOCK_LI:
        r.out.separate(TextBuilder::Break::Line);
        break;
    case MD_BLOCK_P:
        // Paragraphs of a loose list item stay on the item's lines.
        r.out.separate(r.lists.isEmpty() ? TextBuilder::Break::Paragraph
                                         : TextBuilder::Break::Line);
        break;
    case MD_BLOCK_TR:
        r.out.separate(TextBuilder::Break::Line);
        break;
    case MD_BLOCK_TH:
    case MD_BLOCK_TD:
        // The first cell of a row follows the row's line break, which is stronger.
        r.out.separate(TextBuilder::Break::Cell);
        break;
    case MD_BLOCK_HTML:
        r.out.separate(TextBuilder::Break::Paragraph);
        r.inHtmlBlock = true;
        r.html.clear();
        break;
    case MD_BLOCK_DOC:
    case MD_BLOCK_THEAD:
    case MD_BLOCK_TBODY:
        break;
    default: // quotes, code, rules, tables
        r.out.separate(TextBuilder::Break::Paragraph);
        break;
    }
    return 0;
}

int leaveBlock(MD_BLOCKTYPE type, void *, void *user)
{
    auto &r = *static_cast<Renderer *>(user);
    switch (type) {
    case MD_BLOCK_H:
        r.out.endHeading();
        r.out.separate(TextBuilder::Break::Paragraph);
        break;
    case MD_BLOCK_UL:
    case MD_BLOCK_OL:
        if (!r.lists.isEmpty())
            r.lists.removeLast();
        r.out.separate(r.lists.isEmpty() ? TextBuilder::Break::Paragraph
                                         : TextBuilder::Break::Line);
        break;
    case MD_BLOCK_HTML: {
        r.inHtmlBlock = false;
        cSharedHTML::HtmlToPlainText(r.html);
        r.html.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        r.out.append(r.html);
        r.out.separate(TextBuilder::Break::Paragraph);
        break;
    }
    case MD_BLOCK_LI:
    case MD_BLOCK_TR:
    case MD_BLOCK_TH:
    case MD_BLOCK_TD:
    case MD_BLOCK_THEAD:
    case MD_BLOCK_TBODY:
    case MD_BLOCK_DOC:
        break;
    default:
        r.out.separate(TextBuilder::Break::Paragraph);
        break;
    }
    return 0;
}

int enterSpan(MD_SPANTYPE type, void *, void *user)
{
    if (type == MD_SPAN_IMG)
        ++static_cast<Renderer *>(user)->imageDepth;
    return 0;
}

int leaveSpan(MD_SPANTYPE type, void *, void *user)
{
    if (type == MD_SPAN_IMG)
        --static_cast<Renderer *>(user)->imageDepth;
    return 0;
}

int text(MD_TEXTTYPE type, const MD_CHAR *chars, MD_SIZE size, void *user)
{
    auto &r = *static_cast<Renderer *>(user);
    const QString piece = QString::fromUtf8(chars, qsizetype(size));
    if (r.inHtmlBlock) {
        r.html += piece;
        return 0;
    }
    if (r.imageDepth > 0)
        return 0;
    switch (type) {
    case MD_TEXT_NULLCHAR:
        r.out.append(QChar(QChar::ReplacementCharacter));
        break;
    case MD_TEXT_BR:
        r.out.lineBreak();
        break;
    case MD_TEXT_SOFTBR:
        r.out.append(u" ");
        break;
    case MD_TEXT_HTML: // inline tags say nothing
        break;
    case MD_TEXT_ENTITY: {
        QString entity = piece;
        cSharedHTML::HtmlToChar(entity);
        cSharedHTML::HTMLConstToChar(entity);
        r.out.append(entity);
        break;
    }
    default:
        r.out.append(piece);
        break;
    }
    return 0;
}

// A YAML block ("---" ... "---" or "...") at the very top: its length and its title.
qsizetype frontMatter(const QString &text, QString *title)
{
    if (!text.startsWith(QLatin1String("---\n")) && !text.startsWith(QLatin1String("---\r\n")))
        return 0;
    qsizetype line = text.indexOf(QLatin1Char('\n')) + 1;
    while (line > 0 && line < text.size() && line < 64 * 1024) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), line);
        if (end < 0)
            end = text.size();
        const QStringView content = QStringView(text).sliced(line, end - line).trimmed();
        if (content == u"---" || content == u"...")
            return std::min(end + 1, text.size());
        if (content.startsWith(u"title:") && title->isEmpty()) {
            *title = content.sliced(6).trimmed().toString();
            if (title->size() >= 2
                && (title->front() == QLatin1Char('\'') || title->front() == QLatin1Char('"'))
                && title->back() == title->front())
                *title = title->sliced(1, title->size() - 2);
        }
        line = end + 1;
    }
    title->clear();
    return 0;
}

} // namespace

FormatText MarkdownReader::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FormatText::failed(FormatText::Outcome::Unreadable);
    if (file.size() > kMaxBytes)
        return FormatText::failed(FormatText::Outcome::TooLarge);
    return fromBytes(file.readAll());
}

FormatText MarkdownReader::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() > kMaxBytes)
        return FormatText::failed(FormatText::Outcome::TooLarge);
    QString title;
    QString source = TextDecoding::decodeDocument(bytes);
    source.remove(0, frontMatter(source, &title));
    const QByteArray utf8 = source.toUtf8();

    MD_PARSER parser {};
    parser.abi_version = 0;
    parser.flags = MD_DIALECT_GITHUB & ~MD_FLAG_PERMISSIVEAUTOLINKS;
    parser.enter_block = enterBlock;
    parser.leave_block = leaveBlock;
    parser.enter_span = enterSpan;
    parser.leave_span = leaveSpan;
    parser.text = text;
    Renderer renderer;
    if (md_parse(utf8.constData(), MD_SIZE(utf8.size()), &parser, &renderer) != 0)
        return FormatText::failed(FormatText::Outcome::Damaged);

    FormatText result;
    result.text = renderer.out.takeText();
    result.headings = renderer.out.takeHeadings();
    result.title = title;
    for (const FormatHeading &h : std::as_const(result.headings)) {
        if (result.title.isEmpty() && h.level == 1)
            result.title = h.text;
    }
    if (result.text.isEmpty())
        return FormatText::failed(FormatText::Outcome::NoText);
    return result;
}
