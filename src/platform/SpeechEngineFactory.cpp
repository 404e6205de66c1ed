#include "platform/Failure.h"
#include "platform/SpeechEngine.h"

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
    throw Failure(FailureCode::CannotCreateComponent,
                  QStringLiteral("Component cannot be created"), QStringLiteral("SpeechEngine"));
}

void setFactory(Factory factory)
{
    hook() = std::move(factory);
}

} // namespace SpeechEngineFactory
