#include "platform/EspeakEngine.h"
#include "speech/SpeechEngine.h"

namespace {
SpeechEngineFactory::Factory &hook()
{
    static SpeechEngineFactory::Factory factory;
    return factory;
}
} // namespace

namespace SpeechEngineFactory {

std::unique_ptr<SpeechEngine> create()
{
    if (hook())
        return hook()();
    return std::make_unique<EspeakEngine>();
}

void setFactory(Factory factory)
{
    hook() = std::move(factory);
}

} // namespace SpeechEngineFactory
