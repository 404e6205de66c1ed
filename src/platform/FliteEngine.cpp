#include "platform/FliteEngine.h"

#include "platform/FliteSynthesizer.h"

namespace {

QList<WorkerEngine::Voice> fliteVoices()
{
    QList<WorkerEngine::Voice> voices;
    for (const FliteSynthesizer::Voice &v : FliteSynthesizer::voices())
        voices.append({ v.identifier, v.name, v.language });
    return voices;
}

} // namespace

FliteEngine::FliteEngine(QObject *parent)
    : FliteEngine(FliteSynthesizer::instance(), parent)
{
}

FliteEngine::FliteEngine(std::shared_ptr<FliteSynthesizer> synth, QObject *parent)
    : WorkerEngine(std::move(synth), fliteVoices(), kEngine, parent)
{
}

int FliteEngine::libraryPitch(int pitch) const
{
    // The synthesizer maps Orlin's steps itself, the same for reading and files.
    return pitch;
}
