#include "speech/clsDict.h"

#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLogging.h"
#include "base/cSharedText.h"

#include <QFile>
#include <QSet>
#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <limits>
#include <set>

namespace {

const QString kModule = QStringLiteral("clsDict");

// The words of a sentence are bounded by these, tried in this order on both sides.
// The order matters: a pass consumes the delimiters it matches, so an occurrence
// sharing a delimiter with an earlier match is left for a later pass or not replaced.
const std::array<QStringView, 11> kDelimiters = {
    u",", u".", u"'", u"?", u"!", u"-", u":", u";", u" ", u"\"", u"\r\n",
};
constexpr int kCrLf = 10; // the only delimiter of two characters, last in the list

// Simple case folding, one code point for one code point, so that a position in the
// folded text is the same position in the original and the matching can be done with
// plain comparisons.
void foldInto(QStringView text, QString &out)
{
    out.resize(text.size());
    QChar *o = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            o[i] = (c >= u'A' && c <= u'Z') ? QChar(char16_t(c + 32)) : QChar(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size()
                   && text[i + 1].isLowSurrogate()) {
            const char32_t f =
                QChar::toCaseFolded(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            if (QChar::requiresSurrogates(f)) {
                o[i] = QChar(QChar::highSurrogate(f));
                o[i + 1] = QChar(QChar::lowSurrogate(f));
            } else {
                o[i] = text[i];
                o[i + 1] = text[i + 1];
            }
            ++i;
        } else {
            const char32_t f = QChar::toCaseFolded(char32_t(c));
            o[i] = QChar::requiresSurrogates(f) ? QChar(c) : QChar(char16_t(f));
        }
    }
}

QString folded(QStringView text)
{
    QString out;
    foldInto(text, out);
    return out;
}

using Positions = QVarLengthArray<qsizetype, 16>;

// Every start of `word` in `text`, overlapping ones included; an empty word starts
// everywhere, the end included.
// (Filled in place: the container is reused rather than move-assigned.)
void findOccurrences(QStringView text, QStringView word, Positions &found)
{
    found.clear();
    for (qsizetype p = text.indexOf(word); p >= 0 && p <= text.size();
         p = text.indexOf(word, p + 1)) {
        found.append(p);
        if (p == text.size())
            break;
    }
}

// The place in kDelimiters of the one-character delimiter c, or -1.
int singleDelimiter(QChar c)
{
    for (int i = 0; i < kCrLf; ++i) {
        if (kDelimiters[size_t(i)].front() == c)
            return i;
    }
    return -1;
}

// The delimiter that ends just before `pos` and the one that starts at `pos`: each place
// has at most one, since CR and LF alone are none.
int delimiterBefore(QStringView text, qsizetype pos)
{
    if (pos >= 2 && text[pos - 2] == QLatin1Char('\r') && text[pos - 1] == QLatin1Char('\n'))
        return kCrLf;
    return pos >= 1 ? singleDelimiter(text[pos - 1]) : -1;
}

int delimiterAt(QStringView text, qsizetype pos)
{
    if (pos + 1 < text.size() && text[pos] == QLatin1Char('\r')
        && text[pos + 1] == QLatin1Char('\n'))
        return kCrLf;
    return pos < text.size() ? singleDelimiter(text[pos]) : -1;
}

struct Candidate
{
    qsizetype start; // of the word
    int pass; // right delimiter * 11 + left delimiter: the order of the passes
    qsizetype spanStart; // of the left delimiter
    qsizetype spanEnd; // after the right delimiter
};

// Which whole-word occurrences of the word one pair replaces, chosen on the text as it
// was before the pair: the passes of the rules (every right delimiter, within it every
// left one, each pass left to right over non-overlapping "L word R") are followed, but a
// pass sees only the original text. An occurrence that a pass leaves alone because it
// shares a delimiter with the previous match stays for a later pass, as the rules have
// it; one whose characters an earlier pass replaced is gone. What a replacement inserts
// is never searched again, so no list can make a sentence grow on its own output.
QList<qsizetype> chooseReplacements(QStringView folded, QStringView word)
{
    const qsizetype m = word.size();
    Positions occ;
    findOccurrences(folded, word, occ);
    QList<Candidate> candidates;
    for (qsizetype p : occ) {
        const int left = delimiterBefore(folded, p);
        const int right = left < 0 ? -1 : delimiterAt(folded, p + m);
        if (right < 0)
            continue;
        candidates.append({ p, right * int(kDelimiters.size()) + left,
                            p - kDelimiters[size_t(left)].size(),
                            p + m + kDelimiters[size_t(right)].size() });
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.pass < b.pass; });

