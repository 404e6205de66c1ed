#include "platform/AudioQueue.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

QByteArray bytes(int n, char fill)
{
    return QByteArray(n, fill);
}

TEST(AudioQueue, HandsOutAudioInOrderAndReportsWhereEachJobEnds)
{
    AudioQueue queue;
    const quint64 gen = queue.generation();
    queue.endOfJob(gen, 1); // a call that made no audio
    ASSERT_TRUE(queue.push(gen, bytes(6, 'a').constData(), 6));
    queue.endOfJob(gen, 2);
    ASSERT_TRUE(queue.push(gen, bytes(4, 'b').constData(), 4));
    queue.endOfJob(gen, 3);
    EXPECT_EQ(queue.buffered(), 10);

    char out[16] = {};
    QList<AudioQueue::JobEnd> ends;
    // No room at all: the end at the front still comes out.
    EXPECT_EQ(queue.read(out, 0, &ends), 0);
    ASSERT_EQ(ends.size(), 1);
    EXPECT_EQ(ends[0].job, 1u);
    EXPECT_EQ(ends[0].offset, 0);

    ends.clear();
    EXPECT_EQ(queue.read(out, 8, &ends), 8);
    EXPECT_EQ(QByteArray(out, 8), QByteArray("aaaaaabb"));
    ASSERT_EQ(ends.size(), 1);
    EXPECT_EQ(ends[0].job, 2u);
    EXPECT_EQ(ends[0].offset, 6);

    ends.clear();
    EXPECT_EQ(queue.read(out, 8, &ends), 2);
    ASSERT_EQ(ends.size(), 1);
    EXPECT_EQ(ends[0].job, 3u);
    EXPECT_EQ(ends[0].offset, 2);
    EXPECT_EQ(queue.buffered(), 0);
    EXPECT_EQ(queue.highWater(), 10);
}

TEST(AudioQueue, ClearDropsEverythingAndLateAudioOfTheOldGeneration)
{
    AudioQueue queue;
    const quint64 old = queue.generation();
    ASSERT_TRUE(queue.push(old, "xxxx", 4));
    const quint64 current = queue.clear();
    EXPECT_NE(current, old);
    EXPECT_EQ(queue.buffered(), 0);

    // The worker still delivering the stopped call is told to give up.
    EXPECT_FALSE(queue.push(old, "yy", 2));
    queue.endOfJob(old, 7);
    char out[8];
    QList<AudioQueue::JobEnd> ends;
    EXPECT_EQ(queue.read(out, 8, &ends), 0);
    EXPECT_TRUE(ends.isEmpty());

    EXPECT_TRUE(queue.push(current, "zz", 2));
    queue.resetHighWater();
    EXPECT_EQ(queue.highWater(), 2);
}

} // namespace
