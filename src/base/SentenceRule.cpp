#include "base/SentenceRule.h"

namespace {

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Past the line end at `at` (CR LF counts as one).
qsizetype afterLineEnd(QStringView text, qsizetype at)
{
    if (text[at] == QLatin1Char('\r') && at + 1 < text.size() && text[at + 1] == QLatin1Char('\n'))
        return at + 2;
    return at + 1;
}

// Whether the line end at `at` is followed by a blank line: only blanks, then another
// line end. A paragraph break; a heading on its own line before one is a sentence.
bool blankLineFollows(QStringView text, qsizetype at)
{
    qsizetype p = afterLineEnd(text, at);
    while (p < text.size() && text[p].isSpace() && !isLineEnd(text[p]))
        ++p;
    return p < text.size() && isLineEnd(text[p]);
}

bool hasWords(QStringView text, qsizetype begin, qsizetype end)
{
    for (qsizetype i = begin; i < end; ++i) {
        if (text[i].isLetterOrNumber())
            return true;
    }
    return false;
}

} // namespace

bool SentenceRule::isCloser(QChar c)
{
    switch (c.unicode()) {
    case u'"':
    case u'\'':
    case u')':
    case u']':
    case 0x2019: // right single quotation mark
    case 0x201D: // right double quotation mark
    case 0x00BB: // right-pointing guillemet
        return true;
    default:
        return false;
    }
}

std::optional<SentenceRule::Span> SentenceRule::next(QStringView text, qsizetype from) const
{
    const qsizetype n = text.size();
    qsizetype p = std::max<qsizetype>(from, 0);
    while (p < n) {
        const QChar c = text[p];
        // A closing quote at the start is the tail of the sentence before; an opening
        // one is followed by the first word and stays.
        if (c.isSpace() || isEndMark(c) || (isCloser(c) && (p + 1 == n || text[p + 1].isSpace()))) {
            ++p;
            continue;
        }
        const qsizetype end = sentenceEnd(text, p);
        if (hasWords(text, p, end))
            return Span { p, end };
        p = end;
    }
    return std::nullopt;
}

qsizetype SentenceRule::sentenceEnd(QStringView text, qsizetype begin) const
{
    const qsizetype n = text.size();
    qsizetype end = n;
    for (qsizetype q = begin; q < n; ++q) {
        const QChar c = text[q];
        if (isLineEnd(c) && blankLineFollows(text, q)) {
            end = q;
            break;
        }
        if (!isEndMark(c))
            continue;
        // A run of marks ("?!", "...") is one end, and the quotes after it close it.
        qsizetype after = q + 1;
        while (after < n && isEndMark(text[after]))
            ++after;
        while (after < n && isCloser(text[after]))
            ++after;
        return after;
    }
    // Without an end mark, the blanks before the paragraph break or the end of the text
    // are not part of the sentence.
    while (end > begin && text[end - 1].isSpace())
        --end;
    return end;
}