    // Word starts replaced so far; the replaced words never overlap one another.
    std::set<qsizetype> replaced;
    QList<qsizetype> chosen;
    qsizetype lastEnd = 0;
    int pass = -1;
    for (const Candidate &c : std::as_const(candidates)) {
        if (c.pass != pass) {
            pass = c.pass;
            lastEnd = 0;
        }
        if (c.spanStart < lastEnd)
            continue;
        // The nearest replaced word starting before this span's end is the only one that
        // can reach into it (for an empty word: text inserted strictly inside the span).
        auto it = replaced.lower_bound(c.spanEnd);
        if (it != replaced.begin() && c.spanStart < *std::prev(it) + m)
            continue;
        replaced.insert(c.start);
        chosen.append(c.start);
        lastEnd = c.spanEnd;
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

// Replaces the chosen words, left to right, as long as the text stays within `limit`;
// false when a replacement had to be left out for it.
bool replaceWords(QString &text, const QList<qsizetype> &starts, qsizetype wordLength,
                  const QString &newWord, qsizetype limit)
{
    const qsizetype growth = newWord.size() - wordLength;
    qsizetype size = text.size();
    QString result;
    result.reserve(qMin(limit, size + qMax<qsizetype>(growth, 0) * starts.size()));
    qsizetype copied = 0;
    bool complete = true;
    for (qsizetype s : starts) {
        if (size + growth > limit) {
            complete = false;
            break;
        }
        size += growth;
        result.append(QStringView(text).sliced(copied, s - copied));
        result.append(newWord);
        copied = s + wordLength;
    }
    result.append(QStringView(text).sliced(copied));
    text = std::move(result);
    return complete;
}

bool isSeparator(QChar c)
{
    switch (c.unicode()) {
    case u',':
    case u'.':
    case u'\'':
    case u'?':
    case u'!':
    case u'-':
    case u':':
    case u';':
    case u' ':
    case u'"':
    case u'\r':
    case u'\n':
        return true;
    default:
        return false;
    }
}

// A word with no delimiter character (nor CR or LF) in it can only match as one whole
// piece of the text between separators, so a set of those pieces answers for most pairs
// in one hash lookup instead of a search through the sentence.
bool isPlainWord(QStringView word)
{
    if (word.isEmpty())
        return false;
    for (QChar c : word) {
        if (isSeparator(c))
            return false;
    }
    return true;
}

// The pieces of the text between separators. Views into the text: rebuilt whenever the
// text changes.
void collectPieces(QStringView text, QSet<QStringView> &pieces)
{
    pieces.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isSeparator(text[i])) {
            if (i > start)
                pieces.insert(text.sliced(start, i - start));
            start = i + 1;
        }
    }
}

} // namespace

short clsDict::WordCount() const
{
    if (!Words)
        return 0;
    return short(qMin<qsizetype>(Words->size(), std::numeric_limits<short>::max()));
}

void clsDict::AddWordPair(const PairPtr &WordPair)
{
    if (!Words)
        Words.emplace();
    Words->append(WordPair);
}

void clsDict::DeleteWordPair(const QString &Original)
{
    if (!Words)
        return;
    for (qsizetype i = 0; i < Words->size(); ++i) {
        const PairPtr &pair = Words->at(i);
        if (pair && cSharedText::StringsEqual(pair->OriginalWord, Original)) {
            Words->removeAt(i);
            return;
        }
    }
}

void clsDict::ClearWords()
{
    Words.reset();
    m_limitLogged = false;
}

