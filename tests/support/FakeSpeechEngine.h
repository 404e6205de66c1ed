#pragma once

#include "speech/SpeechEngine.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A speech engine for logic tests: it records what it is asked to do, speaks nothing,
// and raises SpeakingDone only when the test says so (emitDone). Any operation can be
// made to fail by name, speeds can be refused, voices broken or rejected.
class FakeSpeechEngine : public SpeechEngine
{
    Q_OBJECT
public:
    struct Voice
    {
        QString name;
        QString language;
        bool describable = true; // false: ModeName / ModeLanguage of this voice throw
        bool selectable = true; // false: Select of this voice throws
    };

    explicit FakeSpeechEngine(QObject *parent = nullptr);

    // What the engine offers; two voices unless a test sets others.
    QList<Voice> voices;
    // The engine's name in its voices' identities (none by default, as an engine that
    // names no voices); false: its voices cannot be written to a file.
    QString engineName;
    bool renders = true;
    // Speeds outside [minSpeed, maxSpeed] or equal to refusedSpeed throw Failure 380.
    int minSpeed = 80;
    int maxSpeed = 450;
    std::optional<int> refusedSpeed;
    // A done event raised from within StopSpeaking, as some engines do.
    bool doneOnStop = false;

    // Recorded state.
    QStringList spoken;
    QStringList calls; // every operation by name, in order
    int initialized = 0;
    int selected = 1;
    int speed = 200;
    int pitch = 0;
    bool paused = false;
    int speaking = 0;
    int stops = 0;

    // Makes the operation called `operation` (the name of the member, e.g. "Speak",
    // "setSpeed", "CountEngines") throw Failure(code, description) from now on.
    void failOperation(const QString &operation, int code = 5,
                       const QString &description = QStringLiteral("Invalid procedure call"));
    void clearFailures() { m_failures.clear(); }

    // Ends the current speech as the real engine would once its audio has played.
    void emitDone();
    // The word at `position` of the text being spoken starts to sound.
    void emitWord(int position, int length) { emit SpeakingWord(position, length); }

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
    void setPitch(int value) override;

    // Rendering with fake samples: per character of a text 400 samples at speed 200
    // (fewer when faster), then a pause of 1600 zero samples; the samples depend on the
    // characters and the pitch. The renderer copies these settings when it is made.
    int renderSampleRate = 16000;
    // Runs on the rendering thread before each text (tests stall or count there).
    std::function<void(qsizetype index)> onRenderText;
    // "CreateRenderer" and "render" fail through failOperation like the rest.
    std::unique_ptr<SpeechRenderer> CreateRenderer(int jobs) const override;
    using SpeechEngine::CreateRenderer;
    // The jobs the last CreateRenderer was asked for.
    mutable int renderJobs = 0;

    // Installs fakes as the engine factory for the lifetime of the scope and restores the
    // factory before it after (see base/Seam.h). `configure` runs on each new fake.
    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

        std::function<void(FakeSpeechEngine &)> configure;
        bool failCreation = false; // create() throws Failure 429
        int created = 0;
        // The fake made last; null once its owner has destroyed it.
        FakeSpeechEngine *last() const { return m_last.data(); }

    private:
        std::unique_ptr<SpeechEngine> make();

        QPointer<FakeSpeechEngine> m_last;
        Seam::Override<SpeechEngineFactory::FactorySeam> m_factory;
    };

private:
    void record(const QString &operation) const;
    const Voice &voice(int number, const QString &operation) const;

    QMap<QString, std::pair<int, QString>> m_failures;
};
