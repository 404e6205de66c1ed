#pragma once

#include "platform/SynthesisWorker.h"

#include <QList>
#include <QString>

// The one owner of Flite in the process: the library is not thread-safe (its tokenizer
// and error handling use globals), so every call to it happens on this worker's thread
// (see SynthesisWorker). A job's rate is words per minute and its pitch Orlin's -10..10;
// both are mapped here so that Flite speaks as fast and as high as espeak-ng at the same
// values. All voices come out at one sample rate, the 8 kHz voice resampled, so an
// engine's sound output never changes rate with the voice.
class FliteSynthesizer : public SynthesisWorker
{
public:
    static constexpr int kSampleRate = 16000;

    struct Voice
    {
        QByteArray identifier; // what the job names the voice by
        QString name;
        QString language;
    };

    // The process-wide instance, started on first use. Throws Failure 429 when the
    // library cannot be started (and keeps failing the same way).
    static std::shared_ptr<FliteSynthesizer> instance();

    ~FliteSynthesizer() override;

    // The voices Flite ships, in a fixed order.
    static QList<Voice> voices();

    // The library started on the calling thread; a render worker process uses it without
    // the worker thread.
    static bool initialiseLibrary(QString *error);
    // Speaks `text` in `voice` into `out`, words marked at their audio; word positions
    // are those in `text` plus `offset`. False when the voice is unknown or the library
    // failed. Calls only from the thread that started the library.
    static bool synthesise(const QByteArray &voice, int rate, int pitch, QStringView text,
                           qsizetype offset, SampleOutput &out);

    // How Flite's voices are told a speed and a pitch (for tests): the factor that
    // stretches the voice's durations, and the one that scales its tone.
    static double durationStretch(const QByteArray &voice, int wordsPerMinute);
    static double pitchFactor(int pitch);

private:
    friend class SynthesisWorker;
    FliteSynthesizer() = default;
    bool initialise(QString *error) override;
    void synthesisePiece(const Job &job, qsizetype from, qsizetype to) override;
};
