#pragma once

#include "speech/SpeechRenderer.h"

#include <QByteArray>
#include <memory>

class SynthesisWorker;

// Rendering in this process through a library's synthesis worker (espeak-ng's, Flite's):
// the texts go to its thread as ordinary speak jobs on a queue of their own, which this
// renderer drains as fast as the worker fills it. Other engines' speech takes turns with it.
class SynthesisRenderer : public SpeechRenderer
{
public:
    // `rate` and `pitch` as the worker's jobs take them.
    SynthesisRenderer(std::shared_ptr<SynthesisWorker> synth, QByteArray voice, int rate,
                      int pitch);

    int sampleRate() const override;
    bool render(const QStringList &texts, Sink &sink) override;

private:
    std::shared_ptr<SynthesisWorker> m_synth;
    QByteArray m_voice;
    int m_rate;
    int m_pitch;
};
