#pragma once

#include "speech/SpeechEngine.h"

#include <QTimer>

#include <QList>
#include <QStringList>
#include <memory>
#include <vector>

// Several engines as one: their voices in one list, each engine's in a run of its own in
// the order the engines were given (voice numbers go on from one engine to the next), and
// every call made to the engine of the selected voice. Speed and pitch are kept here on
// the common scale and given to every engine, so a change of voice keeps them.
//
// Every engine's events are passed on, whichever voice is selected: a sentence that was
// being spoken when another engine's voice was chosen still ends the way it began.
class CombinedEngine : public SpeechEngine
{
    Q_OBJECT
public:
    // `notes`: what the caller wants logged once the talker listens (for example an
    // engine that could not be made); raised as EngineEvent by setInitialized.
    explicit CombinedEngine(std::vector<std::unique_ptr<SpeechEngine>> engines,
                            QStringList notes = {}, QObject *parent = nullptr);
    ~CombinedEngine() override;

    void setInitialized(int value) override;
    int CountEngines() const override;
    QString ModeName(int voice) const override;
    QString ModeLanguage(int voice) const override;
    VoiceIdentity Identity(int voice) const override;
    bool CanRender(int voice) const override;
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
    bool VoicesPending() const override;
    void WaitForVoices() override;

    // An engine whose voices come later, after all the others: once `ready` says so (asked
    // on this thread, a few times a second) or a caller waits, `make` builds it, without
    // waiting long once ready; it may fail and return null, leaving what to log in `notes`.
    using Ready = std::function<bool()>;
    using Make = std::function<std::unique_ptr<SpeechEngine>(QStringList &notes)>;
    void addLater(Ready ready, Make make);

    // The engine of the selected voice (for tests and benchmarks).
    SpeechEngine *activeEngine() const;

private:
    struct Place
    {
        SpeechEngine *engine;
        int voice; // the engine's own number
    };
    Place place(int voice) const;
    void adopt(SpeechEngine &engine);
    void takeLateEngine();

    std::vector<std::unique_ptr<SpeechEngine>> m_engines;
    QStringList m_notes;
    int m_voice = 1;
    int m_speed = kDefaultSpeed;
    int m_pitch = 0;
    QList<SpeechEngine *> m_paused; // the engines a pause reached
    int m_initialized = 0;
    Ready m_lateReady;
    Make m_makeLate;
    QTimer *m_lateWatch = nullptr;
};
