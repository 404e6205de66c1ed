#include "platform/EspeakEngine.h"

#include "base/Seam.h"
#include "platform/EspeakSynthesizer.h"

namespace {

QList<WorkerEngine::Voice> voicesOf(const EspeakSynthesizer &synth)
{
    QList<WorkerEngine::Voice> voices;
    for (const EspeakSynthesizer::Voice &v : synth.voices())
        voices.append({ v.identifier, v.name, v.language });
    return voices;
}

} // namespace

EspeakEngine::EspeakEngine(QObject *parent)
    : EspeakEngine(EspeakSynthesizer::instance(), parent)
{
}

EspeakEngine::EspeakEngine(std::shared_ptr<EspeakSynthesizer> synth, QObject *parent)
    : WorkerEngine(synth, voicesOf(*synth), kEngine, parent)
{
}

void EspeakEngine::installAsSpeechEngine()
{
    Seam::install<SpeechEngineFactory::FactorySeam>(
        [] { return std::make_unique<EspeakEngine>(); });
}

int EspeakEngine::libraryPitch(int pitch) const
{
    // The library's 0..100 around its 50; a step is about 5% in tone.
    return 50 + pitch * 5;
}
