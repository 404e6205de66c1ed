#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// One piece of the library's long work (the catalogue parses, unpacking a book) on a
// thread of its own, so the window stays responsive while it runs. The work checks its
// token for a cancel and reports progress through it. It touches no window and none of
// the process-wide services (log, settings, translator), which belong to the main
// thread: it hands back what happened, and the owner tells.
//
// Cancel, and the object going (the window closed, the program ending), stop the work
// at its next check; the destructor waits for that, which the work keeps short by
// checking often.
class BackgroundJob : public QObject
{
    Q_OBJECT
public:
    class Token
    {
    public:
        bool cancelled() const;
        // The flag behind cancelled(), for code that checks it without knowing the job.
        const std::atomic<bool> *flag() const;
        // Reported as Progress on the owner's thread, a few times a second at most.
        void progress(qint64 done, qint64 total) const;
        // Runs fn on the owner's thread and waits for it to return; gives up (false)
        // once the job is cancelled. What fn writes must outlive the work (shared
        // pointers), since the work may have stopped waiting by the time fn runs.
        bool onOwnerThread(std::function<void()> fn) const;

    private:
        friend class BackgroundJob;
        struct Shared;
        std::shared_ptr<Shared> m_shared;
    };

    explicit BackgroundJob(QObject *parent = nullptr);
    ~BackgroundJob() override;

    // Starts work; false when a job is still running. finished runs on this object's
    // thread once the work has returned, unless the job was cancelled; Ended follows in
    // either case.
    bool start(std::function<void(const Token &)> work, std::function<void()> finished = {});
    void cancel();
    bool isRunning() const { return m_running; }
    // Waits for the work to return (tests, and tools without an event loop).
    void wait();

signals:
    void Progress(qint64 done, qint64 total);
    void Ended();

private:
    void joinThread();

    std::shared_ptr<Token::Shared> m_shared;
    std::thread m_thread;
    bool m_running = false;
};
