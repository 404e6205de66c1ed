#pragma once

// The engines the program speaks with, as one voice list: espeak-ng's voices, then
// Flite's, then the desktop's through speech-dispatcher. An engine that cannot be
// started leaves only its voices out: the talker's log says so once, and start-up goes
// on with the others.
namespace SpeechEngines {

enum class SystemVoices {
    Included, // the reader: speech-dispatcher is asked (and started when not running)
    Left, // a tool that only writes files: speech-dispatcher is never asked
};

enum class SystemListing {
    Awaited, // an engine is made once speech-dispatcher has listed its voices (or failed)
    // An engine is made at once with the voices there are; the system voices are added
    // to it when the daemon has listed them (VoicesPending, VoicesAdded).
    Later,
};

// Makes SpeechEngineFactory create the combined engine.
void install(SystemVoices system = SystemVoices::Included,
             SystemListing listing = SystemListing::Awaited);

} // namespace SpeechEngines
