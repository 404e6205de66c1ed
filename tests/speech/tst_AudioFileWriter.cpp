#include "base/Failure.h"
#include "speech/AudioFileWriter.h"

#include "support/TinyFilesystem.h"
#include "support/WavFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <vector>

namespace {

using Format = AudioFileWriter::Format;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A voice-like test signal: two tones that change every tenth of a second.
std::vector<int16_t> signal(int rate, double seconds)
{
    std::vector<int16_t> s(size_t(rate * seconds));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double f = 180 + 40 * (int(t * 10) % 5);
        s[i] = int16_t(6000 * std::sin(2 * M_PI * f * t) + 3000 * std::sin(2 * M_PI * 3 * f * t));
    }
    return s;
}

TEST(AudioFileWriter, FormatComesFromTheExtension)
{
    const struct
    {
        const char *name;
        std::optional<Format> format;
    } cases[] = {
        { "/b/book.wav", Format::Wave },   { "/b/Book.WAV", Format::Wave },
        { "/b/b.flac", Format::Flac },     { "/b/b.ogg", Format::OggVorbis },
        { "/b/b.Opus", Format::Opus },     { "/b/b.mp3", Format::Mp3 },
        { "/b/my.book.mp3", Format::Mp3 }, { "/b/book", std::nullopt },
        { "/b/.wav", std::nullopt },       { "/b/notes.txt", std::nullopt },
        { "/b.mp3/book", std::nullopt },
    };
    for (const auto &c : cases)
        EXPECT_EQ(AudioFileWriter::formatForFile(QString::fromUtf8(c.name)), c.format) << c.name;
    for (Format f : { Format::Wave, Format::Flac, Format::OggVorbis, Format::Opus, Format::Mp3 })
        EXPECT_EQ(AudioFileWriter::formatForFile("x." + AudioFileWriter::extension(f)), f);
}

// Every format, read back by the decoder: the container, a rate the format can hold,
// the duration of what went in, and for the lossless ones every sample.
TEST(AudioFileWriter, EachFormatHoldsTheSpeechGivenToIt)
{
    const struct
    {
        Format format;
        int container;
        bool lossless;
        int fileRate; // of the 22050 Hz speech
    } cases[] = {
        // SF_FORMAT_WAVEX: libsndfile's name for the extensible form
        { Format::Wave, SF_FORMAT_WAVEX, true, 22050 },
        { Format::Flac, SF_FORMAT_FLAC, true, 22050 },
        { Format::OggVorbis, SF_FORMAT_OGG, false, 22050 },
        { Format::Opus, SF_FORMAT_OGG, false, 24000 },
        { Format::Mp3, SF_FORMAT_MPEG, false, 16000 },
    };
    QTemporaryDir dir;
    const int rate = 22050;
    const std::vector<int16_t> samples = signal(rate, 3.0);
    for (const auto &c : cases) {
        const QString path = dir.filePath("speech." + AudioFileWriter::extension(c.format));
        AudioFileWriter writer(path, rate, c.format);
        writer.open();
        // In uneven pieces, as sentences arrive.
        for (size_t at = 0; at < samples.size();) {
            const size_t n = std::min<size_t>(samples.size() - at, 1000 + at % 7777);
            writer.append(samples.data() + at, qsizetype(n));
            at += n;
        }
        EXPECT_FALSE(QFile::exists(path)) << "nothing in place before commit";
        EXPECT_EQ(writer.samplesWritten(), qsizetype(samples.size()));
        EXPECT_EQ(writer.durationMs(), 3000);
        writer.commit();

        const WavFile file = WavFile::read(path);
        const QString what = AudioFileWriter::extension(c.format);
        ASSERT_TRUE(file.valid) << qPrintable(what) << ": " << qPrintable(file.problem);
        EXPECT_EQ(file.container, c.container) << qPrintable(what);
        EXPECT_EQ(file.sampleRate, c.fileRate) << qPrintable(what);
        EXPECT_EQ(writer.fileSampleRate(), c.fileRate) << qPrintable(what);
        // Lossy encoders add their start-up delay and pad the last frame: at 16 kHz an MP3
        // frame is 36 ms, so up to a tenth of a second, once per file.
        EXPECT_NEAR(file.seconds(), 3.0, c.lossless ? 0.0 : 0.1) << qPrintable(what);
        EXPECT_GT(file.peak(), 5000) << qPrintable(what);
        if (c.lossless) {
            EXPECT_EQ(file.samples, samples) << qPrintable(what);
        }
    }
}

// The length a player plays, as ffprobe decodes it: every frame's samples, less what the
// file says the encoder added before and after the speech.
double decodedSeconds(const QString &path)
{
    QProcess p;
    p.start("ffprobe",
            { "-v", "error", "-select_streams", "a", "-show_entries",
              "frame=nb_samples:stream=sample_rate", "-of", "csv", path });
    p.waitForFinished(60000);
    double rate = 0;
    qint64 samples = 0;
    // "frame,<samples>" for every frame, and "stream,<rate>".
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const QStringList fields = line.trimmed().split(',');
        if (fields.size() == 2 && fields[0] == "frame")
            samples += fields[1].toLongLong();
        else if (fields.size() == 2 && fields[0] == "stream")
            rate = fields[1].toDouble();
    }
    return p.exitCode() == 0 && rate > 0 ? samples / rate : -1;
}

