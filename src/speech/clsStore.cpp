#include "speech/clsStore.h"

#include "base/cSharedText.h"

#include <limits>

void clsStore::StoreInSentences(const QString &FullText)
{
    m_text = FullText; // implicitly shared: no copy of the book here
    m_rule = m_nextRule;
    m_spans.clear();
    m_cutFrom = 0;
    m_cutAll = false;
    m_readIndex = 0;
    m_last = Place();
}

bool clsStore::cutUpTo(int number) const
{
    const QStringView text(m_text);
    while (!m_cutAll && int(m_spans.size()) < number) {
        const std::optional<SentenceRule::Span> span = m_rule.next(text, m_cutFrom);
        if (!span) {
            m_cutAll = true;
            break;
        }
        m_spans.push_back(*span);
        m_cutFrom = span->end;
    }
    return number >= 1 && int(m_spans.size()) >= number;
}

int clsStore::Sentences() const
{
    cutUpTo(std::numeric_limits<int>::max());
    return int(m_spans.size());
}

bool clsStore::HasSentences() const
{
    return cutUpTo(1);
}

void clsStore::AppendText(const QString &more)
{
    if (more.isEmpty())
        return;
    // Sentences handed out stay as they were; the last one cut may be the old text's
    // unfinished end, so it is cut again with what follows.
    if (!m_spans.empty() && size_t(m_readIndex) < m_spans.size()) {
        m_cutFrom = m_spans.back().begin;
        m_spans.pop_back();
    }
    m_text += more;
    m_cutAll = false;
}

QString clsStore::Sentence(int number) const
{
    if (!cutUpTo(number))
        return {};
    const SentenceRule::Span &s = m_spans[size_t(number - 1)];
    return m_text.mid(s.begin, s.end - s.begin);
}

QString clsStore::NextSentence()
{
    // Used up, the index stays on the last sentence: text appended later is read next.
    if (!cutUpTo(m_readIndex + 1))
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
