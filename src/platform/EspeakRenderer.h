#pragma once

#include "speech/SpeechRenderer.h"

#include <QByteArray>
#include <memory>

class EspeakSynthesizer;

// Rendering through the process-wide espeak-ng synthesizer: the texts go to its worker
// thread as ordinary speak jobs on a queue of their own, which this renderer drains
// as fast as the worker fills it. Other engines' speech takes turns with it.
class EspeakRenderer : public SpeechRenderer
{
public:
    // `pitch` in the library's 0..100.
    EspeakRenderer(std::shared_ptr<EspeakSynthesizer> synth, QByteArray voice, int rate, int pitch);

    int sampleRate() const override;
    bool render(const QStringList &texts, Sink &sink) override;

private:
    std::shared_ptr<EspeakSynthesizer> m_synth;
    QByteArray m_voice;
    int m_rate;
    int m_pitch;
};
