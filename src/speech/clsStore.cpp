#include "speech/clsStore.h"

#include "base/cSharedText.h"

void clsStore::StoreInSentences(const QString &FullText)
{
    m_text = FullText; // implicitly shared: no copy of the book here
    m_spans.clear();
    m_readIndex = 0;
    if (FullText.isEmpty())
        return;

    const QChar *data = FullText.constData();
    const qsizetype length = FullText.size();
    // The next position of each end mark, found with the vectorised search and moved
    // on only once passed: a book is scanned in a few wide strides, not char by char.
    const QStringView view(FullText);
    qsizetype next[3] = { view.indexOf(u'.'), view.indexOf(u'?'), view.indexOf(u'!') };
    const char16_t marks[3] = { u'.', u'?', u'!' };
    auto smallest = [&] {
        qsizetype best = -1;
        for (qsizetype n : next) {
            if (n >= 0 && (best < 0 || n < best))
                best = n;
        }
        return best;
    };
    qsizetype start = 0; // 0-based form of the 1-based "start"
    for (qsizetype pos = smallest(); pos >= 0; pos = smallest()) {
        if (pos == start) {
            // An end mark right after another one, or at the very beginning,
            // belongs to no sentence.
            ++start;
        } else {
            m_spans.push_back({ start, pos - start + 1 });
            start = pos + 1;
        }
        for (int i = 0; i < 3; ++i) {
            if (next[i] == pos)
                next[i] = view.indexOf(marks[i], pos + 1);
        }
    }
    // After a final "." nothing more is kept; after "?" or "!" or plain text the
    // rest becomes one more sentence, which may be empty and then ends the reading.
    if (data[length - 1] != QLatin1Char('.'))
        m_spans.push_back({ start, length - start });
}

QString clsStore::Sentence(int number) const
{
    if (number < 1 || number > Sentences())
        return {};
    const Span &s = m_spans[size_t(number - 1)];
    return m_text.mid(s.start, s.length);
}

QString clsStore::NextSentence()
{
    ++m_readIndex;
    if (m_readIndex > Sentences())
        return {};
    const Span &s = m_spans[size_t(m_readIndex - 1)];
    // Trimming blanks first, as the rule reads, is covered by the junk rules:
    // blanks are junk at both ends.
    QString sentence = m_text.mid(s.start, s.length);
    cSharedText::EatCrapFromStart(sentence);
    cSharedText::EatCrapFromEnd(sentence);
    return sentence;
}
