#include "platform/SpeechEngines.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "platform/EspeakEngine.h"
#include "platform/FliteEngine.h"
#include "platform/SpeechDispatcherEngine.h"
#include "speech/CombinedEngine.h"

#include <atomic>
#include <optional>

namespace SpeechEngines {

namespace {

// The log hears once per process why a group of voices is missing, not once per talker.
std::atomic<bool> told[3];

template<class Engine>
void add(std::vector<std::unique_ptr<SpeechEngine>> &engines, QStringList &notes,
         std::atomic<bool> &toldOnce, const QString &what, std::optional<Failure> &first)
{
    try {
        engines.push_back(std::make_unique<Engine>());
    } catch (const Failure &failure) {
        if (!first)
            first = failure;
        if (!toldOnce.exchange(true))
            notes << QStringLiteral("%1 are not available: %2").arg(what, failure.description());
    }
}

void addSystemVoices(std::vector<std::unique_ptr<SpeechEngine>> &engines, QStringList &notes,
                     std::optional<Failure> &first)
{
    add<SpeechDispatcherEngine>(engines, notes, told[2],
                                QStringLiteral("The system voices (speech-dispatcher)"), first);
}

} // namespace

void install(SystemVoices system, SystemListing listing)
{
    if (system == SystemVoices::Included)
        SpeechDispatcherEngine::startListing();
    Seam::install<SpeechEngineFactory::FactorySeam>([system,
                                                     listing]() -> std::unique_ptr<SpeechEngine> {
        std::vector<std::unique_ptr<SpeechEngine>> engines;
        QStringList notes;
        std::optional<Failure> first;
        add<EspeakEngine>(engines, notes, told[0], QStringLiteral("The espeak-ng voices"), first);
        add<FliteEngine>(engines, notes, told[1], QStringLiteral("The Flite voices"), first);
        // The daemon may take a second or more to start: a program that can speak without
        // it does not wait, and its voices join the list when they come.
        const bool later = system == SystemVoices::Included && listing == SystemListing::Later
            && !engines.empty() && !SpeechDispatcherEngine::listingEnded();
        if (system == SystemVoices::Included && !later)
            addSystemVoices(engines, notes, first);
        // Without a single engine the program cannot speak: that failure is start-up's.
        if (engines.empty() && first)
            throw *first;
        auto combined = std::make_unique<CombinedEngine>(std::move(engines), notes);
        if (later) {
            combined->addLater(&SpeechDispatcherEngine::listingEnded, [](QStringList &notes) {
                std::vector<std::unique_ptr<SpeechEngine>> late;
                std::optional<Failure> failure;
                addSystemVoices(late, notes, failure);
                return late.empty() ? nullptr : std::move(late.front());
            });
        }
        return combined;
    });
}

} // namespace SpeechEngines
