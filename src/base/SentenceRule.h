#pragma once

#include <QChar>
#include <QStringView>
#include <optional>

// Where the sentences of a text being read begin and end. The sentence store cuts the text
// with it and the main window's highlight finds the spoken sentence with it, so whatever
// the caret position the selection shows the sentence the voice speaks.
//
// A sentence ends at an end mark (a run of them counts as one, with the quotes and brackets
// that close it), and at a paragraph break: a blank line between two lines of text, so a
// heading is a sentence of its own.
class SentenceRule
{
public:
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
    qsizetype sentenceEnd(QStringView text, qsizetype begin) const;
};
