#pragma once

#include "speech/SpeechEngine.h"

#include <QStringList>
#include <memory>

class EspeakEngine;

// The real espeak-ng engine with a window onto what it is given: every call goes
// straight to a real EspeakEngine, and the texts passed to Speak are recorded, since
// the real engine keeps no copy a test could read.
class RecordingEngine : public SpeechEngine
{
    Q_OBJECT
public:
    explicit RecordingEngine(QObject *parent = nullptr);
    ~RecordingEngine() override;

    // Every text given to Speak, in order.
    QStringList spoken;

    EspeakEngine &real() const { return *m_real; }

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

    // Makes SpeechEngineFactory create recording engines for the lifetime of the scope.
    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

        // The engine made last; null once its owner has destroyed it.
        RecordingEngine *last() const;

    private:
        struct Data;
        std::unique_ptr<Data> d;
        Seam::Override<SpeechEngineFactory::FactorySeam> m_factory;
    };

private:
    std::unique_ptr<EspeakEngine> m_real;
};
