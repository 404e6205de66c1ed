#include "speech/AudioFileWriter.h"

#include "base/Failure.h"

#include <QFileInfo>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <lame/lame.h>
#include <mutex>
#include <sndfile.h>
#include <soxr.h>
#include <thread>
#include <unistd.h>
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
    { AudioFileWriter::Format::Mp3, "mp3", 0 }, // LAME directly
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
// resampled to the next one up, so nothing of it is cut off. MP3 goes no higher than
// 16 kHz: the synthetic voice has next to nothing above 8 kHz (about 30 dB below the
// rest), and LAME, the slowest step of an MP3 book, then encodes a quarter faster.
constexpr int kMp3MaxRate = 16000;

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
        return rate >= kMp3MaxRate ? kMp3MaxRate : nextUp(mpeg);
    default:
        return rate;
    }
}

// MP3 at a constant rate, so every player shows the right duration without a table of
// contents; 48 kbit/s keeps a mono voice clear.
constexpr int kMp3Kbps = 48;
// Blocks waiting for the encoder: a few seconds of speech.
constexpr size_t kQueuedBlocks = 16;

} // namespace

struct AudioFileWriter::Encoder
{
    SNDFILE *file = nullptr;
    lame_t lame = nullptr;
    int fd = -1;
    soxr_t resampler = nullptr;
    std::vector<int16_t> resampled;
    std::vector<unsigned char> mp3;

    // Encoding runs on a thread of its own, beside the synthesis that feeds it: blocks
    // wait in a short queue, so memory stays bounded when the encoder is the slower.
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<int16_t>> blocks;
    bool ending = false; // no more blocks will come
    bool quit = false; // drop what is queued and stop
    std::exception_ptr error;

    ~Encoder()
    {
        stop(true);
        if (resampler)
            soxr_delete(resampler);
        if (file)
            sf_close(file);
        if (lame)
            lame_close(lame);
    }

    void stop(bool dropQueued)
    {
        {
            std::lock_guard lock(mutex);
            ending = true;
            quit = quit || dropQueued;
        }
        changed.notify_all();
        if (thread.joinable())
            thread.join();
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
    // The thread reaches the encoder through m_encoder: it ends before that goes.
    if (m_encoder)
        m_encoder->stop(true);
    m_encoder.reset();
    if (m_open)
        m_file.cancelWriting();
    m_open = false;
}

Failure AudioFileWriter::failure(const QString &what, int err) const
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
        reason = QStringLiteral("the encoder failed");
    return Failure(code, what + QStringLiteral(": ") + reason, kSource);
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

