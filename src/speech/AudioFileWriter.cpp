#include "speech/AudioFileWriter.h"

#include "base/Failure.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sndfile.h>
#include <soxr.h>
#include <vector>

namespace {

const QString kSource = QStringLiteral("AudioFileWriter");

struct FormatInfo
{
    AudioFileWriter::Format format;
    const char *extensions; // the usual one first
    int sndfileFormat;
};

const FormatInfo kFormats[] = {
    { AudioFileWriter::Format::Wave, "wav wave", SF_FORMAT_RF64 | SF_FORMAT_PCM_16 },
    { AudioFileWriter::Format::Flac, "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16 },
    { AudioFileWriter::Format::OggVorbis, "ogg oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS },
    { AudioFileWriter::Format::Opus, "opus", SF_FORMAT_OGG | SF_FORMAT_OPUS },
    { AudioFileWriter::Format::Mp3, "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III },
};

const FormatInfo &infoOf(AudioFileWriter::Format format)
{
    for (const FormatInfo &info : kFormats) {
        if (info.format == format)
            return info;
    }
    return kFormats[0];
}

// Opus runs at a few fixed rates and MP3 at the MPEG ones: speech at any other rate is
// resampled to the next one up, so nothing of it is cut off.
int fileRateFor(AudioFileWriter::Format format, int rate)
{
    static const int opus[] = { 8000, 12000, 16000, 24000, 48000 };
    static const int mpeg[] = { 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000 };
    auto nextUp = [rate](const auto &rates) {
        for (int r : rates) {
            if (r >= rate)
                return r;
        }
        return rates[std::size(rates) - 1];
    };
    switch (format) {
    case AudioFileWriter::Format::Opus:
        return nextUp(opus);
    case AudioFileWriter::Format::Mp3:
        return nextUp(mpeg);
    default:
        return rate;
    }
}

// MP3 at a constant rate, so every player shows the right duration without a table of
// contents; 48 kbit/s keeps a mono voice clear.
constexpr int kMp3Kbps = 48;

} // namespace

struct AudioFileWriter::Encoder
{
    SNDFILE *file = nullptr;
    soxr_t resampler = nullptr;
    std::vector<int16_t> resampled;

    ~Encoder()
    {
        if (resampler)
            soxr_delete(resampler);
        if (file)
            sf_close(file);
    }
};

std::optional<AudioFileWriter::Format> AudioFileWriter::formatForFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.completeBaseName().isEmpty())
        return std::nullopt; // ".wav" alone is a hidden file's name, not an extension
    const QString suffix = info.suffix().toLower();
    for (const FormatInfo &f : kFormats) {
        if (QString::fromLatin1(f.extensions).split(QLatin1Char(' ')).contains(suffix))
            return f.format;
    }
    return std::nullopt;
}

QString AudioFileWriter::extension(Format format)
{
    return QString::fromLatin1(infoOf(format).extensions).section(QLatin1Char(' '), 0, 0);
}

QStringList AudioFileWriter::knownExtensions()
{
    QStringList all;
    for (const FormatInfo &f : kFormats)
        all += QString::fromLatin1(f.extensions).split(QLatin1Char(' '));
    return all;
}

AudioFileWriter::AudioFileWriter(const QString &target, int sampleRate, Format format)
    : m_file(target)
    , m_sampleRate(sampleRate)
    , m_fileRate(fileRateFor(format, sampleRate))
    , m_format(format)
{
    m_file.setDirectWriteFallback(false);
}

AudioFileWriter::~AudioFileWriter()
{
    cancel();
}

void AudioFileWriter::release()
{
    m_encoder.reset();
    if (m_open)
        m_file.cancelWriting();
    m_open = false;
}

void AudioFileWriter::fail(const QString &what, int err)
{
    QString reason;
    int code = FailureCode::PathFileAccess;
    if (m_encoder && m_encoder->file && sf_error(m_encoder->file) != SF_ERR_NO_ERROR)
        reason = QString::fromLocal8Bit(sf_strerror(m_encoder->file));
    if (err != 0) {
        code = failureCodeFromErrno(err);
        if (reason.isEmpty())
            reason = QString::fromLocal8Bit(std::strerror(err));
    }
    if (reason.isEmpty())
        reason = m_file.errorString();
    release();
    throw Failure(code, what + QStringLiteral(": ") + reason, kSource);
}

void AudioFileWriter::open()
{
    // Through a link, the file put in place is the link's target: never let that be
    // a device or a folder, which a rename would replace by a regular file.
    const QFileInfo target(m_file.fileName());
    if (target.exists() && !QFileInfo(target.canonicalFilePath()).isFile())
        throw Failure(FailureCode::PathFileAccess,
                      m_file.fileName() + QStringLiteral(" is not a regular file"), kSource);
    if (!m_file.open(QIODevice::WriteOnly))
        throw Failure(m_file.error() == QFileDevice::ResourceError ? FailureCode::DiskFull
                                                                   : FailureCode::PathFileAccess,
                      QStringLiteral("Cannot create ") + m_file.fileName() + QStringLiteral(": ")
                          + m_file.errorString(),
                      kSource);
    m_open = true;
    m_samples = 0;
    m_encoder = std::make_unique<Encoder>();

    SF_INFO info {};
    info.samplerate = m_fileRate;
    info.channels = 1;
    info.format = infoOf(m_format).sndfileFormat;
    // The encoder writes straight into the temporary file; the save file only names it
    // and puts it in place.
    errno = 0;
    m_encoder->file = sf_open_fd(m_file.handle(), SFM_WRITE, &info, SF_FALSE);
    if (!m_encoder->file) {
        const QString reason = QString::fromLocal8Bit(sf_strerror(nullptr));
        release();
        throw Failure(FailureCode::PathFileAccess,
                      QStringLiteral("Cannot encode ") + m_file.fileName() + QStringLiteral(": ")
                          + reason,
                      kSource);
    }
    if (m_format == Format::Wave) {
        // A plain wave header as long as the data fits one, the RF64 form past 4 GB.
        sf_command(m_encoder->file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    } else if (m_format == Format::Mp3) {
        int mode = SF_BITRATE_MODE_CONSTANT;
        sf_command(m_encoder->file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        // libsndfile maps 0..1 onto the bit rates of the MPEG version in use, highest first.
        double level = m_fileRate >= 32000 ? 1.0 - (kMp3Kbps - 32.0) / (320 - 32)
                                           : 1.0 - (kMp3Kbps - 8.0) / (160 - 8);
        sf_command(m_encoder->file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    if (m_fileRate != m_sampleRate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        m_encoder->resampler =
            soxr_create(m_sampleRate, m_fileRate, 1, &error, &io, &quality, nullptr);
        if (error) {
            release();
            throw Failure(FailureCode::CannotCreateComponent,
                          QStringLiteral("Cannot resample to %1 Hz: %2")
                              .arg(m_fileRate)
                              .arg(QString::fromLatin1(error)),
                          kSource);
        }
    }
}

void AudioFileWriter::encode(const int16_t *samples, qsizetype count)
{
    errno = 0;
    if (sf_write_short(m_encoder->file, samples, count) != count)
        fail(QStringLiteral("Cannot write ") + m_file.fileName(), errno);
}

void AudioFileWriter::append(const int16_t *samples, qsizetype count)
{
    if (!m_open || count <= 0)
        return;
    m_samples += count;
    soxr_t resampler = m_encoder->resampler;
    if (!resampler) {
        encode(samples, count);
        return;
    }
    std::vector<int16_t> &out = m_encoder->resampled;
    out.resize(size_t(count) * size_t(m_fileRate) / size_t(m_sampleRate) + 64);
    size_t taken = 0;
    while (taken < size_t(count)) {
        size_t done = 0;
        size_t made = 0;
        soxr_process(resampler, samples + taken, size_t(count) - taken, &done, out.data(),
                     out.size(), &made);
        taken += done;
        encode(out.data(), qsizetype(made));
        if (done == 0 && made == 0)
            break;
    }
}

void AudioFileWriter::commit()
{
    if (!m_open)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("The audio file is not open"),
                      kSource);
    if (soxr_t resampler = m_encoder->resampler) {
        // What the resampler still holds for the filter's length goes out at the end.
        std::vector<int16_t> &out = m_encoder->resampled;
        out.resize(4096);
        for (;;) {
            size_t made = 0;
            soxr_process(resampler, nullptr, 0, nullptr, out.data(), out.size(), &made);
            if (made == 0)
                break;
            encode(out.data(), qsizetype(made));
        }
    }
    errno = 0;
    const int closed = sf_close(m_encoder->file);
    m_encoder->file = nullptr;
    if (closed != 0)
        fail(QStringLiteral("Cannot write ") + m_file.fileName(), errno);
    m_encoder.reset();
    m_open = false;
    if (!m_file.commit())
        throw Failure(m_file.error() == QFileDevice::ResourceError ? FailureCode::DiskFull
                                                                   : FailureCode::PathFileAccess,
                      QStringLiteral("Cannot save ") + m_file.fileName() + QStringLiteral(": ")
                          + m_file.errorString(),
                      kSource);
}

void AudioFileWriter::cancel()
{
    release();
}

qint64 AudioFileWriter::durationMs() const
{
    return m_sampleRate > 0 ? m_samples * 1000 / m_sampleRate : 0;
}
