#include "base/cSharedLang.h"

#include "OrlinVersion.h"
#include "base/CodePage.h"
#include "base/cSharedLogging.h"
#include "support/LanguageFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QStringList titles()
{
    QStringList out;
    for (short i = 1; i <= Lang().LanguageCount(); ++i)
        out << Lang().LanguageTitle(i);
    return out;
}

TEST(cSharedLang, FileFormatTrimsBlanksAndTabsAndSkipsComments)
{
    LanguageFolder folder;
    folder.write("de.txt",
                 {
                     "# a comment before the title",
                     "",
                     " \t Deutsch\t ",
                     "Open||Öffnen",
                     "\t Close \t||\t  Schließen ",
                     "   # an indented comment",
                     "\t# a comment after a tab",
                     "Stop || Halt || sofort",
                     "Blank out||",
                     "no separator here",
                 });
    Lang().LoadAllLanguages();
    ASSERT_EQ(titles(), QStringList { "Deutsch" });
    Lang().LoadLanguage(1);
    EXPECT_EQ(Lang().CurrentLanguage(), "Deutsch");

    const struct
    {
        const char *english;
        const char *expected;
    } cases[] = {
        { "Open", "Öffnen" },
        { "Close", "Schließen" },
        // Only the first "||" separates.
        { "Stop", "Halt || sofort" },
        { "Blank out", "" },
        { "no separator here", "no separator here" },
        { "# an indented comment", "# an indented comment" },
        { "Deutsch", "Deutsch" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(Lang().GetTranslation(QString::fromUtf8(c.english)),
                  QString::fromUtf8(c.expected))
            << c.english;
}

TEST(cSharedLang, TitlesComeFromTheFirstLineOrTheFilesNumber)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Alpha", "Yes||Ja" });
    folder.write("b.txt", { "# only comments", "", "\t", "   # and more" });
    folder.write("c.txt", { "", "Gamma" });
    folder.write("template.txt", { "Template", "Yes||Yes" });
    folder.write("TEMPLATE.TXT", { "Template", "Yes||Yes" });
    folder.write("Template.Txt", { "Template", "Yes||Yes" });
    folder.write("notes.md", { "Not a language" });
    Lang().LoadAllLanguages();
    EXPECT_EQ(titles(), (QStringList { "Alpha", "Language 2", "Gamma" }));

    // A language made only of comments translates nothing.
    Lang().LoadLanguage(2);
    EXPECT_EQ(Lang().GetTranslation("Yes"), "Yes");
    Lang().LoadLanguage(1);
    EXPECT_EQ(Lang().GetTranslation("Yes"), "Ja");

    // Listing again rebuilds from scratch.
    QFile::remove(QDir(folder.languages).filePath("a.txt"));
    Lang().LoadAllLanguages();
    EXPECT_EQ(titles(), (QStringList { "Language 1", "Gamma" }));
    EXPECT_EQ(Lang().LanguageTitle(7), "");
}

TEST(cSharedLang, LanguagesListIsWrittenOnlyByADeveloperBuild)
{
    LanguageFolder folder;
    folder.write("z.txt", { "Zulu" });
    folder.write("a.txt", { "Bravo" });
    Lang().LoadAllLanguages();
    const bool written = QFile::exists(QDir(folder.languages).filePath("Languages.lst"));
    EXPECT_EQ(written, bool(ORLIN_DEVELOPER_BUILD));
    if (written) {
        EXPECT_EQ(folder.read("Languages.lst"), "Bravo\r\nZulu\r\n");
    }
}

TEST(cSharedLang, FolderIsFoundWhateverItsLetterCase)
{
    for (const char *spelling : { "languages", "LANGUAGES", "Languages" }) {
        LanguageFolder folder(spelling);
        folder.write("fr.txt", { "Français", "Quit||Quitter" });
        Lang().LoadAllLanguages();
        ASSERT_EQ(Lang().LanguageCount(), 1) << spelling;
        Lang().LoadLanguage(1);
        EXPECT_EQ(Lang().GetTranslation("Quit"), "Quitter") << spelling;
    }
}

TEST(cSharedLang, NoLanguagesFolderOffersEnglishOnly)
{
    TempProgramFolder program;
    QTemporaryDir empty;
    Lang().OverrideLanguagePath(empty.path());
    Lang().LoadAllLanguages();
    EXPECT_EQ(Lang().LanguageCount(), 0);
    EXPECT_EQ(Lang().GetTranslation("Quit"), "Quit");
}

TEST(cSharedLang, LookupFollowsTheSortedTable)
{
    LanguageFolder folder;
    // Written out of order: the table is sorted when loaded.
    folder.write(
        "x.txt",
        { "Test", "Mango||M", "Apple||A", "Zebra||Z", "Kiwi||K", "Cherry||C", "Banana||B" });
    Lang().LoadAllLanguages();
    Lang().LoadLanguage(1);
    const struct
    {
        const char *word;
        const char *expected;
    } cases[] = {
        { "Apple", "A" }, // the key that sorts first
        { "Zebra", "Z" }, // and last
        { "Banana", "B" },
        { "Cherry", "C" },
        { "Kiwi", "K" },
        { "Mango", "M" },
        // The ends of the table are compared without regard to case and blanks...
        { "apple", "A" },
        { "ZEBRA", "Z" },
        // ...everything between them exactly.
        { "kiwi", "kiwi" },
        { "CHERRY", "CHERRY" },
        { "Papaya", "Papaya" },
        { "", "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(Lang().GetTranslation(c.word), c.expected) << c.word;
}

TEST(cSharedLang, MessagePiecesKeepTheirSurroundingBlanks)
{
    LanguageFolder folder;
    folder.write("x.txt",
                 { "Test", "for more information.||pour en savoir plus.", "visit||visitez",
                   "aaa||first", "zzz||last" });
    Lang().LoadAllLanguages();
    Lang().LoadLanguage(1);
    EXPECT_EQ(Lang().GetTranslation(" for more information."), " pour en savoir plus.");
    EXPECT_EQ(Lang().GetTranslation("visit "), "visitez ");
    EXPECT_EQ(Lang().GetTranslation("  "), "  ");
    // At either end of the table too, where keys are compared loosely.
    EXPECT_EQ(Lang().GetTranslation("zzz "), "last ");
    EXPECT_EQ(Lang().GetTranslation(" aaa"), " first");
}

TEST(cSharedLang, LoadingTheCurrentLanguageAgainKeepsItsTable)
{
    LanguageFolder folder;
    folder.write("x.txt", { "Test", "One||Eins" });
    Lang().LoadAllLanguages();
    Lang().LoadLanguage(1);
    folder.write("x.txt", { "Test", "One||Uno" });
    Lang().LoadLanguage(1);
    EXPECT_EQ(Lang().GetTranslation("One"), "Eins");

    Lang().LoadLanguage(0);
    EXPECT_EQ(Lang().CurrentLanguage(), "English");
    EXPECT_EQ(Lang().GetTranslation("Eins"), "One");
    // English while English is current changes nothing (the table stays inverted once).
    Lang().LoadLanguage(0);
    EXPECT_EQ(Lang().GetTranslation("Eins"), "One");
}

TEST(cSharedLang, UnreadableLanguageLeavesEnglishAndIsTraced)
{
    LanguageFolder folder;
    folder.write("x.txt", { "Test", "One||Eins" });
    Lang().LoadAllLanguages();
    QFile::remove(QDir(folder.languages).filePath("x.txt"));
    Lang().LoadLanguage(1);
    EXPECT_EQ(Lang().GetTranslation("One"), "One");
    const QString log = folder.logText();
    EXPECT_TRUE(log.contains("LoadLanguage")) << log.toStdString();
    EXPECT_TRUE(log.contains("mLang")) << log.toStdString();
    EXPECT_TRUE(log.contains("(53)")) << log.toStdString();
}

TEST(cSharedLang, OverrideLanguagePathNeedsAnExistingFolder)
{
    LanguageFolder folder;
    const QString before = Lang().LanguagePath();
    Lang().OverrideLanguagePath(folder.program.file("missing"));
    EXPECT_EQ(Lang().LanguagePath(), before);
    QTemporaryDir other;
    Lang().OverrideLanguagePath(other.path() + "/");
    EXPECT_EQ(Lang().LanguagePath(), other.path());
}

} // namespace