    if (m_format == Format::Mp3) {
        // LAME itself rather than through libsndfile, which leaves LAME at its slowest
        // psychoacoustic quality: for a voice at 48 kbit/s quality 7 sounds the same and
        // encodes twice as fast, and encoding, not synthesis, is what an MP3 book waits for.
        lame_t lame = lame_init();
        m_encoder->lame = lame;
        m_encoder->fd = m_file.handle();
        // No ID3 tag in front: the Info tag goes in the very first frame of the file.
        if (lame)
            lame_set_write_id3tag_automatic(lame, 0);
        if (!lame || lame_set_in_samplerate(lame, m_fileRate) < 0
            || lame_set_out_samplerate(lame, m_fileRate) < 0 || lame_set_num_channels(lame, 1) < 0
            || lame_set_mode(lame, MONO) < 0 || lame_set_brate(lame, kMp3Kbps) < 0
            || lame_set_VBR(lame, vbr_off) < 0 || lame_set_quality(lame, 7) < 0
            || lame_set_bWriteVbrTag(lame, 1) < 0 || lame_init_params(lame) < 0) {
            release();
            throw Failure(FailureCode::CannotCreateComponent,
                          QStringLiteral("Cannot encode ") + m_file.fileName()
                              + QStringLiteral(": the MP3 encoder refused the settings"),
                          kSource);
        }
    } else {
        SF_INFO info {};
        info.samplerate = m_fileRate;
        info.channels = 1;
        info.format = infoOf(m_format).sndfileFormat;
        // The encoder writes straight into the temporary file; the save file only names
        // it and puts it in place.
        m_encoder->file = sf_open_fd(m_file.handle(), SFM_WRITE, &info, SF_FALSE);
        if (!m_encoder->file) {
            const QString reason = QString::fromLocal8Bit(sf_strerror(nullptr));
            release();
            throw Failure(FailureCode::PathFileAccess,
                          QStringLiteral("Cannot encode ") + m_file.fileName()
                              + QStringLiteral(": ") + reason,
                          kSource);
        }
        // A plain wave header as long as the data fits one, the RF64 form past 4 GB.
        if (m_format == Format::Wave)
            sf_command(m_encoder->file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
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
    m_encoder->thread = std::thread([this] { run(); });
}

void AudioFileWriter::encode(const int16_t *samples, qsizetype count)
{
    errno = 0;
    Encoder &e = *m_encoder;
    if (e.lame) {
        e.mp3.resize(size_t(count) * 5 / 4 + 7200);
        const int made = lame_encode_buffer(e.lame, samples, nullptr, int(count), e.mp3.data(),
                                            int(e.mp3.size()));
        if (made < 0)
            throw failure(QStringLiteral("Cannot encode ") + m_file.fileName(), 0);
        writeBytes(e.mp3.data(), made);
        return;
    }
    if (sf_write_short(e.file, samples, count) != count)
        throw failure(QStringLiteral("Cannot write ") + m_file.fileName(), errno);
}

void AudioFileWriter::writeBytes(const unsigned char *bytes, qsizetype count)
{
    while (count > 0) {
        const ssize_t n = ::write(m_encoder->fd, bytes, size_t(count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw failure(QStringLiteral("Cannot write ") + m_file.fileName(), errno);
        bytes += n;
        count -= n;
    }
}

// LAME's Info tag goes over the empty first frame it began the stream with: it holds the
// encoder's delay and the padding of the last frame, which gapless players (and ffmpeg)
// cut off, so the file plays exactly as long as the speech put in.
void AudioFileWriter::writeInfoTag(lame_global_flags *lame)
{
    std::vector<unsigned char> &tag = m_encoder->mp3;
    tag.resize(2880); // the largest frame MPEG audio has
    const size_t size = lame_get_lametag_frame(lame, tag.data(), tag.size());
    if (size == 0 || size > tag.size())
        throw failure(QStringLiteral("Cannot encode ") + m_file.fileName(), 0);
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(m_encoder->fd, tag.data() + done, size - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw failure(QStringLiteral("Cannot write ") + m_file.fileName(), errno);
        done += size_t(n);
    }
}

void AudioFileWriter::process(const int16_t *samples, qsizetype count)
{
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

void AudioFileWriter::run()
{
    Encoder &e = *m_encoder;
    try {
        for (;;) {
            std::vector<int16_t> block;
            {
                std::unique_lock lock(e.mutex);
                e.changed.wait(lock, [&] { return e.quit || e.ending || !e.blocks.empty(); });
                if (e.quit || e.blocks.empty())
                    return;
                block = std::move(e.blocks.front());
                e.blocks.pop_front();
            }
            e.changed.notify_all();
            process(block.data(), qsizetype(block.size()));
        }
    } catch (...) {
        std::lock_guard lock(e.mutex);
        e.error = std::current_exception();
        e.quit = true;
        e.blocks.clear();
    }
    e.changed.notify_all();
}

void AudioFileWriter::rethrow()
{
    std::exception_ptr error;
    {
        std::lock_guard lock(m_encoder->mutex);
        error = m_encoder->error;
    }
    if (error) {
        release();
        std::rethrow_exception(error);
    }
}

void AudioFileWriter::append(const int16_t *samples, qsizetype count)
{
    if (!m_open || count <= 0)
        return;
    m_samples += count;
    Encoder &e = *m_encoder;
    {
        std::unique_lock lock(e.mutex);
        e.changed.wait(lock, [&] { return e.quit || e.blocks.size() < kQueuedBlocks; });
        if (!e.quit)
            e.blocks.emplace_back(samples, samples + count);
    }
    e.changed.notify_all();
    rethrow();
}

void AudioFileWriter::commit()
{
    if (!m_open)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("The audio file is not open"),
                      kSource);
    m_encoder->stop(false);
    rethrow();
    try {
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
        if (lame_t lame = m_encoder->lame) {
            std::vector<unsigned char> &out = m_encoder->mp3;
            out.resize(7200);
            const int made = lame_encode_flush(lame, out.data(), int(out.size()));
            if (made < 0)
                throw failure(QStringLiteral("Cannot encode ") + m_file.fileName(), 0);
            writeBytes(out.data(), made);
            writeInfoTag(lame);
        } else {
            errno = 0;
            const int closed = sf_close(m_encoder->file);
            m_encoder->file = nullptr;
            if (closed != 0)
                throw failure(QStringLiteral("Cannot write ") + m_file.fileName(), errno);
        }
    } catch (...) {
        release();
        throw;
    }
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
