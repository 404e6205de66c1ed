#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

class AudioQueue;

// The one thread of the process that calls a speech library which keeps global state and
// is not thread-safe (espeak-ng, Flite). Engines hand it speak jobs and get 16-bit mono
// samples back through their AudioQueue.
//
// A job is synthesised in pieces of a few hundred characters, and a piece is started
// only while the job's queue holds less than a couple of seconds of audio. So the
// first sound comes quickly and memory stays bounded whatever the length of a
// sentence, and two engines (the reader and the pronunciation editor) take turns
// instead of one waiting for the other's whole book.
class SynthesisWorker
{
public:
    struct Job
    {
        quint64 id = 0;
        quint64 generation = 0; // of the queue when the job was given
        QString text;
        QByteArray voice;
        int rate = 175; // words per minute
        int pitch = 0; // in the library's own unit (the subclass says which)
        std::shared_ptr<AudioQueue> queue;
        // Mark in the queue where each word's audio begins (for a reading, not a file).
        bool words = false;
    };

    virtual ~SynthesisWorker();
    SynthesisWorker(const SynthesisWorker &) = delete;
    SynthesisWorker &operator=(const SynthesisWorker &) = delete;

    int sampleRate() const { return m_sampleRate; }

    void submit(Job job);
    // Forgets the jobs still waiting for `queue`; the piece in hand stops at its next
    // callback because the caller has cleared the queue (a new generation).
    void cancel(const AudioQueue *queue);

    // Where a piece of `text` starting at `from` ends (exclusive): the whole rest when
    // short, else after a comma-like mark or a blank, never splitting a surrogate pair.
    static qsizetype pieceEnd(const QString &text, qsizetype from);

    // Audio a queue may hold before its job's next piece waits, in bytes.
    qsizetype lowWaterBytes() const { return qsizetype(m_sampleRate) * 2 * 2; }

protected:
    SynthesisWorker() = default;

    // The process-wide worker of type T, started on first use; throws Failure 429 when
    // its library cannot be loaded (and keeps failing the same way).
    template<class T> static std::shared_ptr<T> sharedInstance(const QString &source);

    // Runs on the worker thread: loads the library and sets m_sampleRate; false and a
    // reason when it cannot.
    virtual bool initialise(QString *error) = 0;
    // Runs on the worker thread: the piece [from, to) of the job into its queue.
    virtual void synthesisePiece(const Job &job, qsizetype from, qsizetype to) = 0;
    // Runs on the worker thread as it ends.
    virtual void terminate() { }

    // Ends the worker thread; the destructor of the most derived class calls it, since
    // the thread calls that class's functions.
    void stop();

    int m_sampleRate = 22050;

private:
    [[noreturn]] static void cannotCreate(const QString &why, const QString &source);
    QString start();
    void run(std::promise<QString> &ready);
    std::shared_ptr<Job> takeWork();

    struct Pending
    {
        std::shared_ptr<Job> job;
        qsizetype position = 0;
    };

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Pending> m_jobs;
    const AudioQueue *m_lastServed = nullptr;
    bool m_quit = false;
};

// Where a library's samples go as it makes them, with the words they begin.
class SampleOutput
{
public:
    virtual ~SampleOutput() = default;
    // False when the samples are no longer wanted: the library should abandon the text.
    virtual bool audio(const short *samples, qsizetype count) = 0;
    // A word begins after the audio handed so far: `position` and `length` in UTF-16
    // units of the text being spoken.
    virtual void word(qsizetype position, qsizetype length)
    {
        Q_UNUSED(position)
        Q_UNUSED(length)
    }
    virtual bool wantsWords() const { return false; }
};

// Where one piece's audio and word marks go: into the job's queue, in order, the audio
// before a word going first so the mark sits where the word starts. Gives up (stale) as
// soon as the queue has been cleared by a stop.
class PieceOutput : public SampleOutput
{
public:
    PieceOutput(const SynthesisWorker::Job &job, qsizetype from);

    bool audio(const short *samples, qsizetype count) override;
    // `position` in the job's text.
    void word(qsizetype position, qsizetype length) override;
    bool wantsWords() const override { return m_job.words; }
    bool stale() const { return m_stale; }
    // Samples of this piece pushed so far.
    qint64 pushed() const { return m_pushed; }
    // Where the piece starts in the job's text.
    qsizetype from() const { return m_from; }

private:
    const SynthesisWorker::Job &m_job;
    qsizetype m_from;
    qint64 m_pushed = 0;
    bool m_stale = false;
};

template<class T> std::shared_ptr<T> SynthesisWorker::sharedInstance(const QString &source)
{
    static std::mutex guard;
    static std::shared_ptr<T> instance;
    static QString failure;
    std::lock_guard lock(guard);
    if (!instance && failure.isEmpty()) {
        std::shared_ptr<T> made(new T);
        failure = made->start();
        if (failure.isEmpty())
            instance = std::move(made);
        // On failure the worker has already ended; the destructor joins it.
    }
    if (!instance)
        cannotCreate(failure, source);
    return instance;
}
