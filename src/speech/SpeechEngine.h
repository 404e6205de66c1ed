#pragma once

#include "base/Seam.h"
#include "speech/SpeechRenderer.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// Who a voice is, whatever its place in a list: the engine that speaks it ("espeak-ng",
// "flite", "speech-dispatcher") and its name within that engine. What settings and the
// command line remember a voice by.
struct VoiceIdentity
{
    QString engine;
    QString name;
    bool operator==(const VoiceIdentity &) const = default;
};

// The text-to-speech engine as the speech wrapper sees it. Voices are numbered
// from 1. Every call is made on the UI thread; SpeakingDone arrives there too,
// exactly once per Speak call, also for an empty or unspeakable text, after the
// call's audio has been played. StopSpeaking cancels the calls in progress: they
// raise no SpeakingDone. Failures are thrown as Failure.
class SpeechEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpeechEngine() override = default;

    // Speed in words per minute, the scale every engine is mapped to: a voice at a given
    // speed says about as many words a minute whichever engine speaks it.
    static constexpr int kMinSpeed = 80;
    static constexpr int kMaxSpeed = 450;
    static constexpr int kDefaultSpeed = 175;

    // "initialized = 1": makes the engine ready.
    virtual void setInitialized(int value) = 0;

    virtual int CountEngines() const = 0;
    // First description of voice i (its name) and second (its language).
    virtual QString ModeName(int voice) const = 0;
    virtual QString ModeLanguage(int voice) const = 0;
    // Voice i by engine and name; an engine that names none itself is "" and ModeName.
    virtual VoiceIdentity Identity(int voice) const { return { QString(), ModeName(voice) }; }
    // Whether voice i can be written into a file (CreateRenderer): false for voices that a
    // sound server plays itself.
    virtual bool CanRender(int voice) const
    {
        Q_UNUSED(voice)
        return true;
    }
    virtual void Select(int voice) = 0;
    virtual int CurrentMode() const = 0;

    // Returns at once; SpeakingDone follows when the text has been spoken.
    virtual void Speak(const QString &text) = 0;
    virtual void StopSpeaking() = 0;
    virtual void AudioPause() = 0;
    virtual void AudioResume() = 0;
    // Non-zero from Speak until the audio has finished.
    virtual int Speaking() const = 0;

    // Words per minute; a value the engine does not accept throws.
    virtual int Speed() const = 0;
    virtual void setSpeed(int wordsPerMinute) = 0;

    // -10 .. 10, 0 being the voice's own pitch, each step about the same change of tone
    // whatever the engine; takes effect from the next Speak.
    virtual int Pitch() const = 0;
    virtual void setPitch(int pitch) = 0;

    // A renderer with the current voice, speed and pitch, for writing speech into a
    // file faster than it could be played, on up to `jobs` cores where the engine can
    // (the audio is the same whatever the number); null when the engine cannot render.
    virtual std::unique_ptr<SpeechRenderer> CreateRenderer(int jobs) const
    {
        Q_UNUSED(jobs)
        return nullptr;
    }
    std::unique_ptr<SpeechRenderer> CreateRenderer() const { return CreateRenderer(1); }

    // Whether more voices are still to come (a sound server still listing its own): they
    // are added after the ones there are, so a voice's number never changes, and
    // VoicesAdded tells when. WaitForVoices waits for them instead, as long as the engine
    // gives them.
    virtual bool VoicesPending() const { return false; }
    virtual void WaitForVoices() { }

signals:
    void SpeakingDone();
    // The sound of the current Speak call has begun (its first audio reached the output,
    // or the sound server said so): at most once per Speak call.
    void SpeakingStarted();
    // The audio of a word has begun to play: the word at `position` (UTF-16 units from 0)
    // of the text of the Speak call being spoken, `length` units long. Raised as the sound
    // output reaches it, so none comes while the audio is paused.
    void SpeakingWord(int position, int length);
    // A notable condition of the engine, worth a line in the event log.
    void EngineEvent(const QString &text);
    // Voices that were pending have come: CountEngines is larger now.
    void VoicesAdded();
};

// Where talkers get their engine. The speech layer knows only this interface: the program
// installs the real engines at start (SpeechEngines::install), tests replace them with a
// fake through FactorySeam (see base/Seam.h).
namespace SpeechEngineFactory {
using Factory = std::function<std::unique_ptr<SpeechEngine>()>;
// Empty until an engine is installed.
struct FactorySeam
{
    using Type = Factory;
};
// A new engine from the installed factory; throws Failure 429 when none is installed or
// the engine cannot be created.
std::unique_ptr<SpeechEngine> create();
} // namespace SpeechEngineFactory
