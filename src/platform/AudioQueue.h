#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <deque>
#include <mutex>
#include <utility>

// The hand-over of synthesised audio from the speech worker thread to the UI thread:
// a FIFO of 16-bit mono samples with a marker after the last sample of each speak
// call. Clearing it starts a new generation; audio of an older generation that the
// worker still delivers is dropped, so a stop takes effect at once.
class AudioQueue
{
public:
    // Appends audio; false when `generation` is stale (the worker should give up).
    bool push(quint64 generation, const char *data, qsizetype bytes);
    // Marks the end of the audio of speak call `job`.
    void endOfJob(quint64 generation, quint64 job);
    // Marks where the audio of a word of speak call `job` begins: the word at `position`,
    // `length` UTF-16 units long, in the text given to that call.
    void word(quint64 generation, quint64 job, int position, int length);

    struct JobEnd
    {
        quint64 job;
        qsizetype offset; // bytes of this read that precede the job's end
    };
    struct Word
    {
        quint64 job;
        qsizetype offset; // bytes of this read that precede the word's audio
        int position;
        int length;
    };
    // Takes up to `maxBytes` of audio into `out`; the ends of jobs passed on the way,
    // including those at the front when nothing can be taken, go into `ends`, the words
    // begun on the way into `words` (dropped when null).
    qsizetype read(char *out, qsizetype maxBytes, QList<JobEnd> *ends,
                   QList<Word> *words = nullptr);

    // Drops everything and returns the new generation.
    quint64 clear();
    quint64 generation() const;

    qsizetype buffered() const;
    // The most audio ever held at once since the last reset, in bytes.
    qsizetype highWater() const;
    void resetHighWater();

private:
    struct Chunk
    {
        QByteArray data;
        qsizetype consumed = 0;
        quint64 endOfJob = 0; // non-zero: a marker, no data
        quint64 wordOfJob = 0; // non-zero: a word marker, no data
        int position = 0;
        int length = 0;
    };

    mutable std::mutex m_mutex;
    std::deque<Chunk> m_chunks;
    quint64 m_generation = 1;
    qsizetype m_buffered = 0;
    qsizetype m_highWater = 0;
};
