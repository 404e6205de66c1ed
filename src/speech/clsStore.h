#pragma once

#include "base/SentenceRule.h"

#include <QString>
#include <vector>

// Cuts the text to be read into sentences and hands them out one at a time. Where a
// sentence ends is the SentenceRule's, the same rule the main window's highlight follows.
// The text is kept once; a sentence is a span of it, copied only when it is handed out.
// The text is cut as far as it is asked for, so a reading of a whole book starts after
// its first sentence is found, and the book is cut in one pass as the reading goes on.
class clsStore
{
public:
    void StoreInSentences(const QString &FullText);
    // More text after the stored text (the rest of a document still being read): a last
    // sentence not yet handed out is cut again with what follows it, so a sentence the end
    // of the stored text had cut short is read whole.
    void AppendText(const QString &more);

    // The next sentence, cleaned of blanks, line ends and dashes at both ends;
    // empty once every sentence has been handed out.
    QString NextSentence();

    // Where the sentence NextSentence handed out last lies in the stored text: the
    // sentence as cut, from `begin` to just before `end` (what the view selects while it
    // is spoken, dashes and all), and where its cleaned text starts.
    struct Place
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        qsizetype textBegin = 0;
    };
    const Place &LastPlace() const { return m_last; }

    // The sentences as cut, numbered from 1: from the first word to the end marks.
    // Counting them cuts the whole text.
    int Sentences() const;
    // Whether the text holds a sentence at all.
    bool HasSentences() const;
    QString Sentence(int number) const;
    int ReadIndex() const { return m_readIndex; }

    // The rule the stored text was cut by: the highlight follows the same one, even when
    // another voice (and language) is chosen during the reading.
    const SentenceRule &rule() const { return m_rule; }
    // The rule for the next StoreInSentences.
    void setRule(const SentenceRule &rule) { m_nextRule = rule; }
    const SentenceRule &nextRule() const { return m_nextRule; }

private:
    // Cuts until sentence `number` is there or the text ends; whether it is there.
    bool cutUpTo(int number) const;

    QString m_text;
    mutable std::vector<SentenceRule::Span> m_spans;
    mutable qsizetype m_cutFrom = 0;
    mutable bool m_cutAll = false;
    int m_readIndex = 0;
    Place m_last;
    SentenceRule m_rule;
    SentenceRule m_nextRule;
};
