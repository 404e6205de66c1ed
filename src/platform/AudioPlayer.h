#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>

class AudioQueue;
class QAudioSink;
class QIODevice;

// Plays what the speech worker puts into an AudioQueue, on the UI thread: a timer
// hands the queued samples to a QAudioSink as fast as the sink takes them, and tells
// when the audio of each speak call has really been played (the sink's playback
// position has passed its end). Without an audio output device it plays into
// silence at the same pace, so readings still proceed in real time.
class AudioPlayer : public QObject
{
    Q_OBJECT
public:
    AudioPlayer(std::shared_ptr<AudioQueue> queue, int sampleRate, QObject *parent = nullptr);
    ~AudioPlayer() override;

    // Tests: true plays into silence even when a device exists (see base/Seam.h).
    struct ForceSilentSeam
    {
        using Type = bool;
    };

    // Makes sure the queue is being drained (opens the device when needed).
    void play();
    void pause();
    void resume();
    bool isPaused() const { return m_paused; }
    // Silences at once: what the sink still holds is dropped, pending ends forgotten.
    void stop();

    bool isSilent() const { return m_silent; }
    // Audio handed to the sink (or the silence) since it was opened, in bytes.
    qint64 handedBytes() const { return m_handed; }

signals:
    void jobPlayed(quint64 job);
    // The sink has begun playing a word of speak call `job` (see AudioQueue::word).
    void wordPlayed(quint64 job, int position, int length);
    // Real samples went to the output (not emitted for an empty hand-over).
    void audioHanded(qint64 bytes);
    // Once per process, when there is no device to play on.
    void playingSilently();

private:
    void pump();
    bool openOutput();
    void closeOutput();
    void startSilence();
    qint64 playedBytes() const;
    qint64 bytesFor(qint64 usecs) const;

    std::shared_ptr<AudioQueue> m_queue;
    int m_sampleRate;
    QTimer m_timer;
    QAudioSink *m_sink = nullptr;
    QIODevice *m_io = nullptr;
    bool m_silent = false;
    bool m_open = false;
    bool m_paused = false;
    qint64 m_handed = 0;
    QList<std::pair<quint64, qint64>> m_ends; // job, offset of its end in handed bytes
    struct Word
    {
        quint64 job;
        qint64 offset; // in handed bytes
        int position;
        int length;
    };
    QList<Word> m_words;
    QByteArray m_scratch;
    QElapsedTimer m_silentClock;
    qint64 m_silentLastNs = 0;
    int m_idlePumps = 0;
    quint64 m_epoch = 0; // bumped by stop()
};
