#include "documents/HtmlLibrary.h"

#include "documents/HtmlEntities.h"

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

    qsizetype i = 0;
    while (i < n) {
        qsizetype lt = in.indexOf(QLatin1Char('<'), i);
        while (lt >= 0 && !opensTag(in, lt))
            lt = in.indexOf(QLatin1Char('<'), lt + 1);
        if (lt < 0) {
            out.append(in.sliced(i));
            break;
        }
        out.append(in.sliced(i, lt - i));

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
            out.append(in.sliced(lt));
            break;
        }
        i = gt + 1;

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