// A gapless player (and ffprobe) plays an MP3 exactly as long as the speech put in: LAME's
// Info tag tells it the encoder's delay and the padding of the last frame.
TEST(AudioFileWriter, Mp3PlaysAsLongAsTheWave)
{
    if (QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "ffprobe is not installed (scripts/install-deps)";
    QTemporaryDir dir;
    for (const int rate : { 16000, 22050 }) {
        for (const double seconds : { 0.2, 3.0, 7.31 }) {
            SCOPED_TRACE(QStringLiteral("%1 Hz, %2 s").arg(rate).arg(seconds).toStdString());
            const std::vector<int16_t> samples = signal(rate, seconds);
            double lengths[2] = {};
            int i = 0;
            for (Format format : { Format::Wave, Format::Mp3 }) {
                const QString path = dir.filePath("speech." + AudioFileWriter::extension(format));
                AudioFileWriter writer(path, rate, format);
                writer.open();
                writer.append(samples.data(), qsizetype(samples.size()));
                writer.commit();
                lengths[i++] = decodedSeconds(path);
            }
            EXPECT_NEAR(lengths[0], double(samples.size()) / rate, 1e-9);
            EXPECT_NEAR(lengths[1], lengths[0], 0.005);
        }
    }
}

TEST(AudioFileWriter, CancelAndFailureLeaveTheOldFileIntact)
{
    QTemporaryDir dir;
    for (Format format : { Format::Wave, Format::Mp3 }) {
        const QString path = dir.filePath("keep." + AudioFileWriter::extension(format));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("precious");
        }
        {
            AudioFileWriter writer(path, 16000, format);
            writer.open();
            const int16_t s[4] = { 1, 2, 3, 4 };
            writer.append(s, 4);
            writer.cancel();
        }
        {
            AudioFileWriter writer(path, 16000, format);
            writer.open();
            // Destroyed without commit, as when rendering throws half-way.
        }
        EXPECT_EQ(readAll(path), "precious");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary left";

    AudioFileWriter nowhere(dir.filePath("missing/folder/x.wav"), 16000);
    EXPECT_THROW(nowhere.open(), Failure);
}

TEST(AudioFileWriter, FullDiskFailsAndKeepsTheOldFile)
{
    TinyFilesystem fs(64);
    if (!fs.available())
        GTEST_SKIP() << "cannot mount a small filesystem here";
    for (Format format : { Format::Wave, Format::Flac }) {
        const QString path = fs.file("book." + AudioFileWriter::extension(format));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("old audio");
        }
        AudioFileWriter writer(path, 16000, format);
        const std::vector<int16_t> second = signal(16000, 1.0);
        try {
            writer.open();
            for (int i = 0; i < 40; ++i)
                writer.append(second.data(), qsizetype(second.size()));
            writer.commit();
            ADD_FAILURE() << "a full disk went unnoticed";
        } catch (const Failure &failure) {
            EXPECT_EQ(failure.code(), FailureCode::DiskFull) << qPrintable(failure.description());
        }
        EXPECT_EQ(readAll(path), "old audio");
    }
}

TEST(AudioFileWriter, RefusesToReplaceSomethingThatIsNotAFile)
{
    // A link to a device must never have the device replaced by a regular file.
    QTemporaryDir dir;
    const QString link = dir.filePath("null.wav");
    ASSERT_TRUE(QFile::link("/dev/null", link));
    AudioFileWriter writer(link, 16000);
    EXPECT_THROW(writer.open(), Failure);
    EXPECT_FALSE(QFileInfo("/dev/null").isFile());
}

// A whole book runs past the 4 GB a plain wave header can count (War and Peace: about
// 8 GB): the file must switch to the RF64 form, whose 64-bit sizes every player reads,
// instead of an overflowed header that shows a fraction of the book.
TEST(AudioFileWriter, WaveBeyondFourGigabytesBecomesRf64)
{
    QTemporaryDir dir;
    const qint64 target = (qint64(1) << 32) + (qint64(64) << 20);
    if (QStorageInfo(dir.path()).bytesAvailable() < target * 2)
        GTEST_SKIP() << "needs 9 GB of free disk";
    const QString path = dir.filePath("book.wav");
    AudioFileWriter writer(path, 22050);
    writer.open();
    const std::vector<int16_t> chunk(1 << 20, 1234);
    qint64 samples = 0;
    while (samples * 2 < target) {
        writer.append(chunk.data(), qsizetype(chunk.size()));
        samples += qint64(chunk.size());
    }
    writer.commit();

    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_RF64);
    EXPECT_EQ(info.frames, samples);
    // The last samples are where the header says.
    int16_t last[4] = {};
    EXPECT_EQ(sf_seek(file, samples - 4, SEEK_SET), samples - 4);
    EXPECT_EQ(sf_read_short(file, last, 4), 4);
    EXPECT_EQ(last[3], 1234);
    sf_close(file);
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.read(4), "RF64");
}

} // namespace
