// The translator's window half: languages put on windows of every kind, language
// lists, fonts and the templates of windows' texts.
#include "ui/FormTranslator.h"

#include "base/InstalledFonts.h"
#include "base/Seam.h"
#include "base/cSharedLang.h"
#include "support/LanguageFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
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

TEST(FormTranslator, SwitchingLanguagesGoesThroughEnglish)
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

    FormTranslator::Localise(&w.window, 1);
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

    FormTranslator::Localise(&w.window, 2);
    QStringList french = english;
    french[1] = "Lire";
    french[3] = "Voix";
    french[18] = "Paramètres";
    EXPECT_EQ(w.shown(), french);

    FormTranslator::Localise(&w.window, 0);
    EXPECT_EQ(w.shown(), english);
    EXPECT_EQ(Lang().CurrentLanguage(), "English");
}

// A language may blank a text or give two texts one translation; neither can be undone by
// inverting its table, so every switch brings back the window's own English texts.
TEST(FormTranslator, EverySwitchRestoresTextsALanguageBlankedOrMerged)
{
    LanguageFolder folder;
    folder.write("a.txt",
                 { "Kurz", "Voice||", "Remember||Gleich", "Named||Gleich",
                   "Read from cursor position||", "Settings||" });
    folder.write("b.txt", { "Français", "Voice||Voix", "Read||Lire" });
    TestWindow w;
    const QStringList english = w.shown();
    Lang().LoadAllLanguages();

    FormTranslator::Localise(&w.window, 1);
    EXPECT_EQ(w.label->text(), "");
    EXPECT_EQ(w.button->toolTip(), "");
    EXPECT_EQ(w.settings->title(), "");
    EXPECT_EQ(w.check->text(), "Gleich");
    EXPECT_EQ(w.radio->text(), "Gleich");

    FormTranslator::Localise(&w.window, 0);
    EXPECT_EQ(w.shown(), english);

    FormTranslator::Localise(&w.window, 1);
    FormTranslator::Localise(&w.window, 2);
    QStringList french = english;
    french[1] = "Lire";
    french[3] = "Voix";
    EXPECT_EQ(w.shown(), french);

    // A text the program changed meanwhile is translated as it now stands.
    FormTranslator::Localise(&w.window, 1);
    w.check->setText("Voice");
    FormTranslator::Localise(&w.window, 0);
    EXPECT_EQ(w.check->text(), "Voice");
    EXPECT_EQ(w.label->text(), "Voice");
}

// Language files in UTF-8 can carry any script; those of earlier installations, in
// Windows-1252, load as before.
TEST(FormTranslator, LanguageFilesInUtf8AndInWindows1252BothLoad)
{
    LanguageFolder folder;
    QFile utf8(QDir(folder.languages).filePath("ru.txt"));
    ASSERT_TRUE(utf8.open(QIODevice::WriteOnly));
    utf8.write(QString::fromUtf8("Русский\r\nRead||Читать\r\nVoice||Голос\r\n").toUtf8());
    utf8.close();
    folder.write("de.txt", { "Deutsch", "Read||Lesen", QString::fromUtf8("Voice||Stimme für") });
    TestWindow w;
    Lang().LoadAllLanguages();
    const QStringList titles = Lang().LanguageTitles();
    ASSERT_TRUE(titles.contains(QString::fromUtf8("Русский")));
    ASSERT_TRUE(titles.contains("Deutsch"));

    FormTranslator::Localise(&w.window, short(titles.indexOf(QString::fromUtf8("Русский")) + 1));
    EXPECT_EQ(w.button->text(), QString::fromUtf8("Читать"));
    EXPECT_EQ(w.label->text(), QString::fromUtf8("Голос"));
    FormTranslator::Localise(&w.window, short(titles.indexOf("Deutsch") + 1));
    EXPECT_EQ(w.label->text(), QString::fromUtf8("Stimme für"));
}

