#include "platform/AudioQueue.h"

#include <algorithm>
#include <cstring>

bool AudioQueue::push(quint64 generation, const char *data, qsizetype bytes)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation)
        return false;
    if (bytes <= 0)
        return true;
    m_chunks.push_back({ QByteArray(data, bytes) });
    m_buffered += bytes;
    m_highWater = std::max(m_highWater, m_buffered);
    return true;
}

void AudioQueue::endOfJob(quint64 generation, quint64 job)
{
    std::lock_guard lock(m_mutex);
    if (generation == m_generation)
        m_chunks.push_back({ QByteArray(), 0, job });
}

void AudioQueue::word(quint64 generation, quint64 job, int position, int length)
{
    std::lock_guard lock(m_mutex);
    if (generation == m_generation)
        m_chunks.push_back({ QByteArray(), 0, 0, job, position, length });
}

qsizetype AudioQueue::read(char *out, qsizetype maxBytes, QList<JobEnd> *ends, QList<Word> *words)
{
    std::lock_guard lock(m_mutex);
    qsizetype taken = 0;
    while (!m_chunks.empty()) {
        Chunk &chunk = m_chunks.front();
        if (chunk.wordOfJob != 0) {
            if (words)
                words->append({ chunk.wordOfJob, taken, chunk.position, chunk.length });
            m_chunks.pop_front();
            continue;
        }
        if (chunk.endOfJob != 0) {
            if (ends)
                ends->append({ chunk.endOfJob, taken });
            m_chunks.pop_front();
            continue;
        }
        if (taken >= maxBytes)
            break;
        const qsizetype n = std::min(maxBytes - taken, chunk.data.size() - chunk.consumed);
        std::memcpy(out + taken, chunk.data.constData() + chunk.consumed, size_t(n));
        taken += n;
        chunk.consumed += n;
        if (chunk.consumed == chunk.data.size())
            m_chunks.pop_front();
    }
    m_buffered -= taken;
    return taken;
}

quint64 AudioQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_chunks.clear();
    m_buffered = 0;
    return ++m_generation;
}

quint64 AudioQueue::generation() const
{
    std::lock_guard lock(m_mutex);
    return m_generation;
}

qsizetype AudioQueue::buffered() const
{
    std::lock_guard lock(m_mutex);
    return m_buffered;
}

qsizetype AudioQueue::highWater() const
{
    std::lock_guard lock(m_mutex);
    return m_highWater;
}

void AudioQueue::resetHighWater()
{
    std::lock_guard lock(m_mutex);
    m_highWater = m_buffered;
}
