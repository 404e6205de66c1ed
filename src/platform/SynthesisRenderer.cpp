#include "platform/SynthesisRenderer.h"

#include "platform/AudioQueue.h"
#include "platform/SynthesisWorker.h"

#include <chrono>
#include <thread>
#include <vector>

namespace {
// Texts given to the worker ahead of the one being drained, so it never idles
// between sentences; few enough that a cancel drops little work.
constexpr qsizetype kJobsAhead = 4;
constexpr qsizetype kReadSamples = 32768;
} // namespace

SynthesisRenderer::SynthesisRenderer(std::shared_ptr<SynthesisWorker> synth, QByteArray voice,
                                     int rate, int pitch)
    : m_synth(std::move(synth))
    , m_voice(std::move(voice))
    , m_rate(rate)
    , m_pitch(pitch)
{
}

int SynthesisRenderer::sampleRate() const
{
    return m_synth->sampleRate();
}

bool SynthesisRenderer::render(const QStringList &texts, Sink &sink)
{
    auto queue = std::make_shared<AudioQueue>();
    const quint64 generation = queue->generation();
    qsizetype given = 0;
    qsizetype finished = 0;

    auto giveMore = [&] {
        while (given < texts.size() && given - finished < kJobsAhead) {
            SynthesisWorker::Job job;
            job.id = quint64(given) + 1;
            job.generation = generation;
            job.text = texts.at(given);
            job.voice = m_voice;
            job.rate = m_rate;
            job.pitch = m_pitch;
            job.queue = queue;
            m_synth->submit(std::move(job));
            ++given;
        }
    };
    // The worker may still be inside a piece of ours: clearing the queue makes it
    // drop the rest at its next callback, and cancel() forgets the jobs not started.
    auto abandon = [&] {
        queue->clear();
        m_synth->cancel(queue.get());
    };

    std::vector<int16_t> buffer(kReadSamples);
    char *bytes = reinterpret_cast<char *>(buffer.data());
    QList<AudioQueue::JobEnd> ends;
    try {
        giveMore();
        while (finished < texts.size()) {
            ends.clear();
            const qsizetype taken = queue->read(bytes, kReadSamples * 2, &ends);
            qsizetype handed = 0;
            for (const AudioQueue::JobEnd &end : ends) {
                if (end.offset > handed
                    && !sink.audio(buffer.data() + handed / 2, (end.offset - handed) / 2)) {
                    abandon();
                    return false;
                }
                handed = qMax(handed, end.offset);
                ++finished;
                if (!sink.textDone(qsizetype(end.job) - 1)) {
                    abandon();
                    return false;
                }
            }
            if (taken > handed && !sink.audio(buffer.data() + handed / 2, (taken - handed) / 2)) {
                abandon();
                return false;
            }
            giveMore();
            // The worker tells no one when it has pushed audio; a short nap between
            // empty reads costs far less than the synthesis it waits for.
            if (taken == 0 && ends.isEmpty())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } catch (...) {
        abandon();
        throw;
    }
    return true;
}