// Qt's own texts (message-box buttons, file dialogs) follow the chosen language: its locale
// comes from the file's name, or else from the title in the language's own name.
TEST(FormTranslator, QtsOwnTextsFollowTheLanguage)
{
    LanguageFolder folder;
    folder.write("de.txt", { "Deutsch", "Read||Lesen" });
    folder.write("b.txt", { QString::fromUtf8("Français"), "Read||Lire" });
    folder.write("x.txt", { "Klingon", "Read||laD" });
    Lang().LoadAllLanguages();
    const QStringList titles = Lang().LanguageTitles();
    auto number = [&](const char *title) {
        return short(titles.indexOf(QString::fromUtf8(title)) + 1);
    };
    EXPECT_EQ(Lang().LanguageLocale(number("Deutsch")).language(), QLocale::German);
    EXPECT_EQ(Lang().LanguageLocale(number("Français")).language(), QLocale::French);
    EXPECT_EQ(Lang().LanguageLocale(number("Klingon")).language(), QLocale::English);
    EXPECT_EQ(Lang().LanguageLocale(0).language(), QLocale::English);

    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    TestWindow w;
    const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
    FormTranslator::Localise(&w.window, number("Deutsch"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    FormTranslator::Localise(&w.window, number("Français"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Oui");
    FormTranslator::Localise(&w.window, 0);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
}

TEST(FormTranslator, TextsTypedByTheUserAreLeftAlone)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Deutsch", "Search||Suchen" });
    Lang().LoadAllLanguages();
    Lang().LoadLanguage(1);
    QWidget form;
    auto *typed = new QLineEdit(&form);
    typed->setText("Search");
    typed->setModified(true);
    FormTranslator::TranslateForm(&form);
    EXPECT_EQ(typed->text(), "Search");
}

TEST(FormTranslator, SelectionListsShowEnglishThenTheTitles)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Deutsch" });
    folder.write("b.txt", { "Español" });
    QListWidget list;
    list.addItem("stale");
    FormTranslator::FillLanguageList(&list);
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
        FormTranslator::SetListToSelected(QString::fromUtf8(c.id), &list);
        EXPECT_EQ(list.currentRow(), c.row) << c.id;
    }

    QComboBox combo;
    FormTranslator::FillLanguageList(&combo);
    FormTranslator::SetListToSelected("Deutsch", &combo);
    EXPECT_EQ(combo.currentIndex(), 1);
    FormTranslator::SetListToSelected("Unknown", &combo);
    EXPECT_EQ(combo.currentIndex(), 0);
}

TEST(FormTranslator, TemplatesListEveryTextAndUpdateTemplatesAddsMissingKeys)
{
    LanguageFolder folder;
    folder.write("a.txt", { "Deutsch", "Read||Lesen" });
    TestWindow w;
    Lang().LoadAllLanguages();
    const QString forms = folder.program.file("FormsText.txt");
    FormTranslator::WriteStrings(&w.window, forms);
    QFile f(forms);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(f.readAll());
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

TEST(FormTranslator, GenerateLanguageTemplateWritesFormsTextForLoadedWindows)
{
    LanguageFolder folder;
    TestWindow w;
    FormTranslator::GenerateLanguageTemplate();
    QFile f(folder.program.file("FormsText.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(CodePage::toUnicode(f.readAll()).contains("Pronunciations||Pronunciations\r\n"));
}

TEST(FormTranslator, FontsAreAppliedOnlyWhenInstalled)
{
    LanguageFolder folder;
    QWidget form;
    auto *symbols = new QPushButton("7", &form);
    QFont webdings = symbols->font();
    webdings.setFamily("Webdings");
    symbols->setFont(webdings);
    auto *words = new QPushButton("Quit", &form);

    Lang().FormFontName = " No Such Font Family ";
    FormTranslator::TranslateForm(&form);
    EXPECT_TRUE(Lang().FormFontName.isEmpty());
    EXPECT_TRUE(folder.logText().contains("Cannot set font to No Such Font Family. Not present."));

    const QString family = "Orlin Test Sans";
    {
        Seam::Override<InstalledFonts::FamiliesSeam> fonts(
            QStringList { "DejaVu Sans", "Orlin Test Sans" });
        EXPECT_TRUE(Lang().FontIsPresent("ORLIN TEST SANS "));
    }
    {
        // Found once, the face is remembered.
        Seam::Override<InstalledFonts::FamiliesSeam> none(QStringList {});
        EXPECT_TRUE(Lang().FontIsPresent(family));
        EXPECT_FALSE(Lang().FontIsPresent("DejaVu Sans"));
    }
    Lang().FormFontName = family;
    FormTranslator::TranslateForm(&form);
    EXPECT_EQ(words->font().family(), family);
    EXPECT_EQ(form.font().family(), family);
    EXPECT_EQ(symbols->font().family(), "Webdings");
}

} // namespace
