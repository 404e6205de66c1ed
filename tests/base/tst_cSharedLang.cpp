#include "base/cSharedLang.h"

#include "OrlinVersion.h"
#include "base/CodePage.h"
#include "base/cSharedLogging.h"
#include "support/TempProgramFolder.h"
#include "ui/SymbolFonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A program folder with a Languages folder (spelled as asked) and language files
// written the way translators save them: Windows-1252 with CR LF.
class LanguageFolder
{
public:
    explicit LanguageFolder(const QString &folderName = QStringLiteral("Languages"))
    {
        QDir(program.path()).mkpath(folderName);
        languages = program.file(folderName);
        Log().LogEvent(QStringLiteral("Program startup."), true);
    }

    void write(const QString &name, const QStringList &lines) const
    {
        QFile f(QDir(languages).filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(CodePage::fromUnicode(lines.join(QStringLiteral("\r\n")) + "\r\n"));
    }

    QString read(const QString &name) const
    {
        QFile f(QDir(languages).filePath(name));
        return f.open(QIODevice::ReadOnly) ? CodePage::toUnicode(f.readAll()) : QString();
    }

    QString logText() const
    {
        Log().WriteActionsToLog();
        QFile f(program.file(QStringLiteral("log.txt")));
        return f.open(QIODevice::ReadOnly) ? CodePage::toUnicode(f.readAll()) : QString();
    }

    TempProgramFolder program;
    QString languages;
};

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

// A window built like Orlin's: controls of every kind the translator knows, plus
// texts that are data (a document, a voice list) and must never change.
struct TestWindow
{
    TestWindow()
    {
        window.setWindowTitle("Reader");
        auto *central = new QWidget;
        auto *layout = new QVBoxLayout(central);
        button = new QPushButton("Read");
        button->setToolTip("Read from cursor position");
        label = new QLabel("Voice");
        check = new QCheckBox("Remember");
        radio = new QRadioButton("Named");
        group = new QGroupBox("Options");
        line = new QLineEdit("Search");
        line->setPlaceholderText("Type a word");
        password = new QLineEdit("Search");
        password->setEchoMode(QLineEdit::Password);
        document = new QTextEdit;
        document->setPlainText("Read");
        document->setToolTip("The document");
        voices = new QComboBox;
        voices->addItems({ "Read", "Search" });
        voices->setToolTip("Select a voice");
        tree = new QTreeWidget;
        tree->setHeaderLabels({ "Original", "Replacement" });
        tabs = new QTabWidget;
        tabs->addTab(new QLabel("Search"), "Catalogue");
        for (QWidget *w : std::initializer_list<QWidget *> {
                 button, label, check, radio, group, line, password, document, voices, tree, tabs })
            layout->addWidget(w);
        window.setCentralWidget(central);
        settings = window.menuBar()->addMenu("Settings");
        languages = settings->addMenu("Languages");
        english = languages->addAction("English");
        settings->addSeparator();
        pron = settings->addAction("Pronunciations");
    }

    QStringList shown() const
    {
        return { window.windowTitle(),
                 button->text(),
                 button->toolTip(),
                 label->text(),
                 check->text(),
                 radio->text(),
                 group->title(),
                 line->text(),
                 line->placeholderText(),
                 password->text(),
                 document->toPlainText(),
                 document->toolTip(),
                 voices->itemText(0),
                 voices->toolTip(),
                 tree->headerItem()->text(0),
                 tree->headerItem()->text(1),
                 tabs->tabText(0),
                 static_cast<QLabel *>(tabs->widget(0))->text(),
                 settings->title(),
                 languages->title(),
                 english->text(),
                 pron->text(),
                 label->toolTip() };
    }