void clsDict::LoadWords()
{
    ClearWords();
    Words.emplace();

    if (!QFile::exists(fileName()))
        return; // no list yet: nothing worth a trace entry
    Trace::attempt(QStringLiteral("LoadWords"), kModule, [&] {
        const QString content = cSharedFileSubs::ReadWholeFile(fileName());

        // A line ends at CR or CR LF; a lone LF is part of the line.
        qsizetype lineStart = 0;
        qsizetype lineNumber = 0;
        qsizetype skipped = 0;
        qsizetype firstSkipped = 0;
        while (lineStart < content.size()) {
            ++lineNumber;
            qsizetype cr = content.indexOf(QLatin1Char('\r'), lineStart);
            const qsizetype lineEnd = cr < 0 ? content.size() : cr;
            const QStringView line = QStringView(content).sliced(lineStart, lineEnd - lineStart);
            const qsizetype comma = line.indexOf(QLatin1Char(','));
            if (comma >= 0) {
                auto pair = std::make_shared<clsWordPair>();
                pair->OriginalWord = line.first(comma).toString();
                pair->NewWord = line.sliced(comma + 1).toString();
                // The editor refuses these: an empty word would match between any two
                // delimiters of every sentence, and an empty replacement was never typed.
                const PairProblem problem = CheckPair(pair->OriginalWord, pair->NewWord);
                if (problem == PairProblem::EmptyWord || problem == PairProblem::EmptyReplacement) {
                    if (skipped++ == 0)
                        firstSkipped = lineNumber;
                } else {
                    Words->append(pair);
                }
            }
            if (cr < 0)
                break;
            lineStart = cr + 1;
            if (lineStart < content.size() && content[lineStart] == QLatin1Char('\n'))
                ++lineStart;
        }
        if (skipped > 0)
            Log().AddAction(QStringLiteral("Skipped %1 line(s) of %2 with an empty word or "
                                           "replacement, the first at line %3")
                                .arg(skipped)
                                .arg(fileName())
                                .arg(firstSkipped),
                            QStringLiteral("LoadWords"), kModule);
    });
}

bool clsDict::SaveWords()
{
    return Trace::attempt(QStringLiteral("SaveWords"), kModule, [&] {
        QString text;
        if (Words) {
            for (const PairPtr &pair : *Words) {
                if (!pair)
                    continue;
                text += cSharedText::TrimBlanks(pair->OriginalWord);
                text += QLatin1Char(',');
                text += cSharedText::TrimBlanks(pair->NewWord);
                text += QLatin1String("\r\n");
            }
        }
        // Written beside the old list and renamed over it, so a failed save never leaves
        // a half-written list behind.
        cSharedFileSubs::ReplaceTextFile(fileName(), text);
    });
}

qsizetype clsDict::ResultLimit(qsizetype length)
{
    return kGrowthLimit * qMax(length, kShortestMeasure);
}

QString clsDict::TranslateText(const QString &Sentence) const
{
    QString text = QLatin1Char(' ') + Sentence;
    if (!Words)
        return text;
    const qsizetype limit = ResultLimit(text.size());
    QString foldedText = folded(text);
    QSet<QStringView> pieces;
    collectPieces(foldedText, pieces);
    QString word; // reused, so the many pairs that do not occur cost no allocation
    for (const PairPtr &pair : *Words) {
        if (!pair)
            continue;
        foldInto(pair->OriginalWord, word);
        // Most pairs of a long list do not occur in a sentence: they cost one lookup, or
        // one search for a word that holds a delimiter.
        if (isPlainWord(word) ? !pieces.contains(QStringView(word)) : !foldedText.contains(word))
            continue;
        // A text already at its bound takes no replacement that makes it longer.
        const bool full = text.size() + pair->NewWord.size() - word.size() > limit;
        const QList<qsizetype> starts =
            full ? QList<qsizetype>() : chooseReplacements(foldedText, word);
        if (full || !replaceWords(text, starts, word.size(), pair->NewWord, limit)) {
            if (!m_limitLogged) {
                m_limitLogged = true;
                Log().AddAction(QStringLiteral("The pronunciation of \"%1\" would make a sentence "
                                               "longer than %2 characters; it stops there")
                                    .arg(pair->OriginalWord.left(40))
                                    .arg(limit),
                                QStringLiteral("TranslateText"), kModule);
            }
            if (full)
                continue;
        }
        if (starts.isEmpty())
            continue;
        // Later pairs see this one's output.
        foldedText = folded(text);
        collectPieces(foldedText, pieces);
    }
    return text;
}

clsDict::PairProblem clsDict::CheckPair(const QString &OriginalWord, const QString &NewWord)
{
    const auto hasLineEnd = [](const QString &s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
    };
    if (cSharedText::TrimBlanks(OriginalWord).isEmpty())
        return PairProblem::EmptyWord;
    if (cSharedText::TrimBlanks(NewWord).isEmpty())
        return PairProblem::EmptyReplacement;
    if (OriginalWord.contains(QLatin1Char(',')))
        return PairProblem::CommaInWord;
    if (hasLineEnd(OriginalWord) || hasLineEnd(NewWord))
        return PairProblem::LineEnd;
    return PairProblem::None;
}

QString clsDict::fileName() const
{
    return m_fileName.isEmpty() ? ProgramInfo::programFile(QStringLiteral("ol1dict.txt"))
                                : m_fileName;
}
