#pragma once

#include "platform/EspeakSynthesizer.h"
#include "speech/SpeechEngine.h"

#include <QList>
#include <memory>

class AudioPlayer;
class AudioQueue;

// The speech engine over libespeak-ng. Speak returns at once: the process-wide
// synthesizer renders the text on its worker thread into this engine's audio queue,
// and the player hands it to the sound output on the UI thread. SpeakingDone comes
// once per Speak, after its audio has been played, also for an empty text.
// StopSpeaking silences at once and cancels every Speak in progress: those raise no
// SpeakingDone at all, so a new reading started right after a stop is never advanced
// by a late event of the old one.
class EspeakEngine : public SpeechEngine
{
    Q_OBJECT
public:
    // Throws Failure 429 when espeak-ng or its data cannot be loaded.
    explicit EspeakEngine(QObject *parent = nullptr);
    ~EspeakEngine() override;

    // Makes this the engine SpeechEngineFactory creates: the program's start-up.
    static void installAsSpeechEngine();

    static constexpr int kMinSpeed = 80;
    static constexpr int kMaxSpeed = 450;
    static constexpr int kDefaultSpeed = 175;

    void setInitialized(int value) override;
    int CountEngines() const override;
    QString ModeName(int voice) const override;
    QString ModeLanguage(int voice) const override;
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

private:
    void checkVoice(int voice) const;
    void jobPlayed(quint64 job);
    void wordPlayed(quint64 job, int position, int length);

    std::shared_ptr<EspeakSynthesizer> m_synth;
    std::shared_ptr<AudioQueue> m_queue;
    AudioPlayer *m_player = nullptr;
    QList<EspeakSynthesizer::Voice> m_voices;
    QList<quint64> m_pending; // speak calls not yet played, oldest first
    quint64 m_nextJob = 0;
    int m_voice = 1;
    int m_speed = kDefaultSpeed;
    int m_pitch = 0;
};
