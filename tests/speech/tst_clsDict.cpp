#include "speech/clsDict.h"

#include "base/CodePage.h"
#include "base/cSharedLogging.h"
#include "speech/clsStore.h"
#include "support/Corpora.h"
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
        { "later commas stay in NewWord", "a,b,c\r\n", { { "a", "b,c" } } },
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

TEST(clsDict, LoadSkipsWhatTheEditorRefusesAndSaysSo)
{
    TempProgramFolder folder;
    Log().LogEvent("start", true);
    folder.writeBytes("ol1dict.txt",
                      ",\r\n,x\r\nSmyth,Smith\r\n  ,y\r\num,\r\nab, \r\ncat,dog\r\n");
    clsDict dict;
    dict.LoadWords();
    EXPECT_EQ(pairsOf(dict), (Pairs { { "Smyth", "Smith" }, { "cat", "dog" } }));
    Log().WriteActionsToLog();
    const QByteArray log = folder.readBytes("log.txt");
    EXPECT_TRUE(log.contains("Skipped 5 line(s) of ")) << log.toStdString();
    EXPECT_TRUE(log.contains("the first at line 1 in LoadWords of module clsDict"))
        << log.toStdString();
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
    // The pair of two empty words is saved as the editor's list had it, and not taken
    // back: it would match between any two delimiters.
    EXPECT_EQ(pairsOf(again),
              (Pairs { { "Smyth", "Smith" },
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
        { "inserted text is never searched again, not even for its delimiters",
          { { "", "-" } },
          "a, b",
          " a,- b" },
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
        { "nor by the pair's later passes",
          { { "Tom", "Tom Sawyer" } },
          "Tom. Tom said so, Tom.",
          " Tom Sawyer. Tom Sawyer said so, Tom Sawyer." },
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

// The delimiter pairs of the rules, in the order of their passes (right, then left).
QStringList delimiterPairs()
{
    static const QStringList delimiters = { ",", ".", "'", "?",  "!",   "-",
                                            ":", ";", " ", "\"", "\r\n" };
    QStringList pairs;
    for (const QString &r : delimiters) {
        for (const QString &l : delimiters)
            pairs << l << r;
    }
    return pairs;
}

// The rules written the plain way: one replace-all per delimiter pair for every pair.
// A replacement first puts in a mark that no word or delimiter holds, so no later pass
// finds anything in what a pair inserts, then the marks become the NewWord.
QString translatePlainly(const Pairs &pairs, const QString &sentence)
{
    static const QStringList passes = delimiterPairs();
    const QString mark(QChar(0xE000));
    QString text = QLatin1Char(' ') + sentence;
    for (const auto &[original, replacement] : pairs) {
        for (qsizetype i = 0; i < passes.size(); i += 2)
            text.replace(passes[i] + original + passes[i + 1], passes[i] + mark + passes[i + 1],
                         Qt::CaseInsensitive);
        text.replace(mark, replacement);
    }
    return text;
}

// The rules as earlier versions applied them: later passes search what earlier ones
// inserted. For a list whose replacements do not hold their own words both agree.
QString translateRescanning(const Pairs &pairs, const QString &sentence)
{
    static const QStringList passes = delimiterPairs();
    QString text = QLatin1Char(' ') + sentence;
    for (const auto &[original, replacement] : pairs) {
        if (!text.contains(original, Qt::CaseInsensitive))
            continue;
        for (qsizetype i = 0; i < passes.size(); i += 2)
            text.replace(passes[i] + original + passes[i + 1],
                         passes[i] + replacement + passes[i + 1], Qt::CaseInsensitive);
    }
    return text;
}

TEST(clsDict, TranslateTextAgreesWithThePlainRulesOnRandomText)
{
    const QStringList pieces = { "cat", "Cat",  "CAT", "dog", "a", "",        " ", " ",
                                 ",",   ".",    "'",   "?",   "!", "-",       ":", ";",
                                 "\"",  "\r\n", "\r",  "\n",  "x", "cat dog", "(", "2" };
    const QStringList words = { "cat", "CAT", "dog", "a",   "",        "cat dog",
                                "t",   "-",   "at,", "a a", "cat cat", "dog, cat" };
    quint32 seed = 12345;
    auto next = [&seed](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(bound));
    };
    for (int round = 0; round < 5000; ++round) {
        QString sentence;
        for (int n = next(14); n > 0; --n)
            sentence += pieces[next(pieces.size())];
        Pairs pairs;
        for (int n = next(4); n > 0; --n)
            pairs.append({ words[next(words.size())], words[next(words.size())] });
        const clsDict dict = dictOf(pairs);
        ASSERT_EQ(dict.TranslateText(sentence), translatePlainly(pairs, sentence))
            << "round " << round;
    }
}

// A real book read sentence by sentence with a list of the kind users keep (names,
// titles, contractions, words of more than one word): every sentence comes out as the
// earlier versions made it.
TEST(clsDict, AnOrdinaryListReplacesTheSameWordsAsEverOnARealBook)
{
    const QString path = corporaFile("gutenberg_books/74-0.txt");
    if (path.isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Pairs pairs = {
        { "Tom", "Thom" },          { "Huck", "Hukk" },         { "Injun Joe", "Indian Joe" },
        { "Aunt Polly", "Auntie" }, { "Mr", "Mister" },         { "Mrs", "Missus" },
        { "St", "Saint" },          { "ain't", "aint" },        { "don't", "do not" },
        { "I'm", "I am" },          { "'em", "them" },          { "says", "sez" },
        { "Tom Sawyer", "Tommy" },  { "Becky", "Beckie" },      { "warn't", "was not" },
        { "yes'm", "yes ma'am" },   { "Joe Harper", "Joseph" }, { "git", "get" },
    };
    const clsDict dict = dictOf(pairs);
    clsStore store;
    store.StoreInSentences(QString::fromUtf8(file.readAll()));
    int sentences = 0;
    int changed = 0;
    for (QString s = store.NextSentence(); !s.isEmpty(); s = store.NextSentence(), ++sentences) {
        const QString translated = dict.TranslateText(s);
        ASSERT_EQ(translated, translateRescanning(pairs, s)) << "sentence " << sentences;
        changed += translated != QLatin1Char(' ') + s;
    }
    EXPECT_GT(sentences, 4000);
    EXPECT_GT(changed, 500) << "the list should matter to the book";
}

// Lists that made one sentence take seconds and gigabytes: a replacement holding its own
// word between many delimiters, a chain of pairs that each double the text, and one long
// line. Read from the file as the reading reads them, each stays within its bound.
TEST(clsDict, HostileListsKeepASentenceWithinItsBound)
{
    TempProgramFolder folder;
    const QByteArray hello = "hello, hello. hello! hello? hello; hello: hello- hello\" hello'";
    const QByteArray selfish = "a.a,a;a:a-a!a?a'a\"a a,a.a,a;a:a-a!a?a'a\"a a a a";
    const struct
    {
        const char *name;
        QByteArray list;
        QString sentence;
        QString expected; // empty: only the bound is checked
        bool reachesTheBound;
    } cases[] = {
        // The first, third and last "a" are replaced; the second shares its blanks with
        // the first, as the rules have it, and nothing inserted is looked at again.
        { "its own word between every delimiter", "a," + selfish + "\r\n", "a a a a.",
          " " + QString::fromLatin1(selfish) + " a " + QString::fromLatin1(selfish) + " "
              + QString::fromLatin1(selfish) + ".",
          false },
        { "one long line", "hello," + hello + hello + hello + hello + " hello\r\n", "Hello, world.",
          " " + QString::fromLatin1(hello + hello + hello + hello + " hello") + ", world.", false },
        { "a chain of growing pairs", QByteArray("a,a a\r\n").repeated(40), "a b.", {}, true },
        { "empty words are not even loaded", ", , ,\r\n,. .\r\n,; ;\r\n,! !\r\n,: :\r\n",
          "Hello, world.", " Hello, world.", false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Log().LogEvent("start", true);
        folder.writeBytes("ol1dict.txt", c.list);
        clsDict dict;
        dict.LoadWords();
        const QString out = dict.TranslateText(c.sentence);
        EXPECT_LE(out.size(), clsDict::ResultLimit(c.sentence.size() + 1));
        if (!c.expected.isEmpty())
            EXPECT_EQ(out, c.expected);
        else
            EXPECT_GT(out.size(), clsDict::ResultLimit(c.sentence.size() + 1) - 3);
        // A reading of such sentences says so once, not once a sentence.
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(dict.TranslateText(c.sentence), out);
        Log().WriteActionsToLog();
        EXPECT_EQ(folder.readBytes("log.txt").count("would make a sentence longer than"),
                  c.reachesTheBound ? 1 : 0);
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
