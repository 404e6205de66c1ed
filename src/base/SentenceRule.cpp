#include "base/SentenceRule.h"

namespace {

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
    for (qsizetype q = begin; q < n; ++q) {
        if (!isEndMark(text[q]))
            continue;
        // A run of marks ("?!", "...") is one end, and the quotes after it close it.
        qsizetype end = q + 1;
        while (end < n && isEndMark(text[end]))
            ++end;
        while (end < n && isCloser(text[end]))
            ++end;
        return end;
    }
    // The last sentence needs no end mark; the blanks after it are not part of it.
    qsizetype end = n;
    while (end > begin && text[end - 1].isSpace())
        --end;
    return end;
}
