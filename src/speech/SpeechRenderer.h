#pragma once

#include <QStringList>
#include <cstdint>

// Speech synthesised into memory instead of the sound output, for writing a wave
// file: as fast as the engine can go, with no audio played. A renderer is a snapshot
// of an engine's voice, speed and pitch taken when it was made, so it can run on any
// thread while the engine itself stays on the UI thread.
class SpeechRenderer
{
public:
    // Where the audio goes, called on the thread that runs render().
    class Sink
    {
    public:
        virtual ~Sink() = default;
        // 16-bit mono samples at sampleRate(); false stops the rendering.
        virtual bool audio(const int16_t *samples, qsizetype count) = 0;
        // Every sample of texts[index] has been handed over; false stops the rendering.
        virtual bool textDone(qsizetype index) = 0;
        // Asked while the renderer waits for audio: true ends the rendering (a cancel).
        virtual bool stopRequested() const { return false; }
    };

    virtual ~SpeechRenderer() = default;

    virtual int sampleRate() const = 0;

    // Synthesises each text in turn, each ending with the pause the engine puts after
    // a spoken text. Returns true when every text was rendered, false when the sink
    // stopped it. Throws Failure when the engine fails.
    virtual bool render(const QStringList &texts, Sink &sink) = 0;
};
