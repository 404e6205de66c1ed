#include "speech/SpeechEngine.h"

#include "base/Failure.h"

namespace SpeechEngineFactory {

std::unique_ptr<SpeechEngine> create()
{
    // Copied: a factory may install another while it runs.
    const Factory factory = Seam::current<FactorySeam>();
    if (!factory)
        throw Failure(FailureCode::CannotCreateComponent,
                      QStringLiteral("No speech engine is installed"),
                      QStringLiteral("SpeechEngineFactory"));
    return factory();
}

} // namespace SpeechEngineFactory
