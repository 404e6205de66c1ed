#include "documents/HtmlLibrary.h"

#include "documents/HtmlEntities.h"

#include <QStringList>

namespace HtmlLibrary {

namespace {

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

bool isAsciiAlnum(QChar c)
{
    return isAsciiLetter(c) || (c.unicode() >= '0' && c.unicode() <= '9');
}

// Whether "<" at pos opens markup, as a browser sees it: a tag name, an end tag, a
// comment or declaration, or a processing instruction.
bool opensTag(QStringView text, qsizetype pos)
{
    if (pos + 1 >= text.size())
        return false;
    const QChar next = text[pos + 1];
    return isAsciiLetter(next) || next == QLatin1Char('/') || next == QLatin1Char('!')
        || next == QLatin1Char('?');
}

// The element whose content is dropped with it, when the tag at [lt, gt] opens one.
QStringView rawTextElement(QStringView text, qsizetype lt, qsizetype gt)
{
    static const char16_t script[] = u"script";
    static const char16_t style[] = u"style";
    for (QStringView name : { QStringView(script), QStringView(style) }) {
        const qsizetype end = lt + 1 + name.size();
        if (end > gt || text.sliced(lt + 1, name.size()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QChar after = text[end];
        if (after == QLatin1Char('>') || after == QLatin1Char('/') || after.isSpace()) {
            // "<script/>" has no content to drop.
            if (text[gt - 1] == QLatin1Char('/'))
                return {};
            return name;
        }
    }
    return {};
}

// How a tag separates the texts around it: not at all (inline markup), by a space between
// table cells, by a line end, or by a blank line around a paragraph or heading.
enum class Break { None, Cell, LineBreak, Line, Paragraph };

Break breakOf(QStringView text, qsizetype lt, qsizetype gt)
{
    qsizetype p = lt + 1;
    if (p < gt && text[p] == QLatin1Char('/'))
        ++p;
    const qsizetype start = p;
    while (p < gt && isAsciiAlnum(text[p]))
        ++p;
    const QString name = text.sliced(start, p - start).toString().toLower();
    static const QStringList cells { "td", "th" };
    if (name == QLatin1String("br"))
        return Break::LineBreak;
    static const QStringList lines { "li", "tr", "dt", "dd", "caption", "option" };
    static const QStringList paragraphs {
        "p",       "div",   "h1",   "h2",     "h3",     "h4",  "h5",         "h6",
        "pre",     "table", "ul",   "ol",     "dl",     "hr",  "blockquote", "section",
        "article", "aside", "main", "header", "footer", "nav", "address",    "figure",
    };
    if (cells.contains(name))
        return Break::Cell;
    if (lines.contains(name))
        return Break::Line;
    if (paragraphs.contains(name))
        return Break::Paragraph;
    return Break::None;
}

// Keeps what a removed tag separated apart: at least `lineEnds` line ends (0: a tab) at the
// end of the output, counting those already there. Returns where the separator begins.
qsizetype separate(QString &out, Break kind)
{
    while (!out.isEmpty() && (out.back() == QLatin1Char(' ') || out.back() == QLatin1Char('\t')))
        out.chop(1);
    const qsizetype at = out.size();
    if (kind == Break::Cell) {
        if (!out.isEmpty() && !out.back().isSpace())
            out += QLatin1Char('\t');
        return at;
    }
    const int wanted = kind == Break::Paragraph ? 2 : 1;
    int have = 0;
    for (qsizetype i = out.size(); i > 0 && have < wanted;) {
        if (out.at(i - 1) == QLatin1Char('\n'))
            i -= (i >= 2 && out.at(i - 2) == QLatin1Char('\r')) ? 2 : 1;
        else if (out.at(i - 1) == QLatin1Char('\r'))
            --i;
        else
            break;
        ++have;
    }
    for (; have < wanted; ++have)
        out += QLatin1String("\r\n");
    return at;
}

} // namespace

void cStripHTML(QString &text)
{
    const QStringView in(text);
    const qsizetype n = in.size();
    QString out;
    out.reserve(n);

    // Once a search for a closing mark fails, it fails from every later position too;
    // remembering that keeps the pass linear on input full of unclosed openings.
    bool noCommentEnd = false;
    bool noScriptEnd = false;
    bool noStyleEnd = false;

    // After a separator, the blanks and line ends of the source up to the next text only
    // lay out the markup; a separator with no text after it is dropped at the end.
    bool afterBreak = false;
    qsizetype breakAt = -1;
    auto appendText = [&](QStringView piece) {
        if (afterBreak) {
            qsizetype k = 0;
            while (k < piece.size() && piece[k].isSpace())
                ++k;
            piece = piece.sliced(k);
            if (piece.isEmpty())
                return;
            afterBreak = false;
        }
        out.append(piece);
    };

    qsizetype i = 0;
    while (i < n) {
        qsizetype lt = in.indexOf(QLatin1Char('<'), i);
        while (lt >= 0 && !opensTag(in, lt))
            lt = in.indexOf(QLatin1Char('<'), lt + 1);
        if (lt < 0) {
            appendText(in.sliced(i));
            break;
        }
        appendText(in.sliced(i, lt - i));

        if (!noCommentEnd && in.sliced(lt).startsWith(u"<!--")) {
            const qsizetype end = in.indexOf(u"-->", lt + 4);
            if (end >= 0) {
                i = end + 3;
                continue;
            }
            noCommentEnd = true;
        }

        const qsizetype gt = in.indexOf(QLatin1Char('>'), lt + 1);
        if (gt < 0) {
            // No ">" anywhere after: what follows is text, not a tag.
            appendText(in.sliced(lt));
            break;
        }
        i = gt + 1;

        const Break kind = breakOf(in, lt, gt);
        if (kind == Break::LineBreak) {
            // Every form of the line-break tag, as "<br>" already became one.
            out += QLatin1String("\r\n");
        } else if (kind != Break::None) {
            qsizetype blank = out.size();
            while (blank > 0 && out.at(blank - 1).isSpace())
                --blank;
            // Before the first text there is nothing to keep apart, only layout.
            const qsizetype at = blank == 0 ? (out.clear(), 0) : separate(out, kind);
            if (!afterBreak)
                breakAt = at;
            afterBreak = true;
        }

        const QStringView element = rawTextElement(in, lt, gt);
        if (element.isEmpty())
            continue;
        bool &noEnd = element.size() == 6 ? noScriptEnd : noStyleEnd;
        if (noEnd)
            continue;
        const QString closing = QStringLiteral("</") + element.toString();
        const qsizetype close = in.indexOf(closing, i, Qt::CaseInsensitive);
        if (close < 0) {
            // An unclosed block keeps its text: better read aloud than lost.
            noEnd = true;
            continue;
        }
        const qsizetype closeEnd = in.indexOf(QLatin1Char('>'), close);
        i = closeEnd < 0 ? n : closeEnd + 1;
    }
    if (afterBreak && breakAt >= 0)
        out.truncate(breakAt);
    text = std::move(out);
}

QString cHtmlToChar(QStringView source)
{
    const qsizetype n = source.size();
    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const qsizetype amp = source.indexOf(QLatin1Char('&'), i);
        if (amp < 0) {
            out.append(source.sliced(i));
            break;
        }
        out.append(source.sliced(i, amp - i));
        qsizetype end = amp + 1;
        while (end < n && end - amp - 1 < HtmlEntities::kMaxNameLength && isAsciiAlnum(source[end]))
            ++end;
        char32_t cp = 0;
        if (end < n && source[end] == QLatin1Char(';'))
            cp = HtmlEntities::lookup(source.sliced(amp + 1, end - amp - 1));
        if (cp == 0) {
            out.append(QLatin1Char('&'));
            i = amp + 1;
            continue;
        }
        if (cp == 0xA0)
            cp = ' ';
        out.append(QChar::fromUcs4(cp));
        i = end + 1;
    }
    return out;
}

} // namespace HtmlLibrary
