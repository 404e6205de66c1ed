#include "speech/clsDict.h"

#include "base/CodePage.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for the text comparisons below.
static void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using Pairs = QList<std::pair<QString, QString>>;

Pairs pairsOf(const clsDict &dict)
{
    Pairs out;
    if (dict.Words) {
        for (const auto &p : *dict.Words)
            out.append({ p->OriginalWord, p->NewWord });
    }
    return out;
}

std::shared_ptr<clsWordPair> makePair(const QString &original, const QString &replacement)
{
    auto pair = std::make_shared<clsWordPair>();
    pair->OriginalWord = original;
    pair->NewWord = replacement;
    return pair;
}

clsDict dictOf(const Pairs &pairs)
{
    clsDict dict;
    for (const auto &[o, n] : pairs)
        dict.AddWordPair(makePair(o, n));
    return dict;
}

TEST(clsDict, WordsAreAbsentUntilFirstUseAndAfterClearing)
{
    clsDict dict;
    EXPECT_FALSE(dict.Words.has_value());
    EXPECT_EQ(dict.WordCount(), 0);

    auto pair = makePair("Smyth", "Smith");
    dict.AddWordPair(pair);
    ASSERT_TRUE(dict.Words.has_value());
    EXPECT_EQ(dict.WordCount(), 1);
    // The list holds the very object, so an editor's later change shows in the list.
    EXPECT_EQ(dict.Words->first().get(), pair.get());
    pair->NewWord = "Smithe";
    EXPECT_EQ(dict.Words->first()->NewWord, "Smithe");

    dict.ClearWords();
    EXPECT_FALSE(dict.Words.has_value());
    dict.ClearWords(); // clearing an absent list is harmless
    EXPECT_FALSE(dict.Words.has_value());
}

TEST(clsDict, ProgramFolderHoldsTheList)
{
    TempProgramFolder folder;
    clsDict dict;
    EXPECT_EQ(QDir::cleanPath(dict.fileName()), QDir::cleanPath(folder.file("ol1dict.txt")));
}

TEST(clsDict, MissingFileGivesAnEmptyList)
{
    TempProgramFolder folder;
    clsDict dict;
    dict.AddWordPair(makePair("old", "pair"));
    dict.LoadWords();
    ASSERT_TRUE(dict.Words.has_value());
    EXPECT_EQ(dict.WordCount(), 0);
    // A missing list is normal, not something to log.
    EXPECT_FALSE(QFile::exists(folder.file("log.txt")));
}

struct LoadCase
{
    const char *name;
    QByteArray bytes;
    Pairs expected;
};

TEST(clsDict, LoadSplitsLinesAtCrAndPairsAtTheFirstComma)
{
    const LoadCase cases[] = {
        { "no comma and blank lines are skipped",
          "abc\r\n\r\nSmyth,Smith\r\n",
          { { "Smyth", "Smith" } } },
        { "lone comma", ",\r\n", { { "", "" } } },
        { "later commas stay in NewWord", "a,b,c\r\n", { { "a", "b,c" } } },
        { "leading comma", ",word\r\n", { { "", "word" } } },
        { "spaces are kept", "  Smyth , Smith  \r\n", { { "  Smyth ", " Smith  " } } },
        { "CR alone ends a line", "a,1\rb,2\rc,3", { { "a", "1" }, { "b", "2" }, { "c", "3" } } },
        { "lone LF does not end a line", "a,1\nb,2\r\n", { { "a", "1\nb,2" } } },
        { "LF before the comma stays in OriginalWord", "x\ny,z\r\n", { { "x\ny", "z" } } },
        { "CR CR LF gives an empty line in between",
          "a,1\r\r\nb,2\r\n",
          { { "a", "1" }, { "b", "2" } } },
        { "last line without a line end", "a,1\r\nb,2", { { "a", "1" }, { "b", "2" } } },
        { "Windows-1252 bytes",
          "caf\xE9,caff\x80\r\n",
          { { QString::fromUtf8("café"), QString::fromUtf8("caff€") } } },
        { "empty file", "", {} },
    };
    for (const auto &c : cases) {
        TempProgramFolder folder;
        folder.writeBytes("ol1dict.txt", c.bytes);
        clsDict dict;
        dict.AddWordPair(makePair("left", "over"));
        dict.LoadWords();
        EXPECT_EQ(pairsOf(dict), c.expected) << c.name;
    }
}

