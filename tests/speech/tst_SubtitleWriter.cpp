#include "speech/SubtitleWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SubtitleWriter, WritesNumberedEntriesWithTimesAndOneLinePerSentence)
{
    SubtitleWriter srt;
    srt.add(0, 1250, "Hello there.");
    srt.add(1250, 3723004, QString::fromUtf8("Second\r\nline — here."));
    EXPECT_EQ(SubtitleWriter::timestamp(3723004), "01:02:03,004");
    EXPECT_EQ(srt.toText(),
              QString::fromUtf8("1\r\n00:00:00,000 --> 00:00:01,250\r\nHello there.\r\n\r\n"
                                "2\r\n00:00:01,250 --> 01:02:03,004\r\n"
                                "Second line — here.\r\n\r\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath("a.srt");
    srt.save(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), srt.toText());
}
