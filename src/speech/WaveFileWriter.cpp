#include "speech/WaveFileWriter.h"

#include "base/Failure.h"

#include <QFileInfo>
#include <QtEndian>

namespace {
constexpr int kHeaderSize = 44;
constexpr int kBytesPerSample = 2;

void putU32(char *at, quint32 value)
{
    qToLittleEndian(value, at);
}
void putU16(char *at, quint16 value)
{
    qToLittleEndian(value, at);
}
} // namespace

WaveFileWriter::WaveFileWriter(const QString &target, int sampleRate)
    : m_file(target)
    , m_sampleRate(sampleRate)
{
    m_file.setDirectWriteFallback(false);
}

WaveFileWriter::~WaveFileWriter()
{
    if (m_open)
        m_file.cancelWriting();
}

QByteArray WaveFileWriter::header(int sampleRate, qint64 samples)
{
    const quint32 dataBytes = quint32(samples * kBytesPerSample);
    QByteArray h(kHeaderSize, '\0');
    char *p = h.data();
    memcpy(p, "RIFF", 4);
    putU32(p + 4, 36 + dataBytes);
    memcpy(p + 8, "WAVE", 4);
    memcpy(p + 12, "fmt ", 4);
    putU32(p + 16, 16); // PCM format chunk size
    putU16(p + 20, 1); // PCM
    putU16(p + 22, 1); // mono
    putU32(p + 24, quint32(sampleRate)); // samples per second
    putU32(p + 28, quint32(sampleRate * kBytesPerSample)); // bytes per second
    putU16(p + 32, kBytesPerSample); // block align
    putU16(p + 34, 16); // bits per sample
    memcpy(p + 36, "data", 4);
    putU32(p + 40, dataBytes);
    return h;
}

void WaveFileWriter::fail(const QString &what)
{
    const QString reason = m_file.errorString();
    const int code = m_file.error() == QFileDevice::ResourceError ? FailureCode::DiskFull
                                                                  : FailureCode::PathFileAccess;
    if (m_open)
        m_file.cancelWriting();
    m_open = false;
    throw Failure(code, what + QStringLiteral(": ") + reason, QStringLiteral("WaveFileWriter"));
}

void WaveFileWriter::open()
{
    // Through a link, the file put in place is the link's target: never let that be
    // a device or a folder, which a rename would replace by a regular file.
    const QFileInfo target(m_file.fileName());
    if (target.exists() && !QFileInfo(target.canonicalFilePath()).isFile())
        throw Failure(FailureCode::PathFileAccess,
                      m_file.fileName() + QStringLiteral(" is not a regular file"),
                      QStringLiteral("WaveFileWriter"));
    if (!m_file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot create ") + m_file.fileName());
    m_open = true;
    m_samples = 0;
    if (m_file.write(header(m_sampleRate, 0)) != kHeaderSize)
        fail(QStringLiteral("Cannot write ") + m_file.fileName());
}

void WaveFileWriter::append(const int16_t *samples, qsizetype count)
{
    if (!m_open || count <= 0)
        return;
    QByteArray bytes(count * kBytesPerSample, Qt::Uninitialized);
    qToLittleEndian<qint16>(samples, count, bytes.data());
    if (m_file.write(bytes) != bytes.size())
        fail(QStringLiteral("Cannot write ") + m_file.fileName());
    m_samples += count;
}

void WaveFileWriter::commit()
{
    if (!m_open)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("The wave file is not open"),
                      QStringLiteral("WaveFileWriter"));
    if (!m_file.seek(0) || m_file.write(header(m_sampleRate, m_samples)) != kHeaderSize)
        fail(QStringLiteral("Cannot write ") + m_file.fileName());
    m_open = false;
    if (!m_file.commit())
        fail(QStringLiteral("Cannot save ") + m_file.fileName());
}

void WaveFileWriter::cancel()
{
    if (m_open)
        m_file.cancelWriting();
    m_open = false;
}

qint64 WaveFileWriter::durationMs() const
{
    return m_sampleRate > 0 ? m_samples * 1000 / m_sampleRate : 0;
}
