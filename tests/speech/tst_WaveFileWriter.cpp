#include "base/Failure.h"
#include "speech/WaveFileWriter.h"

#include "support/TinyFilesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 u32(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

TEST(WaveFileWriter, HeaderFieldsMatchTheData)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.wav");
    WaveFileWriter writer(path, 22050);
    writer.open();
    std::vector<int16_t> samples(1000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 31 - 15000);
    writer.append(samples.data(), qsizetype(samples.size()));
    writer.append(samples.data(), 500);
    EXPECT_FALSE(QFile::exists(path)) << "nothing in place before commit";
    writer.commit();

    const QByteArray b = readAll(path);
    ASSERT_EQ(b.size(), 44 + 1500 * 2);
    EXPECT_EQ(b.left(4), "RIFF");
    EXPECT_EQ(u32(b, 4), quint32(b.size() - 8));
    EXPECT_EQ(b.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u16(b, 20), 1); // PCM
    EXPECT_EQ(u16(b, 22), 1); // mono
    EXPECT_EQ(u32(b, 24), 22050u);
    EXPECT_EQ(u32(b, 28), 44100u);
    EXPECT_EQ(u16(b, 34), 16);
    EXPECT_EQ(b.mid(36, 4), "data");
    EXPECT_EQ(u32(b, 40), 3000u);
    EXPECT_EQ(qFromLittleEndian<qint16>(b.constData() + 44 + 2 * 7), samples[7]);
    EXPECT_EQ(writer.durationMs(), 1500 * 1000 / 22050);
}

TEST(WaveFileWriter, CancelAndFailureLeaveTheOldFileIntact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.wav");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    {
        WaveFileWriter writer(path, 16000);
        writer.open();
        const int16_t s[4] = { 1, 2, 3, 4 };
        writer.append(s, 4);
        writer.cancel();
    }
    {
        WaveFileWriter writer(path, 16000);
        writer.open();
        // Destroyed without commit, as when rendering throws half-way.
    }
    EXPECT_EQ(readAll(path), "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary left";

    WaveFileWriter nowhere(dir.filePath("missing/folder/x.wav"), 16000);
    EXPECT_THROW(nowhere.open(), Failure);
}

TEST(WaveFileWriter, FullDiskFailsAndKeepsTheOldFile)
{
    TinyFilesystem fs(64);
    if (!fs.available())
        GTEST_SKIP() << "cannot mount a small filesystem here";
    const QString path = fs.file("book.wav");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old audio");
    }
    WaveFileWriter writer(path, 16000);
    std::vector<int16_t> second(16000);
    EXPECT_THROW(
        {
            writer.open();
            for (int i = 0; i < 10; ++i)
                writer.append(second.data(), qsizetype(second.size()));
            writer.commit();
        },
        Failure);
    EXPECT_EQ(readAll(path), "old audio");
}

TEST(WaveFileWriter, RefusesToReplaceSomethingThatIsNotAFile)
{
    // A link to a device must never have the device replaced by a regular file.
    QTemporaryDir dir;
    const QString link = dir.filePath("null.wav");
    ASSERT_TRUE(QFile::link("/dev/null", link));
    WaveFileWriter writer(link, 16000);
    EXPECT_THROW(writer.open(), Failure);
    EXPECT_FALSE(QFileInfo("/dev/null").isFile());
}

} // namespace
