#include "speech/clsStore.h"

#include <gtest/gtest.h>

namespace {

struct StoreCase
{
    const char *text;
    std::vector<const char *> stored;
    std::vector<const char *> handedOut;
};

TEST(clsStore, CutsAndHandsOutSentences)
{
    const StoreCase cases[] = {
        { "Hello. World.", { "Hello.", "World." }, { "Hello.", "World." } },
        { "No end mark", { "No end mark" }, { "No end mark" } },
        { "One. Two \r\n", { "One.", "Two" }, { "One.", "Two" } },
        { "-- Hello --.", { "-- Hello --." }, { "Hello --." } },
        { "Really?! Yes.", { "Really?!", "Yes." }, { "Really?!", "Yes." } },
        { "Hi!", { "Hi!" }, { "Hi!" } },
        // What the sentence before left behind belongs to no sentence.
        { ".Lead", { "Lead" }, { "Lead" } },
        { "!? \" Next one.", { "Next one." }, { "Next one." } },
        { "\"Quoted,\" he said.", { "\"Quoted,\" he said." }, { "\"Quoted,\" he said." } },
        // Closing quotes and brackets end with the sentence.
        { "(Yes.) \u201cNo!\u201d Maybe.",
          { "(Yes.)", "\u201cNo!\u201d", "Maybe." },
          { "(Yes.)", "\u201cNo!\u201d", "Maybe." } },
        // Pieces without a word never end the reading early.
        { "...", {}, {} },
        { "One. -- . Two.", { "One.", "Two." }, { "One.", "Two." } },
        { "End. \r\n -- ", { "End." }, { "End." } },
    };
    for (const auto &c : cases) {
        // Handed out as they are cut, and counted after: the same sentences either way.
        clsStore store;
        store.StoreInSentences(QString::fromUtf8(c.text));
        EXPECT_EQ(store.HasSentences(), !c.stored.empty()) << c.text;
        // The reader stops at the first empty sentence: none comes before the end.
        std::vector<QString> got;
        for (QString s = store.NextSentence(); !s.isEmpty(); s = store.NextSentence())
            got.push_back(s);
        ASSERT_EQ(got.size(), c.handedOut.size()) << c.text;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], QString::fromUtf8(c.handedOut[i])) << c.text;
        ASSERT_EQ(store.Sentences(), int(c.stored.size())) << c.text;
        for (int i = 0; i < store.Sentences(); ++i)
            EXPECT_EQ(store.Sentence(i + 1), QString::fromUtf8(c.stored[size_t(i)])) << c.text;
    }
}

TEST(clsStore, EmptyTextAndExhaustionGiveEmptySentences)
{
    clsStore store;
    EXPECT_EQ(store.NextSentence(), "");
    store.StoreInSentences("");
    EXPECT_EQ(store.Sentences(), 0);
    EXPECT_EQ(store.NextSentence(), "");

    store.StoreInSentences("One. Two.");
    EXPECT_EQ(store.NextSentence(), "One.");
    // Counting in the middle of a reading cuts the rest and leaves the reading where it is.
    EXPECT_EQ(store.Sentences(), 2);
    EXPECT_EQ(store.Sentence(3), "");
    EXPECT_EQ(store.NextSentence(), "Two.");
    EXPECT_EQ(store.NextSentence(), "");
    EXPECT_EQ(store.NextSentence(), "");
    // Storing again rewinds and replaces.
    store.StoreInSentences("C.");
    EXPECT_EQ(store.ReadIndex(), 0);
    EXPECT_EQ(store.NextSentence(), "C.");
}

TEST(clsStore, LongTextWithoutEndMarkIsOneSentence)
{
    const QString text(200000, QLatin1Char('a'));
    clsStore store;
    store.StoreInSentences(text);
    ASSERT_EQ(store.Sentences(), 1);
    EXPECT_EQ(store.NextSentence().size(), text.size());
}

} // namespace

// Text that arrives while a reading goes on (the rest of a long PDF): what was handed out
// stays as it was, a sentence the end of the stored text cut short is read whole, and a
// store read to its end reads the new text next.
TEST(clsStore, AppendedTextIsReadOn)
{
    const struct
    {
        const char *stored;
        int handOutFirst; // sentences handed out before the text arrives
        const char *appended;
        std::vector<const char *> rest; // handed out afterwards
    } cases[] = {
        { "One. Two is cut", 1, " short here. Three.", { "Two is cut short here.", "Three." } },
        { "One. Two is cut", 0, " short. Three.", { "One.", "Two is cut short.", "Three." } },
        // Already spoken, the cut sentence is not spoken again: its rest comes as it is.
        { "One. Two is cut", 2, " short. Three.", { "short.", "Three." } },
        { "One. Two.", 2, " Three. Four.", { "Three.", "Four." } },
        { "One. Two.", 5, "\n\nThree.", { "Three." } },
        { "", 1, "Only now.", { "Only now." } },
        { "End.", 1, "", {} },
    };
    for (const auto &c : cases) {
        clsStore store;
        store.StoreInSentences(QString::fromUtf8(c.stored));
        for (int i = 0; i < c.handOutFirst; ++i)
            store.NextSentence();
        store.AppendText(QString::fromUtf8(c.appended));
        std::vector<QString> got;
        for (QString s = store.NextSentence(); !s.isEmpty(); s = store.NextSentence())
            got.push_back(s);
        ASSERT_EQ(got.size(), c.rest.size()) << c.stored << " + " << c.appended;
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], QString::fromUtf8(c.rest[i])) << c.stored << " + " << c.appended;
        // The places still count in the whole text.
        const QString whole = QString::fromUtf8(c.stored) + QString::fromUtf8(c.appended);
        if (!got.empty()) {
            const clsStore::Place &last = store.LastPlace();
            EXPECT_EQ(whole.mid(last.textBegin, got.back().size()), got.back());
        }
    }
}
