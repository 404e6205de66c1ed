#include "platform/SynthesisWorker.h"

#include "base/Failure.h"
#include "platform/AudioQueue.h"

#include <algorithm>

namespace {
constexpr qsizetype kShortText = 300; // synthesised in one go
constexpr qsizetype kPieceTarget = 250;
constexpr qsizetype kPieceMinimum = 100;
} // namespace

SynthesisWorker::~SynthesisWorker()
{
    // The most derived destructor has stopped the thread already; this is the fallback
    // for a worker whose start failed.
    stop();
}

void SynthesisWorker::cannotCreate(const QString &why, const QString &source)
{
    throw Failure(FailureCode::CannotCreateComponent, why, source);
}

QString SynthesisWorker::start()
{
    std::promise<QString> ready;
    std::future<QString> result = ready.get_future();
    m_thread = std::thread([this, promise = std::move(ready)]() mutable { run(promise); });
    return result.get();
}

void SynthesisWorker::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SynthesisWorker::run(std::promise<QString> &ready)
{
    QString error;
    if (!initialise(&error)) {
        ready.set_value(error.isEmpty() ? QStringLiteral("Speech engine cannot be created")
                                        : error);
        return;
    }
    ready.set_value(QString());

    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        std::shared_ptr<Job> job = takeWork();
        if (!job) {
            // Jobs whose queues are full are looked at again shortly; the UI thread
            // drains queues without telling us.
            if (m_jobs.empty())
                m_wake.wait(lock);
            else
                m_wake.wait_for(lock, std::chrono::milliseconds(10));
            continue;
        }
        Pending &pending = *std::find_if(m_jobs.begin(), m_jobs.end(),
                                         [&](const Pending &p) { return p.job == job; });
        const qsizetype from = pending.position;
        const qsizetype to = pieceEnd(job->text, from);
        pending.position = to;
        lock.unlock();
        if (to > from)
            synthesisePiece(*job, from, to);
        lock.lock();
        if (to >= job->text.size()) {
            job->queue->endOfJob(job->generation, job->id);
            std::erase_if(m_jobs, [&](const Pending &p) { return p.job == job; });
        }
    }
    lock.unlock();
    terminate();
}

std::shared_ptr<SynthesisWorker::Job> SynthesisWorker::takeWork()
{
    std::erase_if(m_jobs,
                  [](const Pending &p) { return p.job->queue->generation() != p.job->generation; });
    const qsizetype lowWater = lowWaterBytes();
    std::shared_ptr<Job> fallback;
    QList<const AudioQueue *> seen;
    for (const Pending &p : m_jobs) {
        const AudioQueue *queue = p.job->queue.get();
        // Each engine's jobs run in the order they were given.
        if (seen.contains(queue))
            continue;
        seen.append(queue);
        if (queue->buffered() >= lowWater)
            continue;
        // Take turns between engines: prefer one that was not served last.
        if (queue != m_lastServed) {
            m_lastServed = queue;
            return p.job;
        }
        if (!fallback)
            fallback = p.job;
    }
    return fallback;
}

void SynthesisWorker::submit(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({ std::make_shared<Job>(std::move(job)), 0 });
    }
    m_wake.notify_all();
}

void SynthesisWorker::cancel(const AudioQueue *queue)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_jobs, [&](const Pending &p) { return p.job->queue.get() == queue; });
}

qsizetype SynthesisWorker::pieceEnd(const QString &text, qsizetype from)
{
    if (text.size() - from <= kShortText)
        return text.size();
    const qsizetype first = from + kPieceMinimum;
    const qsizetype last = from + kPieceTarget;
    for (qsizetype i = last; i >= first; --i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char(':'))
            return i + 1;
    }
    for (qsizetype i = last; i >= first; --i) {
        if (text.at(i).isSpace())
            return i + 1;
    }
    qsizetype end = last;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return end;
}

PieceOutput::PieceOutput(const SynthesisWorker::Job &job, qsizetype from)
    : m_job(job)
    , m_from(from)
{
}

bool PieceOutput::audio(const short *samples, qsizetype count)
{
    if (m_stale)
        return false;
    if (count <= 0)
        return true;
    m_pushed += count;
    if (!m_job.queue->push(m_job.generation, reinterpret_cast<const char *>(samples), count * 2))
        m_stale = true;
    return !m_stale;
}

void PieceOutput::word(qsizetype position, qsizetype length)
{
    if (m_job.words && !m_stale)
        m_job.queue->word(m_job.generation, m_job.id, int(position), int(length));
}