TEST(clsDict, SaveTrimsBlanksWritesCrLfInListOrderAndLoadsBack)
{
    TempProgramFolder folder;
    clsDict dict = dictOf({ { "  Smyth ", " Smith  " },
                            { "", "" },
                            { "\tTab", "x" },
                            { QString::fromUtf8("café"), QString::fromUtf8("Ωmega") },
                            { QString::fromUtf8("Łódź"), "Wootch" },
                            { "a", "b,c" } });
    ASSERT_TRUE(dict.SaveWords());
    EXPECT_EQ(
        folder.readBytes("ol1dict.txt"),
        QString::fromUtf8("Smyth,Smith\r\n,\r\n\tTab,x\r\ncafé,Ωmega\r\nŁódź,Wootch\r\na,b,c\r\n")
            .toUtf8());

    clsDict again;
    again.LoadWords();
    EXPECT_EQ(pairsOf(again),
              (Pairs { { "Smyth", "Smith" },
                       { "", "" },
                       { "\tTab", "x" },
                       { QString::fromUtf8("café"), QString::fromUtf8("Ωmega") },
                       { QString::fromUtf8("Łódź"), "Wootch" },
                       { "a", "b,c" } }));
    EXPECT_EQ(again.TranslateText(QString::fromUtf8("In Łódź, then.")), " In Wootch, then.");

    // A list saved by an earlier installation, in Windows-1252, still loads.
    folder.writeBytes("ol1dict.txt", "M\xFCller,Miller\r\ncaf\xE9,kaffay\r\n");
    again.LoadWords();
    EXPECT_EQ(pairsOf(again),
              (Pairs { { QString::fromUtf8("Müller"), "Miller" },
                       { QString::fromUtf8("café"), "kaffay" } }));
}

TEST(clsDict, SavingAnEmptyOrAbsentListLeavesAnEmptyFile)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", "old,pair\r\n");
    clsDict absent;
    ASSERT_TRUE(absent.SaveWords());
    EXPECT_TRUE(QFile::exists(folder.file("ol1dict.txt")));
    EXPECT_EQ(folder.readBytes("ol1dict.txt"), QByteArray());

    folder.writeBytes("ol1dict.txt", "old,pair\r\n");
    clsDict empty;
    empty.LoadWords();
    empty.ClearWords();
    empty.Words.emplace();
    ASSERT_TRUE(empty.SaveWords());
    EXPECT_EQ(folder.readBytes("ol1dict.txt"), QByteArray());
}

TEST(clsDict, FailedSaveKeepsTheOldListWhole)
{
    TempProgramFolder folder;
    // A name at the file system's length limit: the file itself exists, but no
    // temporary file can be made beside it, so the save cannot complete.
    const QString name = QString(255 - 4, QLatin1Char('d')) + ".txt";
    folder.writeBytes(name, "Smyth,Smith\r\n");
    ASSERT_EQ(folder.readBytes(name), QByteArray("Smyth,Smith\r\n"));

    clsDict dict = dictOf({ { "cat", "dog" }, { "one", "two" } });
    dict.setFileName(folder.file(name));
    EXPECT_FALSE(dict.SaveWords());
    EXPECT_EQ(folder.readBytes(name), QByteArray("Smyth,Smith\r\n"));
    // Nothing is left behind in the folder but the list and the log.
    for (const QString &entry : QDir(folder.path()).entryList(QDir::Files))
        EXPECT_TRUE(entry == name || entry == "log.txt") << entry.toStdString();

    clsDict reloaded;
    reloaded.setFileName(folder.file(name));
    reloaded.LoadWords();
    EXPECT_EQ(pairsOf(reloaded), (Pairs { { "Smyth", "Smith" } }));
}

TEST(clsDict, SaveIntoAMissingFolderFails)
{
    TempProgramFolder folder;
    clsDict dict = dictOf({ { "cat", "dog" } });
    dict.setFileName(folder.file("no/such/folder/ol1dict.txt"));
    EXPECT_FALSE(dict.SaveWords());
}

struct TranslateCase
{
    const char *name;
    Pairs pairs;
    QString sentence;
    QString expected;
};

