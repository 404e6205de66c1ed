#include "base/cSharedText.h"

#include <gtest/gtest.h>

namespace {

struct EatCase
{
    const char *input;
    const char *fromStart;
    const char *fromEnd;
};

TEST(cSharedText, EatCrapStripsOnlyTheFourJunkCharacters)
{
    const EatCase cases[] = {
        { "- - Hello", "Hello", "- - Hello" },
        { "Hello -\r\n", "Hello -\r\n", "Hello" },
        { " -\r\n- \n", "", "" },
        { "-5 degrees", "5 degrees", "-5 degrees" },
        { "well-", "well-", "well" },
        { "\tTabbed ", "\tTabbed ", "\tTabbed" },
        { "", "", "" },
        { "-- Hello --.", "Hello --.", "-- Hello --." },
    };
    for (const auto &c : cases) {
        QString start = QString::fromUtf8(c.input);
        cSharedText::EatCrapFromStart(start);
        EXPECT_EQ(start, QString::fromUtf8(c.fromStart)) << c.input;
        QString end = QString::fromUtf8(c.input);
        cSharedText::EatCrapFromEnd(end);
        EXPECT_EQ(end, QString::fromUtf8(c.fromEnd)) << c.input;
    }
}

TEST(cSharedText, StringsEqualTrimsNullsAndBlanksAndIgnoresCase)
{
    EXPECT_TRUE(cSharedText::StringsEqual("Language", " language "));
    EXPECT_TRUE(cSharedText::StringsEqual(QString("abc") + QChar(0) + "xyz", "ABC"));
    EXPECT_TRUE(cSharedText::StringsEqual(QString::fromUtf8("ÉCOLE"), QString::fromUtf8("école")));
    EXPECT_TRUE(cSharedText::StringsEqual("", "   "));
    EXPECT_FALSE(cSharedText::StringsEqual("abc", "abcd"));
    EXPECT_FALSE(cSharedText::StringsEqual("abc", ""));
    EXPECT_FALSE(cSharedText::StringsEqual(QString::fromUtf8("résumé"), "resume"));
    // A tab is not a blank: it is not trimmed away.
    EXPECT_FALSE(cSharedText::StringsEqual("abc\t", "abc"));
}

TEST(cSharedText, StringContainsIgnoresCase)
{
    EXPECT_TRUE(cSharedText::StringContains("Gutenberg", "TENB"));
    EXPECT_TRUE(cSharedText::StringContains("anything", ""));
    EXPECT_TRUE(cSharedText::StringContains("", ""));
    EXPECT_FALSE(cSharedText::StringContains("Gutenberg", "berge"));
}

TEST(cSharedText, TrimFamily)
{
    const QString withNull = QString("  name ") + QChar(0) + "junk";
    EXPECT_EQ(cSharedText::TrimNull(withNull), "  name");
    EXPECT_EQ(cSharedText::cTrim(withNull), "  name");
    EXPECT_EQ(cSharedText::TrimcTrim(withNull), "name");
    EXPECT_EQ(cSharedText::TrimNull("  keep lead  "), "  keep lead");
    EXPECT_EQ(cSharedText::TrimcTrim(" \tx\t "), "\tx\t");
    EXPECT_EQ(cSharedText::TrimNull(""), "");
}

TEST(cSharedText, AddQuotesLeavesInnerQuotes)
{
    EXPECT_EQ(cSharedText::AddQuotes("a \"b\" c"), "\"a \"b\" c\"");
    EXPECT_EQ(cSharedText::AddQuotes(""), "\"\"");
}

} // namespace
