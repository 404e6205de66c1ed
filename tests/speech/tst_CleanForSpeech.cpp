#include "speech/CleanForSpeech.h"

#include <gtest/gtest.h>

TEST(CleanForSpeech, ReplacesEmDashColonAndSemicolon)
{
    const QString five(5, QLatin1Char(' '));
    EXPECT_EQ(CleanForSpeech(""), "");
    EXPECT_EQ(CleanForSpeech(QString::fromUtf8("Note:one;two—three")),
              "Note" + five + "one" + five + "two three");
    EXPECT_EQ(CleanForSpeech("a: b"), "a" + five + " b");
    // Hyphen and en dash stay; the argument is not touched.
    const QString dashes = QString::fromUtf8("a-b–c");
    EXPECT_EQ(CleanForSpeech(dashes), dashes);
    EXPECT_EQ(dashes, QString::fromUtf8("a-b–c"));
}
