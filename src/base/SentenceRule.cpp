#include "base/SentenceRule.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The characters at which a sentence may end: the end marks and the line ends.
bool mayEndSentence(char16_t c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'\n' || c == u'\r';
}

// The first such character at or after `from`. Most characters are words and blanks, so
// they are stepped over eight at a time where the processor allows: storing a whole book
// stays one quick pass.
qsizetype nextCandidate(const char16_t *chars, qsizetype from, qsizetype n)
{
    qsizetype q = from;
#ifdef __SSE2__
    const __m128i dot = _mm_set1_epi16('.');
    const __m128i bang = _mm_set1_epi16('!');
    const __m128i ask = _mm_set1_epi16('?');
    const __m128i lf = _mm_set1_epi16('\n');
    const __m128i cr = _mm_set1_epi16('\r');
    for (; q + 8 <= n; q += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + q));
        const __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(v, dot), _mm_cmpeq_epi16(v, bang)),
            _mm_or_si128(_mm_cmpeq_epi16(v, ask),
                         _mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr))));
        if (const int bits = _mm_movemask_epi8(hit))
            return q + __builtin_ctz(unsigned(bits)) / 2;
    }
#endif
    while (q < n && !mayEndSentence(chars[q]))
        ++q;
    return q;
}

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

// Titles written before a name, without their full stop.
const QStringList &englishTitles()
{
    static const QStringList titles { "Mr",   "Mrs", "Ms",  "Mx", "Dr",    "St",  "Prof",
                                      "Rev",  "Fr",  "Sr",  "Jr", "Hon",   "Gen", "Col",
                                      "Capt", "Lt",  "Sgt", "Mt", "Messrs" };
    return titles;
}

const QStringList &titlesOf(QStringView language)
{
    static const QStringList german { "Hr", "Hrn", "Fr", "Frl", "Dr", "Prof", "St", "Nr", "Dipl" };
    static const QStringList french { "M",  "MM", "Mme", "Mmes", "Mlle", "Mlles",
                                      "Dr", "Pr", "Me",  "St",   "Ste",  "Mgr" };
    static const QStringList spanish { "Sr",  "Sres", "Sra", "Srta", "Dr", "Dra", "D",  "Dña",
                                       "Lic", "Prof", "Sto", "Sta",  "Ud", "Uds", "Ing" };
    const QStringView code = language.left(2);
    if (code.compare(u"de", Qt::CaseInsensitive) == 0)
        return german;
    if (code.compare(u"fr", Qt::CaseInsensitive) == 0)
        return french;
    if (code.compare(u"es", Qt::CaseInsensitive) == 0)
        return spanish;
    return englishTitles();
}

} // namespace

SentenceRule::SentenceRule()
    : m_titles(&englishTitles())
{
}

SentenceRule SentenceRule::forLanguage(QStringView language)
{
    return SentenceRule(&titlesOf(language));
}

bool SentenceRule::isTitle(QStringView word) const
{
    for (const QString &title : *m_titles) {
        if (title.size() == word.size() && word.compare(title, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

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
    const char16_t *chars = text.utf16();
    qsizetype end = n;
    for (qsizetype q = begin; q < n; ++q) {
        q = nextCandidate(chars, q, n);
        if (q == n)
            break;
        const QChar c = text[q];
        if (isLineEnd(c) && blankLineFollows(text, q)) {
            end = q;
            break;
        }
        if (!isEndMark(c))
            continue;
        // A run of marks ("?!", "...") is one end, and the quotes after it close it.
        qsizetype marksEnd = q + 1;
        while (marksEnd < n && isEndMark(text[marksEnd]))
            ++marksEnd;
        qsizetype after = marksEnd;
        while (after < n && isCloser(text[after]))
            ++after;
        if (endsAt(text, begin, q, marksEnd, after))
            return after;
        q = after - 1;
    }
    // Without an end mark, the blanks before the paragraph break or the end of the text
    // are not part of the sentence.
    while (end > begin && text[end - 1].isSpace())
        --end;
    return end;
}

bool SentenceRule::endsAt(QStringView text, qsizetype begin, qsizetype mark, qsizetype marksEnd,
                          qsizetype after) const
{
    const qsizetype n = text.size();
    // "3.30", "www.example.com", "e.g": a mark inside a word or number.
    if (after < n && text[after].isLetterOrNumber())
        return false;
    qsizetype next = after;
    while (next < n && text[next].isSpace()) {
        if (isLineEnd(text[next]) && blankLineFollows(text, next))
            return true;
        ++next;
    }
    if (next == n)
        return true;
    // A sentence does not begin in lower case: "p.m. and", "etc. as", "\"Why?\" he asked".
    if (text[next].isLower())
        return false;
    if (marksEnd != mark + 1 || text[mark] != QLatin1Char('.') || after != marksEnd)
        return true;
    qsizetype word = mark;
    while (word > begin && text[word - 1].isLetter())
        --word;
    const QStringView before = text.sliced(word, mark - word);
    if (isTitle(before))
        return false;
    // An initial before a name: "J. R. Smith".
    if (before.size() == 1 && before[0].isUpper() && text[next].isUpper())
        return false;
    return true;
}
