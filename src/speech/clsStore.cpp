#include "speech/clsStore.h"

#include "base/cSharedText.h"

void clsStore::StoreInSentences(const QString &FullText)
{
    m_text = FullText; // implicitly shared: no copy of the book here
    m_rule = m_nextRule;
    m_spans.clear();
    m_readIndex = 0;
    m_last = Place();
    const QStringView text(m_text);
    qsizetype from = 0;
    while (const std::optional<SentenceRule::Span> span = m_rule.next(text, from)) {
        m_spans.push_back(*span);
        from = span->end;
    }
}

void clsStore::AppendText(const QString &more)
{
    if (more.isEmpty())
        return;
    qsizetype from = m_spans.empty() ? 0 : m_spans.back().end;
    // Sentences handed out stay as they were; the next one may grow.
    if (!m_spans.empty() && size_t(m_readIndex) < m_spans.size()) {
        from = m_spans.back().begin;
        m_spans.pop_back();
    }
    m_text += more;
    const QStringView text(m_text);
    while (const std::optional<SentenceRule::Span> span = m_rule.next(text, from)) {
        m_spans.push_back(*span);
        from = span->end;
    }
}

QString clsStore::Sentence(int number) const
{
    if (number < 1 || number > Sentences())
        return {};
    const SentenceRule::Span &s = m_spans[size_t(number - 1)];
    return m_text.mid(s.begin, s.end - s.begin);
}

QString clsStore::NextSentence()
{
    // Used up, the index stays on the last sentence: text appended later is read next.
    if (m_readIndex >= Sentences())
        return {};
    ++m_readIndex;
    // A sentence holds a word, so cleaning never leaves it empty: only the end of the
    // text ends a reading.
    QString sentence = Sentence(m_readIndex);
    const qsizetype cut = sentence.size();
    cSharedText::EatCrapFromStart(sentence);
    const SentenceRule::Span &span = m_spans[size_t(m_readIndex - 1)];
    m_last = { span.begin, span.end, span.begin + (cut - sentence.size()) };
    cSharedText::EatCrapFromEnd(sentence);
    return sentence;
}
