#pragma once

#include <QString>
#include <vector>

// Cuts the text to be read into sentences at ".", "?" and "!" and hands them out
// one at a time. The text is kept once; a sentence is a span of it, copied only
// when it is handed out, so storing a whole book costs one pass.
class clsStore
{
public:
    void StoreInSentences(const QString &FullText);

    // The next sentence, cleaned of blanks, line ends and dashes at both ends;
    // empty once every sentence has been handed out.
    QString NextSentence();

    // The sentences as cut (untrimmed), numbered from 1.
    int Sentences() const { return int(m_spans.size()); }
    QString Sentence(int number) const;
    int ReadIndex() const { return m_readIndex; }

private:
    struct Span
    {
        qsizetype start;
        qsizetype length;
    };
    QString m_text;
    std::vector<Span> m_spans;
    int m_readIndex = 0;
};
