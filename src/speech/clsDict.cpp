#include "speech/clsDict.h"

#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedText.h"

#include <QFile>
#include <QSet>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <limits>

namespace {

const QString kModule = QStringLiteral("clsDict");

// The words of a sentence are bounded by these, tried in this order on both sides.
// The order matters: a pass consumes the delimiters it matches, so an occurrence
// sharing a delimiter with an earlier match is left for a later pass or not replaced.
const std::array<QStringView, 11> kDelimiters = {
    u",", u".", u"'", u"?", u"!", u"-", u":", u";", u" ", u"\"", u"\r\n",
};

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

// Applies one pair to the working text: for every right delimiter, then every left one,
// one left-to-right pass replacing each non-overlapping "L word R". Rather than searching
// the text 121 times, each pass looks only at the places where the word occurs, which
// are found again only after a pass has changed the text.
bool applyPair(QString &text, QString &foldedText, const QString &foldedWord,
               const QString &newWord)
{
    bool changed = false;
    const qsizetype m = foldedWord.size();
    Positions occ;
    findOccurrences(foldedText, foldedWord, occ);
    QVarLengthArray<qsizetype, 16> starts;
    for (QStringView right : kDelimiters) {
        for (QStringView left : kDelimiters) {
            starts.clear();
            const QStringView haystack(foldedText);
            qsizetype lastEnd = 0;
            for (qsizetype p : occ) {
                const qsizetype start = p - left.size();
                const qsizetype end = p + m + right.size();
                if (end > haystack.size())
                    break;
                if (start < lastEnd)
                    continue;
                if (haystack.sliced(start, left.size()) == left
                    && haystack.sliced(p + m, right.size()) == right) {
                    starts.append(start);
                    lastEnd = end;
                }
            }
            if (starts.isEmpty())
                continue;

            const qsizetype matchLength = left.size() + m + right.size();
            QString result;
            result.reserve(text.size()
                           + starts.size() * (left.size() + newWord.size() + right.size()));
            qsizetype copied = 0;
            for (qsizetype s : starts) {
                result.append(QStringView(text).sliced(copied, s - copied));
                result.append(left);
                result.append(newWord);
                result.append(right);
                copied = s + matchLength;
            }
            result.append(QStringView(text).sliced(copied));
            text = std::move(result);
            // Later passes and pairs see the inserted text.
            foldedText = folded(text);
            findOccurrences(foldedText, foldedWord, occ);
            changed = true;
        }
    }
    return changed;
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
        while (lineStart < content.size()) {
            qsizetype cr = content.indexOf(QLatin1Char('\r'), lineStart);
            const qsizetype lineEnd = cr < 0 ? content.size() : cr;
            const QStringView line = QStringView(content).sliced(lineStart, lineEnd - lineStart);
            const qsizetype comma = line.indexOf(QLatin1Char(','));
            if (comma >= 0) {
                auto pair = std::make_shared<clsWordPair>();
                pair->OriginalWord = line.first(comma).toString();
                pair->NewWord = line.sliced(comma + 1).toString();
                Words->append(pair);
            }
            if (cr < 0)
                break;
            lineStart = cr + 1;
            if (lineStart < content.size() && content[lineStart] == QLatin1Char('\n'))
                ++lineStart;
        }
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

QString clsDict::TranslateText(const QString &Sentence) const
{
    QString text = QLatin1Char(' ') + Sentence;
    if (!Words)
        return text;
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
        if (applyPair(text, foldedText, word, pair->NewWord))
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
