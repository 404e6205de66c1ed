#pragma once

#include <QSaveFile>
#include <QString>
#include <cstdint>

// Writes a standard RIFF/WAVE file, 16-bit PCM mono, without ever leaving a half
// file behind: the audio goes to a temporary file beside the target, which replaces
// the target only on commit(). A cancelled or failed writer leaves an existing
// target exactly as it was.
class WaveFileWriter
{
public:
    WaveFileWriter(const QString &target, int sampleRate);
    ~WaveFileWriter();

    WaveFileWriter(const WaveFileWriter &) = delete;
    WaveFileWriter &operator=(const WaveFileWriter &) = delete;

    // Throws Failure when the temporary file cannot be created.
    void open();
    // Throws Failure when writing fails (a full disk, say).
    void append(const int16_t *samples, qsizetype count);
    // Completes the header and puts the file in place; throws Failure on failure.
    void commit();
    // Drops the temporary file; the target is untouched.
    void cancel();

    qint64 samplesWritten() const { return m_samples; }
    int sampleRate() const { return m_sampleRate; }
    // Milliseconds of audio written so far.
    qint64 durationMs() const;

    // The 44-byte header for the given number of samples.
    static QByteArray header(int sampleRate, qint64 samples);

private:
    void fail(const QString &what);

    QSaveFile m_file;
    int m_sampleRate;
    qint64 m_samples = 0;
    bool m_open = false;
};
