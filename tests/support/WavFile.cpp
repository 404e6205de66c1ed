#include "support/WavFile.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <sndfile.h>

WavFile WavFile::read(const QString &path)
{
    WavFile wav;
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        wav.problem =
            QStringLiteral("cannot open: ") + QString::fromLocal8Bit(sf_strerror(nullptr));
        return wav;
    }
    wav.sampleRate = info.samplerate;
    wav.channels = info.channels;
    wav.container = info.format & SF_FORMAT_TYPEMASK;
    wav.samples.resize(size_t(info.frames > 0 ? info.frames : 0));
    const sf_count_t got = sf_read_short(file, wav.samples.data(), sf_count_t(wav.samples.size()));
    sf_close(file);
    wav.samples.resize(size_t(got > 0 ? got : 0));
    if (info.channels != 1) {
        wav.problem = QStringLiteral("not mono");
        return wav;
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const bool wave = wav.container == SF_FORMAT_WAV || wav.container == SF_FORMAT_WAVEX
        || wav.container == SF_FORMAT_RF64;
    if (wave && subtype != SF_FORMAT_PCM_16) {
        wav.problem = QStringLiteral("not 16-bit PCM");
        return wav;
    }
    if (wave) {
        // An overflowed or stale header reads as fewer (or more) frames than the data.
        const qint64 size = QFileInfo(path).size();
        const qint64 data = qint64(wav.samples.size()) * 2;
        if (got != info.frames || data > size || size - data > 512) {
            wav.problem = QStringLiteral("header lengths disagree with the file length");
            return wav;
        }
    }
    wav.valid = true;
    return wav;
}

int WavFile::peak() const
{
    int peak = 0;
    for (qint16 s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}
