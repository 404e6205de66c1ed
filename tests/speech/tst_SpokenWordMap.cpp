#include "speech/SpokenWordMap.h"

#include "speech/CleanForSpeech.h"
#include "speech/clsDict.h"
#include "support/MemoryDictionary.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// Each case: a sentence as shown, the pairs of the pronunciation list, a word the engine
// speaks (found in the text it was given) and the shown words it must mark.
TEST(SpokenWordMap, SpokenWordsLandOnTheWordsTheUserSees)
{
    const struct
    {
        const char *why;
        const char *shown;
        QList<std::pair<const char *, const char *>> pairs;
        const char *spokenWord;
        int occurrence; // of spokenWord in the spoken text, from 0
        const char *marked;
    } cases[] = {
        { "unchanged", "The ship sailed.", {}, "sailed", 0, "sailed" },
        { "changed word", "Dr Who came.", { { "Dr", "Doctor" } }, "Doctor", 0, "Dr" },
        { "word after a changed one", "Dr Who came.", { { "Dr", "Doctor" } }, "Who", 0, "Who" },
        { "one word for several",
          "Meet Orlin today.",
          { { "Orlin", "the reader of books" } },
          "books",
          0,
          "Orlin" },
        { "several words for one",
          "See you in the USA soon.",
          { { "USA", "you ess ay" } },
          "ess",
          0,
          "USA" },
        { "replacement holding the word",
          "Orlin reads.",
          { { "Orlin", "the reader called Orlin of the north" } },
          "north",
          0,
          "Orlin" },
        { "added before the word",
          "Orlin reads.",
          { { "Orlin", "the reader called Orlin of the north" } },
          "reader",
          0,
          "Orlin" },
        { "cleaned colon and semicolon", "Note: one; two.", {}, "two", 0, "two" },
        { "cleaned em dash", "Wait\u2014now go.", {}, "now", 0, "now" },
        { "opening quote", "\"Hello,\" she said.", {}, "Hello", 0, "Hello" },
        { "case changed by the list",
          "the END is near.",
          { { "end", "finish" } },
          "finish",
          0,
          "END" },
        { "repeated word", "one two one two.", {}, "two", 1, "two" },
        { "apostrophe", "Who\u2019s there?", {}, "there", 0, "there" },
    };
    for (const auto &c : cases) {
        clsDict dict;
        FillDictionary(dict, c.pairs);
        const QString shown = QString::fromUtf8(c.shown);
        // The talker's own road to the engine.
        const QString spoken = dict.TranslateText(CleanForSpeech(shown));
        qsizetype at = -1;
        for (int n = 0; n <= c.occurrence; ++n)
            at = spoken.indexOf(QString::fromUtf8(c.spokenWord), at + 1);
        ASSERT_GE(at, 0) << c.why << ": " << qPrintable(spoken);
        const SpokenWordMap map(shown, spoken);
        const auto word = map.shownWord(int(at));
        ASSERT_TRUE(word) << c.why;
        EXPECT_EQ(shown.mid(word->start, word->length), QString::fromUtf8(c.marked)) << c.why;
        if (QString::fromUtf8(c.why) == QStringLiteral("repeated word")) {
            EXPECT_EQ(word->start, 12) << "the second two, not the first";
        }
    }
}

TEST(SpokenWordMap, PositionsOutsideTheWordsGiveTheNextWordOrNothing)
{
    const QString shown = QStringLiteral("  \"Go now,\" he said.");
    const SpokenWordMap map(shown, QLatin1Char(' ') + shown);
    // The blanks and the quote before the first word belong to it.
    EXPECT_EQ(map.shownWord(0), (SpokenWordMap::Range { 3, 2 }));
    EXPECT_EQ(map.shownWord(int(shown.size())), std::nullopt);
    EXPECT_EQ(SpokenWordMap(QStringLiteral("..."), QStringLiteral("dot dot")).shownWord(0),
              std::nullopt);
    EXPECT_EQ(SpokenWordMap().shownWord(0), std::nullopt);
}

// A sentence without end marks can hold a whole book: the map stays linear there.
TEST(SpokenWordMap, LongSentencesAreMappedToo)
{
    QString shown;
    for (int i = 0; i < 3000; ++i)
        shown += QStringLiteral("word%1 ").arg(i % 97);
    QString spoken = shown;
    spoken.replace(QStringLiteral("word5 "), QStringLiteral("a changed word "));
    const SpokenWordMap map(shown, QLatin1Char(' ') + spoken);
    const qsizetype at = spoken.lastIndexOf(QStringLiteral("word96")) + 1;
    const auto word = map.shownWord(int(at));
    ASSERT_TRUE(word);
    EXPECT_EQ(shown.mid(word->start, word->length), QStringLiteral("word96"));
    EXPECT_EQ(word->start, shown.lastIndexOf(QStringLiteral("word96")));
}

} // namespace
