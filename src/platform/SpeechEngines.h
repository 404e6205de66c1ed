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

// Makes SpeechEngineFactory create the combined engine.
void install(SystemVoices system = SystemVoices::Included);

} // namespace SpeechEngines
