#pragma once

#include <QChar>
#include <QStringList>
#include <QStringView>
#include <optional>

// Where the sentences of a text being read begin and end. The sentence store cuts the text
// with it and the main window's highlight finds the spoken sentence with it, so whatever
// the caret position the selection shows the sentence the voice speaks.
//
// A sentence ends at an end mark (a run of them counts as one, with the quotes and brackets
// that close it), and at a paragraph break: a blank line between two lines of text, so a
// heading is a sentence of its own. An end mark does not end a sentence when a letter or
// digit follows it directly ("3.30", "www.example.com", "i.e."), when the next word starts
// in lower case ("p.m. and"), after a title before a name ("Mr. Smith"; a small table per
// language) or after an initial before a capital ("J. R. Smith").
class SentenceRule
{
public:
    // English titles.
    SentenceRule();
    // The titles of a voice's language ("en-gb", "de", "fr" ...); English where Orlin has
    // no table for the language.
    static SentenceRule forLanguage(QStringView language);

    // A sentence as a half-open range of the text: from its first word to just after its
    // end marks and closing quotes.
    struct Span
    {
        qsizetype begin = 0;
        qsizetype end = 0;
    };

    // The first sentence that starts at or after `from`. What lies before it and belongs to
    // no sentence is stepped over: blanks, line ends, end marks left over from the sentence
    // before (a caret just after ".", "?!" or "...") and a closing quote. Pieces without a
    // letter or digit (a row of dashes) are no sentence either. Empty when none is left.
    // The text is read from `from` on only, so where the reading began does not matter.
    std::optional<Span> next(QStringView text, qsizetype from) const;

    static bool isEndMark(QChar c)
    {
        return c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?');
    }
    // A quote or bracket that closes what an end mark ended: it belongs to that sentence.
    static bool isCloser(QChar c);

private:
    explicit SentenceRule(const QStringList *titles)
        : m_titles(titles)
    {
    }
    qsizetype sentenceEnd(QStringView text, qsizetype begin) const;
    bool endsAt(QStringView text, qsizetype begin, qsizetype mark, qsizetype marksEnd,
                qsizetype after) const;
    bool isTitle(QStringView word) const;

    const QStringList *m_titles; // one of the static tables: copying a rule is cheap
};
