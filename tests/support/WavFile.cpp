#include "support/WavFile.h"

#include <QFile>
#include <QtEndian>
#include <cstdlib>

WavFile WavFile::read(const QString &path)
{
    WavFile wav;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        wav.problem = QStringLiteral("cannot open");
        return wav;
    }
    const QByteArray b = file.readAll();
    auto u32 = [&](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    auto u16 = [&](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt "
        || b.mid(36, 4) != "data") {
        wav.problem = QStringLiteral("not a canonical RIFF/WAVE file");
        return wav;
    }
    const quint32 dataBytes = u32(40);
    if (u32(4) != quint32(b.size() - 8) || dataBytes != quint32(b.size() - 44)) {
        wav.problem = QStringLiteral("header lengths disagree with the file length");
        return wav;
    }
    if (u16(20) != 1 || u16(22) != 1 || u16(34) != 16 || u16(32) != 2 || u32(28) != u32(24) * 2) {
        wav.problem = QStringLiteral("not 16-bit PCM mono");
        return wav;
    }
    wav.sampleRate = int(u32(24));
    wav.samples.resize(dataBytes / 2);
    if (!wav.samples.empty())
        qFromLittleEndian<qint16>(b.constData() + 44, qsizetype(wav.samples.size()),
                                  wav.samples.data());
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
