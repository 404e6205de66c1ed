#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

class AudioQueue;

// The one owner of libespeak-ng in the process. The library keeps global state and is
// not thread-safe, so every call to it happens on this class's worker thread; engines
// hand it speak jobs and get 16-bit mono samples back through their AudioQueue.
//
// A job is synthesised in pieces of a few hundred characters, and a piece is started
// only while the job's queue holds less than a couple of seconds of audio. So the
// first sound comes quickly and memory stays bounded whatever the length of a
// sentence, and two engines (the reader and the pronunciation editor) take turns
// instead of one waiting for the other's whole book.
class EspeakSynthesizer
{
public:
    struct Voice
    {
        QByteArray identifier; // what the library selects the voice by
        QString name;
        QString language; // the main one
        // Every language the voice speaks with the library's priority (lower is better).
        QList<std::pair<int, QString>> languages;
    };

    struct Job
    {
        quint64 id = 0;
        quint64 generation = 0; // of the queue when the job was given
        QString text;
        QByteArray voice;
        int rate = 175; // words per minute
        int pitch = 50; // the library's 0..100
        std::shared_ptr<AudioQueue> queue;
        // Mark in the queue where each word's audio begins (for a reading, not a file).
        bool words = false;
    };

    // The process-wide instance, started on first use. Throws Failure 429 when the
    // library or its data cannot be loaded (and keeps failing the same way).
    static std::shared_ptr<EspeakSynthesizer> instance();

    ~EspeakSynthesizer();
    EspeakSynthesizer(const EspeakSynthesizer &) = delete;
    EspeakSynthesizer &operator=(const EspeakSynthesizer &) = delete;

    // The voice matching the system language first, then the rest in the library's order.
    const QList<Voice> &voices() const { return m_voices; }
    int sampleRate() const { return m_sampleRate; }

    void submit(Job job);
    // Forgets the jobs still waiting for `queue`; the piece in hand stops at its next
    // callback because the caller has cleared the queue (a new generation).
    void cancel(const AudioQueue *queue);

    // Where a piece of `text` starting at `from` ends (exclusive): the whole rest when
    // short, else after a comma-like mark or a blank, never splitting a surrogate pair.
    static qsizetype pieceEnd(const QString &text, qsizetype from);

    // The voice (index) that best speaks the language of `localeName` ("de_DE.UTF-8"),
    // 0 when none does.
    static qsizetype preferredVoice(const QList<Voice> &voices, const QString &localeName);
    // The user's locale name as the C library sees it: LC_ALL, LC_MESSAGES or LANG.
    static QString systemLocaleName();

    // The library started on the calling thread, in synchronous mode, as the worker
    // thread starts it; a render worker process uses it without the worker thread.
    static bool initialiseLibrary(QString *error);
    // One espeak_Synth call of a piece; `last`: the piece ends its text (with a pause).
    static void synthesise(const QByteArray &utf8, bool last);

    // Audio a queue may hold before its job's next piece waits, in bytes.
    qsizetype lowWaterBytes() const { return qsizetype(m_sampleRate) * 2 * 2; }

private:
    EspeakSynthesizer() = default;
    void run(std::promise<QString> &ready);
    bool initialise(QString *error);
    std::shared_ptr<Job> takeWork();
    void synthesisePiece(Job &job, qsizetype from, qsizetype to);

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

    QList<Voice> m_voices;
    int m_sampleRate = 22050;
    QByteArray m_currentVoice; // worker thread only
};
