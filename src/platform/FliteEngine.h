#pragma once

#include "platform/WorkerEngine.h"

class FliteSynthesizer;

// The speech engine over Flite and the voices it ships (kal, kal16, awb, rms, slt),
// through the process-wide FliteSynthesizer: read aloud, written to files, in worker
// processes, with the spoken word marked, as espeak-ng is.
class FliteEngine : public WorkerEngine
{
    Q_OBJECT
public:
    // Throws Failure 429 when Flite cannot be started.
    explicit FliteEngine(QObject *parent = nullptr);

    static constexpr const char *kEngine = "flite";

protected:
    int libraryPitch(int pitch) const override;

private:
    FliteEngine(std::shared_ptr<FliteSynthesizer> synth, QObject *parent);
};
