#pragma once

#include "speech/SpeechEngine.h"

#include <QList>
#include <memory>

// The desktop's voices through speech-dispatcher: every voice of every output module
// the daemon runs (RHVoice, Festival, Pico, espeak-ng, ...). The daemon plays the audio
// itself, so these voices read aloud but cannot be written into a file (CanRender is
// false, CreateRenderer null).
//
// Each Speak is one message in SSML with a mark before every word: the daemon's begin
// and end events drive SpeakingStarted and SpeakingDone, and the marks, where the
// module sends them, the word mark. A pause cancels the message and Continue says the
// rest from the word that was being heard (the daemon's own pause never resumes a
// module that plays through it). The library calls back on its own thread; every
// event reaches this object on its thread through a queued call. Speed (words per
// minute) and pitch (-10..10) are mapped to the daemon's -100..100 as its espeak-ng
// module reads them, so they sound as they do in Orlin's own espeak-ng.
class SpeechDispatcherEngine : public SpeechEngine
{
    Q_OBJECT
public:
    // Throws Failure 429 when the daemon is not running and cannot be started, does not
    // answer, or offers no voice. The first engine of the process asks the daemon for its
    // voices (starting it when needed), within a few seconds; the answer, or the failure,
    // holds for the rest of the process.
    explicit SpeechDispatcherEngine(QObject *parent = nullptr);
    ~SpeechDispatcherEngine() override;

    static constexpr const char *kEngine = "speech-dispatcher";

    // The daemon to use, as speech-dispatcher writes addresses ("unix_socket:/path" or
    // "inet_socket:host:port"); empty: the user's own daemon, started when not running.
    // A daemon named here is never started by Orlin (a test starts its own).
    struct AddressSeam
    {
        using Type = QString;
    };

    // Asks the daemon for its voices on a thread of its own, so the first engine finds
    // them ready (the program's start-up calls it as early as it can).
    static void startListing();
    // Whether that listing has ended (with voices or without): an engine made now does
    // not wait for the daemon.
    static bool listingEnded();

    // The daemon's rate and pitch (-100..100) for Orlin's speed and pitch.
    static int daemonRate(int wordsPerMinute);
    static int daemonPitch(int pitch);

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

    struct Voice
    {
        QString module;
        QString name;
        QString language;
    };

private:
    struct Private;
    enum class Event { Begin, End, Cancel, Mark };
    static void deliver(size_t message, size_t client, Event event, const char *mark);
    void onEvent(quint64 message, Event event, const QString &mark);
    void checkVoice(int voice) const;
    void applySettings();
    void sendFrom(qsizetype word);
    void finishWithoutSound();

    std::unique_ptr<Private> d;
};
