#include "base/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, EveryByteSurvivesARoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = CodePage::toUnicode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(CodePage::fromUnicode(text), all);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x96], QChar(0x2013));
    EXPECT_EQ(text[0x97], QChar(0x2014));
    EXPECT_EQ(text[0xE9], QChar(0xE9));
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(CodePage::fromUnicode(QString::fromUtf8("a€Жb😀")), QByteArray("a\x80?b??"));
    EXPECT_FALSE(CodePage::canEncode(QChar(0x416)));
    EXPECT_TRUE(CodePage::canEncode(QChar(0x2122)));
}
