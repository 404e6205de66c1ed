#pragma once

#include "base/Failure.h"

#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

struct lame_global_struct;

// Writes speech (16-bit mono samples) into an audio file as it arrives, encoded on the
// fly, so a whole book needs no more memory than a sentence: wave (the 64-bit RF64 form
// once the file outgrows the 4 GB that a plain wave header can describe), FLAC, Ogg
// Vorbis, Opus or MP3. The audio goes to a temporary file beside the target, which
// replaces the target only on commit(): a cancelled or failed writer leaves an existing
// target exactly as it was.
class AudioFileWriter
{
public:
    enum class Format { Wave, Flac, OggVorbis, Opus, Mp3 };

    // The format a file name asks for by its extension (any case); none for a name
    // without an extension or with one Orlin does not write.
    static std::optional<Format> formatForFile(const QString &path);
    // "wav", "flac", "ogg", "opus", "mp3".
    static QString extension(Format format);
    // Every extension formatForFile knows, the usual one of each format first.
    static QStringList knownExtensions();

    AudioFileWriter(const QString &target, int sampleRate, Format format = Format::Wave);
    ~AudioFileWriter();

    AudioFileWriter(const AudioFileWriter &) = delete;
    AudioFileWriter &operator=(const AudioFileWriter &) = delete;

    // Throws Failure when the temporary file or the encoder cannot be made.
    void open();
    // Throws Failure when writing fails (a full disk, say).
    void append(const int16_t *samples, qsizetype count);
    // Finishes the encoding and puts the file in place; throws Failure on failure.
    void commit();
    // Drops the temporary file; the target is untouched.
    void cancel();

    Format format() const { return m_format; }
    // The samples given to append(), at sampleRate(): what the timings count, whatever
    // rate the encoder itself runs at.
    qint64 samplesWritten() const { return m_samples; }
    int sampleRate() const { return m_sampleRate; }
    // The rate inside the file: the speech's own, or the nearest the format allows.
    int fileSampleRate() const { return m_fileRate; }
    // Milliseconds of audio written so far.
    qint64 durationMs() const;

private:
    struct Encoder;
    Failure failure(const QString &what, int err) const;
    // On the encoder thread: resampling where needed, then the encoder.
    void run();
    void process(const int16_t *samples, qsizetype count);
    void encode(const int16_t *samples, qsizetype count);
    void writeBytes(const unsigned char *bytes, qsizetype count);
    void writeInfoTag(lame_global_struct *lame);
    // Throws, on the caller's thread, what the encoder thread failed with.
    void rethrow();
    void release();

    QSaveFile m_file;
    int m_sampleRate;
    int m_fileRate;
    Format m_format;
    qint64 m_samples = 0;
    bool m_open = false;
    std::unique_ptr<Encoder> m_encoder;
};
