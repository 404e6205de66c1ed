#include "library/BackgroundJob.h"

#include "base/Trace.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

struct BackgroundJob::Token::Shared
{
    BackgroundJob *owner = nullptr;
    std::atomic<bool> cancelled { false };
    // The worker's own.
    QElapsedTimer sinceProgress;
    // What escaped the work, for the owner's log.
    QString escaped;
};

bool BackgroundJob::Token::cancelled() const
{
    return m_shared->cancelled.load(std::memory_order_relaxed);
}

const std::atomic<bool> *BackgroundJob::Token::flag() const
{
    return &m_shared->cancelled;
}

void BackgroundJob::Token::progress(qint64 done, qint64 total) const
{
    Shared &s = *m_shared;
    // A status line redrawn for every 50 of 200,000 lines would cost more than the parse.
    if (s.sinceProgress.isValid() && s.sinceProgress.elapsed() < 100 && done < total)
        return;
    s.sinceProgress.start();
    // The owner outlives the work (its destructor waits), so emitting from here is safe;
    // the owner's thread receives it queued.
    emit s.owner->Progress(done, total);
}

bool BackgroundJob::Token::onOwnerThread(std::function<void()> fn) const
{
    struct Wait
    {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto wait = std::make_shared<Wait>();
    const std::shared_ptr<Shared> shared = m_shared;
    QMetaObject::invokeMethod(
        shared->owner,
        [wait, shared, fn = std::move(fn)] {
            if (!shared->cancelled)
                fn();
            {
                std::lock_guard lock(wait->mutex);
                wait->done = true;
            }
            wait->cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(wait->mutex);
    while (!wait->done) {
        if (cancelled())
            return false;
        wait->cv.wait_for(lock, std::chrono::milliseconds(50));
    }
    return !cancelled();
}

BackgroundJob::BackgroundJob(QObject *parent)
    : QObject(parent)
{
}

BackgroundJob::~BackgroundJob()
{
    cancel();
    joinThread();
}

bool BackgroundJob::start(std::function<void(const Token &)> work, std::function<void()> finished)
{
    if (m_running)
        return false;
    joinThread();
    auto shared = std::make_shared<Token::Shared>();
    shared->owner = this;
    m_shared = shared;
    m_running = true;
    m_thread = std::thread([this, shared, work = std::move(work), finished = std::move(finished)] {
        Token token;
        token.m_shared = shared;
        try {
            work(token);
        } catch (const std::exception &e) {
            shared->escaped = Trace::asFailure(e).traceText();
        }
        QMetaObject::invokeMethod(
            this,
            [this, shared, finished] {
                if (shared != m_shared)
                    return;
                joinThread();
                m_running = false;
                if (!shared->escaped.isEmpty())
                    Log().AddAction(shared->escaped, QStringLiteral("BackgroundJob"),
                                    QStringLiteral("frmGUT"));
                if (!shared->cancelled && finished)
                    finished();
                emit Ended();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void BackgroundJob::cancel()
{
    if (m_shared)
        m_shared->cancelled = true;
}

void BackgroundJob::wait()
{
    joinThread();
}

void BackgroundJob::joinThread()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}
