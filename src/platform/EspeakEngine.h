#pragma once

#include "platform/WorkerEngine.h"

class EspeakSynthesizer;

// The speech engine over libespeak-ng, through the process-wide EspeakSynthesizer.
class EspeakEngine : public WorkerEngine
{
    Q_OBJECT
public:
    // Throws Failure 429 when espeak-ng or its data cannot be loaded.
    explicit EspeakEngine(QObject *parent = nullptr);

    // Makes this the only engine SpeechEngineFactory creates (tests and benchmarks of
    // espeak-ng alone; the program installs every engine with SpeechEngines::install).
    static void installAsSpeechEngine();

    static constexpr const char *kEngine = "espeak-ng";

protected:
    int libraryPitch(int pitch) const override;

private:
    EspeakEngine(std::shared_ptr<EspeakSynthesizer> synth, QObject *parent);
};
