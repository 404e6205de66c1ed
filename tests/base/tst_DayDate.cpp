#include "base/DayDate.h"

#include <gtest/gtest.h>

TEST(DayDate, CountsDaysFromTheEndOf1899WithTheTimeAsFraction)
{
    const struct
    {
        QDate date;
        QTime time;
        double days;
    } cases[] = {
        { { 1899, 12, 30 }, { 0, 0 }, 0.0 },   { { 1899, 12, 31 }, { 18, 0 }, 1.75 },
        { { 1900, 1, 1 }, { 0, 0 }, 2.0 },     { { 2000, 1, 1 }, { 12, 0 }, 36526.5 },
        { { 1899, 12, 29 }, { 6, 0 }, -1.25 }, { { 1800, 1, 1 }, { 0, 0 }, -36522.0 },
    };
    for (const auto &c : cases) {
        const DayDate d = DayDate::fromDate(c.date, c.time);
        EXPECT_DOUBLE_EQ(d.days(), c.days) << c.date.toString().toStdString();
        EXPECT_EQ(d.date(), c.date) << c.days;
        EXPECT_EQ(d.time(), c.time) << c.days;
        EXPECT_EQ(DayDate(c.days).toDateTime(), QDateTime(c.date, c.time));
    }
}

TEST(DayDate, ZeroAndRounding)
{
    EXPECT_TRUE(DayDate::zero().isZero());
    EXPECT_TRUE(DayDate::fromDateTime(QDateTime()).isZero());
    EXPECT_EQ(DayDate::zero().toDateTime(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    // A hair below the next midnight is that midnight, not 23:59:59.999.
    const DayDate almost(2.0 - 1e-12);
    EXPECT_EQ(almost.date(), QDate(1900, 1, 1));
    EXPECT_EQ(almost.time(), QTime(0, 0));
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_LE(qAbs(DayDate::fromDateTime(now).toDateTime().msecsTo(now)), 1);
    EXPECT_FALSE(DayDate(1e300).toDateTime().isValid());
}