    QMainWindow window;
    QPushButton *button;
    QLabel *label;
    QCheckBox *check;
    QRadioButton *radio;
    QGroupBox *group;
    QLineEdit *line;
    QLineEdit *password;
    QTextEdit *document;
    QComboBox *voices;
    QTreeWidget *tree;
    QTabWidget *tabs;
    QMenu *settings;
    QMenu *languages;
    QAction *english;
    QAction *pron;
};

TEST(cSharedLang, SwitchingLanguagesGoesThroughEnglish)
{
    LanguageFolder folder;
    folder.write("a.txt",
                 {
                     "Deutsch",
                     "Reader||Leser",
                     "Read||Lesen",
                     "Read from cursor position||Ab Cursor lesen",
                     "Voice||Stimme",
                     "Remember||Merken",
                     "Named||Benannt",
                     "Options||Optionen",
                     "Search||Suchen",
                     "Type a word||Wort eingeben",
                     "The document||Das Dokument",
                     "Select a voice||Stimme wählen",
                     "Original||Original",
                     "Replacement||Ersatz",
                     "Catalogue||Katalog",
                     "Settings||Einstellungen",
                     "Languages||Sprachen",
                     "Pronunciations||Aussprache",
                     "English||Englisch",
                     "Deutsch||Allemand",
                     "Blank||",
                 });
    // Language B knows only some of the texts; the others must come back as English.
    folder.write("b.txt", { "Français", "Read||Lire", "Settings||Paramètres", "Voice||Voix" });
    TestWindow w;
    const QStringList english = w.shown();
    Lang().LoadAllLanguages();

    Lang().Localise(&w.window, 1);
    const QStringList germanTexts { "Leser",
                                    "Lesen",
                                    "Ab Cursor lesen",
                                    "Stimme",
                                    "Merken",
                                    "Benannt",
                                    "Optionen",
                                    "Suchen",
                                    "Wort eingeben",
                                    "Search",
                                    "Read",
                                    "Das Dokument",
                                    "Read",
                                    "Stimme wählen",
                                    "Original",
                                    "Ersatz",
                                    "Katalog",
                                    "Suchen",
                                    "Einstellungen",
                                    "Sprachen",
                                    "English",
                                    "Aussprache",
                                    "" };
    EXPECT_EQ(w.shown(), germanTexts);

    Lang().Localise(&w.window, 2);
    QStringList french = english;
    french[1] = "Lire";
    french[3] = "Voix";
    french[18] = "Paramètres";
    EXPECT_EQ(w.shown(), french);

    Lang().Localise(&w.window, 0);
    EXPECT_EQ(w.shown(), english);
    EXPECT_EQ(Lang().CurrentLanguage(), "English");
}

TEST(cSharedLang, TextsTypedByTheUserAreLeftAlone)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Deutsch", "Search||Suchen" });
    Lang().LoadAllLanguages();
    Lang().LoadLanguage(1);
    QWidget form;
    auto *typed = new QLineEdit(&form);
    typed->setText("Search");
    typed->setModified(true);
    Lang().TranslateForm(&form);
    EXPECT_EQ(typed->text(), "Search");
}

TEST(cSharedLang, SelectionListsShowEnglishThenTheTitles)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Deutsch" });
    folder.write("b.txt", { "Español" });
    QListWidget list;
    list.addItem("stale");
    Lang().FillLanguageList(&list);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text(), "English");
    EXPECT_EQ(list.item(2)->text(), "Español");

    const struct
    {
        const char *id;
        int row;
    } cases[] = {
        { "Español", 2 }, { "Deutsch", 1 }, { "Klingon", 0 }, { "deutsch", 0 }, { "", 0 }
    };
    for (const auto &c : cases) {
        list.setCurrentRow(2);
        Lang().SetListToSelected(QString::fromUtf8(c.id), &list);
        EXPECT_EQ(list.currentRow(), c.row) << c.id;
    }

    QComboBox combo;
    Lang().FillLanguageList(&combo);
    Lang().SetListToSelected("Deutsch", &combo);
    EXPECT_EQ(combo.currentIndex(), 1);
    Lang().SetListToSelected("Unknown", &combo);
    EXPECT_EQ(combo.currentIndex(), 0);
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