TEST(clsDict, TranslateTextReplacesWholeWordsBetweenDelimiters)
{
    const Pairs smyth = { { "Smyth", "Smith" } };
    const TranslateCase cases[] = {
        { "first word matches through the added space", smyth, "Smyth said hello",
          " Smith said hello" },
        { "any case in the text, NewWord's case out", smyth, "I met smyth.", " I met Smith." },
        { "last word with nothing after it stays", smyth, "I met Smyth", " I met Smyth" },
        { "part of a longer word stays", smyth, "Smythe and Smyths said",
          " Smythe and Smyths said" },
        { "touching a bracket or digit stays", smyth, "(Smyth) Smyth2 said",
          " (Smyth) Smyth2 said" },
        { "every delimiter on both sides", smyth,
          "Smyth,Smyth.Smyth'Smyth?Smyth!Smyth-Smyth:Smyth;Smyth \"Smyth\"\r\nSmyth\r\nx",
          " Smith,Smith.Smith'Smith?Smith!Smith-Smith:Smith;Smith \"Smith\"\r\nSmith\r\nx" },
        { "a lone CR or LF is no delimiter", smyth, "a\rSmyth\rb\nSmyth\nc",
          " a\rSmyth\rb\nSmyth\nc" },
        { "shared delimiter skips the middle word",
          { { "cat", "dog" } },
          "cat cat cat.",
          " dog cat dog." },
        { "each delimiter pair has its own pass",
          { { "cat", "dog" } },
          "cat,cat cat.",
          " dog,dog dog." },
        { "empty OriginalWord goes between adjacent delimiters",
          { { "", "X" } },
          "a  b.",
          " a X b." },
        { "empty OriginalWord between a comma and a space", { { "", "~" } }, "a, b", " a,~ b" },
        { "a NewWord that is a delimiter is seen by the later passes",
          { { "", "-" } },
          "a, b",
          " a,-- b" },
        { "empty NewWord removes the word", { { "um", "" } }, "So um, yes", " So , yes" },
        { "pairs apply in list order, later ones see earlier output",
          { { "Smyth", "Smith" }, { "Smith", "Smeeth" } },
          "Smyth came.",
          " Smeeth came." },
        { "an earlier pair does not see a later one's output",
          { { "Smith", "Smeeth" }, { "Smyth", "Smith" } },
          "Smyth came.",
          " Smith came." },
        { "a NewWord holding its own word is not rescanned by the same pass",
          { { "a", "a a" } },
          "a b.",
          " a a b." },
        { "multi-word OriginalWord",
          { { "New York", "Noo Yawk" } },
          "I love new york!",
          " I love Noo Yawk!" },
        { "non-ASCII case-insensitive",
          { { QString::fromUtf8("ÉCOLE"), "school" } },
          QString::fromUtf8("Une école."),
          " Une school." },
        { "no pairs at all", {}, "Smyth said", " Smyth said" },
        { "empty sentence", smyth, "", " " },
    };
    for (const auto &c : cases) {
        const clsDict dict = dictOf(c.pairs);
        EXPECT_EQ(dict.TranslateText(c.sentence), c.expected) << c.name;
    }
}

// The rules written the plain way: one replace-all per delimiter pair for every pair
// that occurs. TranslateText only looks where a word occurs, so it is checked against
// this on many random sentences and lists.
QString translatePlainly(const Pairs &pairs, const QString &sentence)
{
    static const QStringList delimiters = { ",", ".", "'", "?",  "!",   "-",
                                            ":", ";", " ", "\"", "\r\n" };
    QString text = QLatin1Char(' ') + sentence;
    for (const auto &[original, replacement] : pairs) {
        if (!text.contains(original, Qt::CaseInsensitive))
            continue;
        for (const QString &r : delimiters) {
            for (const QString &l : delimiters)
                text.replace(l + original + r, l + replacement + r, Qt::CaseInsensitive);
        }
    }
    return text;
}

TEST(clsDict, TranslateTextAgreesWithThePlainRulesOnRandomText)
{
    const QStringList pieces = { "cat", "Cat",  "CAT", "dog", "a", "",        " ", " ",
                                 ",",   ".",    "'",   "?",   "!", "-",       ":", ";",
                                 "\"",  "\r\n", "\r",  "\n",  "x", "cat dog", "(", "2" };
    const QStringList words = { "cat", "CAT", "dog", "a", "", "cat dog", "t", "-", "at," };
    quint32 seed = 12345;
    auto next = [&seed](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(bound));
    };
    for (int round = 0; round < 3000; ++round) {
        QString sentence;
        for (int n = next(12); n > 0; --n)
            sentence += pieces[next(pieces.size())];
        Pairs pairs;
        for (int n = next(4); n > 0; --n)
            pairs.append({ words[next(words.size())], words[next(words.size())] });
        const clsDict dict = dictOf(pairs);
        ASSERT_EQ(dict.TranslateText(sentence), translatePlainly(pairs, sentence))
            << "round " << round;
    }
}

TEST(clsDict, TranslateTextWithAbsentListOnlyAddsTheSpace)
{
    clsDict dict;
    EXPECT_EQ(dict.TranslateText("Smyth said"), " Smyth said");
}

TEST(clsDict, DeleteWordPairIgnoresCaseAndSurroundingBlanks)
{
    clsDict dict = dictOf({ { "Jones", "Joans" }, { "Smyth", "Smith" }, { "smyth", "Smythe" } });
    dict.DeleteWordPair("  SMYTH ");
    EXPECT_EQ(pairsOf(dict), (Pairs { { "Jones", "Joans" }, { "smyth", "Smythe" } }));

    dict.DeleteWordPair("Brown");
    EXPECT_EQ(dict.WordCount(), 2);

    // The stored word is trimmed for the comparison too.
    clsDict spaced = dictOf({ { " Smyth  ", "Smith" } });
    spaced.DeleteWordPair("smyth");
    EXPECT_EQ(spaced.WordCount(), 0);

    clsDict absent;
    absent.DeleteWordPair("Smyth");
    EXPECT_FALSE(absent.Words.has_value());
}

} // namespace
