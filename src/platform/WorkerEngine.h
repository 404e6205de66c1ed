#pragma once

#include "speech/SpeechEngine.h"

#include <QByteArray>
#include <QList>
#include <memory>

class AudioPlayer;
class AudioQueue;
class SynthesisWorker;

// A speech engine over an in-process library (espeak-ng, Flite). Speak returns at once:
// the library's process-wide synthesis worker renders the text on its thread into this
// engine's audio queue, and the player hands it to the sound output on the UI thread.
// SpeakingDone comes once per Speak, after its audio has been played, also for an empty
// text. StopSpeaking silences at once and cancels every Speak in progress: those raise no
// SpeakingDone at all, so a new reading started right after a stop is never advanced by
// a late event of the old one.
class WorkerEngine : public SpeechEngine
{
    Q_OBJECT
public:
    struct Voice
    {
        QByteArray identifier; // what the library selects the voice by
        QString name;
        QString language;
    };

    ~WorkerEngine() override;

    void setInitialized(int value) override;
    int CountEngines() const override;
    QString ModeName(int voice) const override;
    QString ModeLanguage(int voice) const override;
    VoiceIdentity Identity(int voice) const override;
    void Select(int voice) override;
    int CurrentMode() const override;
    void Speak(const QString &text) override;
    void StopSpeaking() override;
    void AudioPause() override;
    void AudioResume() override;
    int Speaking() const override;
    int Speed() const override;
    void setSpeed(int wordsPerMinute) override;
    int Pitch() const override;
    void setPitch(int pitch) override;
    std::unique_ptr<SpeechRenderer> CreateRenderer(int jobs) const override;
    using SpeechEngine::CreateRenderer;

    // For tests and benchmarks: the sample rate, the most audio ever queued at once
    // (bytes), whether the output is the silent stand-in, and the audio handed so far.
    int sampleRate() const;
    qsizetype queueHighWater() const;
    void resetQueueHighWater();
    bool playsSilently() const;
    qint64 audioHandedBytes() const;

signals:
    // Samples went to the sound output.
    void AudioHanded(qint64 bytes);

protected:
    // `engine`: the identity's engine name, also what a render worker process is told to
    // load (RenderWorker).
    WorkerEngine(std::shared_ptr<SynthesisWorker> synth, QList<Voice> voices, QByteArray engine,
                 QObject *parent);

    // The pitch (-10..10) as the worker's jobs take it.
    virtual int libraryPitch(int pitch) const = 0;

private:
    void checkVoice(int voice) const;
    void jobPlayed(quint64 job);
    void wordPlayed(quint64 job, int position, int length);
    void audioHanded(qint64 bytes);
    QByteArray voiceIdentifier() const;

    std::shared_ptr<SynthesisWorker> m_synth;
    std::shared_ptr<AudioQueue> m_queue;
    AudioPlayer *m_player = nullptr;
    QList<Voice> m_voices;
    QByteArray m_engine;
    QList<quint64> m_pending; // speak calls not yet played, oldest first
    quint64 m_started = 0; // the last speak call whose sound has begun
    quint64 m_nextJob = 0;
    int m_voice = 1;
    int m_speed = kDefaultSpeed;
    int m_pitch = 0;
};