TEST(cSharedLang, TemplatesListEveryTextAndUpdateTemplatesAddsMissingKeys)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Deutsch", "Read||Lesen" });
    TestWindow w;
    Lang().LoadAllLanguages();
    const QString forms = folder.program.file("FormsText.txt");
    Lang().WriteStrings(&w.window, forms);
    QFile f(forms);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString written = CodePage::toUnicode(f.readAll());
    const QStringList lines = written.split("\r\n", Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("Reader||Reader"));
    EXPECT_TRUE(lines.contains("Read from cursor position||Read from cursor position"));
    EXPECT_TRUE(lines.contains("Pronunciations||Pronunciations"));
    EXPECT_TRUE(lines.contains("Replacement||Replacement"));
    // Data, language names and separators are no texts to translate.
    EXPECT_FALSE(lines.contains("English||English"));
    EXPECT_FALSE(lines.contains("-||-"));
    EXPECT_FALSE(written.contains("\n\r\n"));
    EXPECT_EQ(lines.count("Search||Search"), 2); // the line edit and the tab's label

    folder.write("Template.txt",
                 { "# Orlin", "Template", "Read||Read", "Stop||Stop", "Stop||Stop", "#Skip||Skip",
                   "no separator" });
    // A file without a final line end gets one before the new keys.
    QFile b(QDir(folder.languages).filePath("b.txt"));
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("Fran\xe7"
            "ais\r\nStop||Arr\xeat");
    b.close();
    Lang().UpdateTemplates(folder.program.path());
    EXPECT_EQ(folder.read("a.txt"), "Deutsch\r\nRead||Lesen\r\nStop||Stop\r\n");
    EXPECT_EQ(folder.read("b.txt"), QString::fromUtf8("Français\r\nStop||Arrêt\r\nRead||Read\r\n"));
    Lang().UpdateTemplates(folder.program.path());
    EXPECT_EQ(folder.read("a.txt"), "Deutsch\r\nRead||Lesen\r\nStop||Stop\r\n");
}

TEST(cSharedLang, GenerateLanguageTemplateWritesFormsTextForLoadedWindows)
{
    LanguageFolder folder;
    TestWindow w;
    Lang().GenerateLanguageTemplate();
    QFile f(folder.program.file("FormsText.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(CodePage::toUnicode(f.readAll()).contains("Pronunciations||Pronunciations\r\n"));
}

TEST(cSharedLang, FontsAreAppliedOnlyWhenInstalled)
{
    LanguageFolder folder;
    QWidget form;
    auto *symbols = new QPushButton("7", &form);
    QFont webdings = symbols->font();
    webdings.setFamily("Webdings");
    symbols->setFont(webdings);
    auto *words = new QPushButton("Quit", &form);

    Lang().FormFontName = " No Such Font Family ";
    Lang().TranslateForm(&form);
    EXPECT_TRUE(Lang().FormFontName.isEmpty());
    EXPECT_TRUE(folder.logText().contains("Cannot set font to No Such Font Family. Not present."));

    SymbolFonts::setFamiliesForTesting(QStringList { "DejaVu Sans", "Orlin Test Sans" });
    const QString family = "Orlin Test Sans";
    EXPECT_TRUE(Lang().FontIsPresent("ORLIN TEST SANS "));
    // Found once, the face is remembered.
    SymbolFonts::setFamiliesForTesting(QStringList {});
    EXPECT_TRUE(Lang().FontIsPresent(family));
    EXPECT_FALSE(Lang().FontIsPresent("DejaVu Sans"));
    SymbolFonts::setFamiliesForTesting(std::nullopt);
    Lang().FormFontName = family;
    Lang().TranslateForm(&form);
    EXPECT_EQ(words->font().family(), family);
    EXPECT_EQ(form.font().family(), family);
    EXPECT_EQ(symbols->font().family(), "Webdings");
}

} // namespace
