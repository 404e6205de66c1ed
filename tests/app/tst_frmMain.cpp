// The main window's start-up, layout and close-down, on the fake engine.
#include "base/InstalledFonts.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "documents/mSharedBookmarks.h"
#include "support/MainWindowHarness.h"
#include "ui/RichTextBox.h"
#include "ui/ShortcutKeys.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Pretends a set of fonts is installed for one test.
class FontsInstalled
{
public:
    explicit FontsInstalled(QStringList families)
        : m_fonts(std::move(families))
    {
    }

private:
    Seam::Override<InstalledFonts::FamiliesSeam> m_fonts;
};

QRect pixels(int left, int top, int width, int height)
{
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                 qRound(height / 15.0));
}

} // namespace

TEST(frmMain, StartupBuildsTheDesignedControlBar)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    frmMain &w = *h.window;

    // Each tooltip ends with the button's keyboard shortcut.
    struct Expected
    {
        const char *name;
        const char *tooltip;
        QRect geometry;
    };
    const Expected controls[] = {
        { "cmdGUT", "Project Gutenberg Downloads (Ctrl+L)", pixels(90, 225, 465, 465) },
        { "cmbEngine", "Select a voice", pixels(720, 225, 3210, 315) },
        { "cmdFontBigger", "Make the font bigger (Ctrl++)", pixels(4605, 240, 435, 375) },
        { "cmdFontSmaller", "Make the font smaller (Ctrl+-)", pixels(4605, 660, 435, 375) },
        { "cmdAbout", "About (F1)", pixels(5175, 225, 735, 795) },
        { "cmdLoad", "Load a file (Ctrl+O)", pixels(6030, 225, 780, 795) },
        { "cmdReload", "Reload current file (F5)", pixels(6930, 225, 780, 795) },
        { "cmdQuit", "Quit (Ctrl+Q)", pixels(7875, 225, 795, 795) },
        { "cmdSlower", "Speak Slower (Ctrl+Down)", pixels(720, 630, 435, 375) },
        { "cmdPause", "Pause (F7)", pixels(1260, 630, 495, 375) },
        { "cmdStopReading", "Stop Speaking (Esc)", pixels(1845, 630, 540, 375) },
        { "cmdSpeakToWav", "Read to WAV file (Ctrl+Shift+S)", pixels(2430, 630, 390, 375) },
        { "cmdRead", "Read from cursor position (F6)", pixels(2880, 630, 435, 375) },
        { "cmdFaster", "Speak Faster (Ctrl+Up)", pixels(3375, 630, 525, 375) },
    };
    for (const Expected &c : controls) {
        auto *shown =
            control<QFrame>(w, "Frame1")->findChild<QWidget *>(QString::fromLatin1(c.name));
        ASSERT_NE(shown, nullptr) << c.name;
        EXPECT_EQ(shown->toolTip(), QString::fromLatin1(c.tooltip)) << c.name;
        EXPECT_EQ(shown->geometry(), c.geometry) << c.name;
    }
    EXPECT_EQ(control<QFrame>(w, "Frame1")->size(), pixels(0, 0, 8790, 1155).size());

    ASSERT_EQ(control<QComboBox>(w, "cmbPitch")->count(), 21);
    EXPECT_EQ(control<QComboBox>(w, "cmbPitch")->itemText(0), QStringLiteral("-10"));
    EXPECT_EQ(control<QComboBox>(w, "cmbPitch")->itemText(20), QStringLiteral("10"));
    EXPECT_EQ(control<QComboBox>(w, "cmbPitch")->currentText(), QStringLiteral("0"));
    EXPECT_FALSE(control<QPushButton>(w, "cmdReload")->isEnabled());
    EXPECT_EQ(control<QComboBox>(w, "cmbEngine")->count(), 2);
    EXPECT_EQ(control<QComboBox>(w, "cmbEngine")->itemText(0), QStringLiteral("English - en"));
    EXPECT_EQ(w.windowTitle(),
              ProgramInfo::exeName() + QLatin1Char(' ') + ProgramInfo::versionText());

    // No document named: the update timer waits its thirty seconds, once.
    EXPECT_TRUE(control<QTimer>(w, "Timer3")->isActive());
    EXPECT_TRUE(control<QTimer>(w, "Timer3")->isSingleShot());
    EXPECT_EQ(control<QTimer>(w, "Timer3")->interval(), 30000);

    const QList<QAction *> menu = control<QMenu>(w, "mnuSettings")->actions();
    ASSERT_EQ(menu.size(), 4);
    EXPECT_EQ(menu[0]->menu(), control<QMenu>(w, "mnuLang"));
    EXPECT_EQ(menu[1], control<QAction>(w, "mnuPron"));
    EXPECT_EQ(menu[2], control<QAction>(w, "mnuMarkWord"));
    EXPECT_TRUE(menu[2]->isCheckable() && menu[2]->isChecked()) << "the word mark is on";
    EXPECT_EQ(menu[3], control<QAction>(w, "mnuCheckForUpdate"));
    ASSERT_FALSE(languageItems(w).isEmpty());
    EXPECT_EQ(languageItems(w)[0]->text(), QStringLiteral("English"));
    EXPECT_TRUE(languageItems(w)[0]->isChecked());

    // The splash goes once it has been up half a second, without holding up the start-up.
    const auto othersShown = [&w] {
        QStringList shown;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top != &w)
                shown << top->objectName();
        }
        return shown;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return othersShown().isEmpty(); }, 5000))
        << othersShown().join(' ').toStdString();
}

TEST(frmMain, SymbolFontCheckDecidesCaptionsAndIcons)
{
    {
        MainWindowHarness h;
        FontsInstalled fonts({ QStringLiteral("DejaVu Sans") });
        QDir(h.folder.path()).mkpath(QStringLiteral("Languages"));
        h.folder.writeBytes(QStringLiteral("Languages/de.txt"),
                            "Deutsch\r\nRead||Lesen\r\nFaster||Schneller\r\n");
        ASSERT_TRUE(h.start());
        frmMain &w = *h.window;
        // The desktop's media pictures, the word for assistive technology, the tooltip.
        const std::tuple<const char *, const char *, const char *> buttons[] = {
            { "cmdFaster", "Faster", "Speak Faster" },
            { "cmdSlower", "Slower", "Speak Slower" },
            { "cmdPause", "Pause", "Pause" },
            { "cmdRead", "Read", "Read from cursor position" },
            { "cmdStopReading", "Stop", "Stop Speaking" },
        };
        for (const auto &[name, word, tip] : buttons) {
            const QPushButton *button = control<QPushButton>(w, name);
            EXPECT_TRUE(button->text().isEmpty()) << name;
            EXPECT_FALSE(button->icon().isNull()) << name;
            EXPECT_EQ(button->accessibleName(), QString::fromLatin1(word)) << name;
            EXPECT_EQ(ShortcutKeys::plainToolTip(button), QString::fromLatin1(tip)) << name;
        }
        // In another language the words follow it.
        w.mnuLanguage_Click(1);
        EXPECT_EQ(control<QPushButton>(w, "cmdRead")->accessibleName(), "Lesen");
        EXPECT_EQ(control<QPushButton>(w, "cmdFaster")->accessibleName(), "Schneller");
        w.mnuLanguage_Click(0);
        EXPECT_EQ(control<QPushButton>(w, "cmdRead")->accessibleName(), "Read");
        EXPECT_FALSE(control<QPushButton>(w, "cmdSpeakToWav")->icon().isNull());
        EXPECT_FALSE(control<QPushButton>(w, "cmdLoad")->icon().isNull());
        EXPECT_FALSE(control<QPushButton>(w, "cmdReload")->icon().isNull());
        EXPECT_EQ(ShortcutKeys::plainToolTip(control<QPushButton>(w, "cmdLoad")),
                  QStringLiteral("Load a file"));
        // The buttons that never used the symbol font keep theirs.
        EXPECT_EQ(control<QPushButton>(w, "cmdQuit")->font().family(), QStringLiteral("Arial"));
    }
    {
        MainWindowHarness h;
        FontsInstalled fonts({ QStringLiteral("webdings"), QStringLiteral("Wingdings") });
        ASSERT_TRUE(h.start());
        frmMain &w = *h.window;
        EXPECT_EQ(control<QPushButton>(w, "cmdRead")->text(), QStringLiteral(")"));
        EXPECT_EQ(control<QPushButton>(w, "cmdRead")->font().family(), QStringLiteral("Webdings"));
        EXPECT_TRUE(control<QPushButton>(w, "cmdRead")->font().bold());
        EXPECT_EQ(control<QPushButton>(w, "cmdSpeakToWav")->text(), QStringLiteral("X"));
        EXPECT_TRUE(control<QPushButton>(w, "cmdSpeakToWav")->icon().isNull());
        EXPECT_EQ(control<QPushButton>(w, "cmdLoad")->text(), QStringLiteral("1"));
        EXPECT_EQ(control<QPushButton>(w, "cmdReload")->text(), QString(QChar(198)));
        EXPECT_TRUE(control<QPushButton>(w, "cmdLoad")->icon().isNull());
    }
}

// The messages of each failure are the lifecycle's own tests; here the window as a whole
// closes down after one.
TEST(frmMain, StartupFailureShowsItsMessageThenClosesDown)
{
    MainWindowHarness h;
    h.engines.failCreation = true;
    EXPECT_FALSE(h.start());
    ASSERT_EQ(h.messages.size(), 1);
    EXPECT_TRUE(h.messages[0].text.startsWith("One or more runtimes are not installed"));
    EXPECT_TRUE(h.window->isClosedDown());
    EXPECT_EQ(h.window->reading().Talker(), nullptr);
    EXPECT_TRUE(QFileInfo::exists(h.folder.file(QStringLiteral("Orlin.ini"))));
    for (QWidget *top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
}

TEST(frmMain, ChoosingAVoiceStoresItsIndexAndSelectsIt)
{
    MainWindowHarness h;
    h.engines.configure = [](FakeSpeechEngine &e) {
        e.voices.append({ QStringLiteral("French"), QStringLiteral("fr") });
    };
    ASSERT_TRUE(h.start());
    control<QComboBox>(*h.window, "cmbEngine")->setCurrentIndex(2);
    emit control<QComboBox>(*h.window, "cmbEngine")->activated(2);
    EXPECT_EQ(settingToInt(Settings().sGet(QStringLiteral("LASTENGINE"))), 2);
    EXPECT_EQ(Settings().sGet(QStringLiteral("LASTVOICE")).toString(), "French - fr");
    EXPECT_EQ(h.engine()->selected, 3);

    // A voice the engine refuses keeps the one before, but the choice is still stored.
    h.engine()->voices[0].selectable = false;
    control<QComboBox>(*h.window, "cmbEngine")->setCurrentIndex(0);
    emit control<QComboBox>(*h.window, "cmbEngine")->activated(0);
    EXPECT_EQ(settingToInt(Settings().sGet(QStringLiteral("LASTENGINE"))), 0);
    EXPECT_EQ(h.engine()->selected, 3);
}

TEST(frmMain, LayoutFollowsTheWindowAndSnapsBackToTheStartupSize)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    frmMain &w = *h.window;
    const QSize startSize = w.size();
    EXPECT_DOUBLE_EQ(w.MinWidth(), w.windowWidthTwips());
    EXPECT_DOUBLE_EQ(w.MinHeight(), w.windowHeightTwips());

    w.resize(startSize + QSize(210, 120));
    QCoreApplication::processEvents();
    const double width = w.windowWidthTwips();
    const double height = w.windowHeightTwips();
    EXPECT_EQ(h.view()->geometry(),
              QRect(qRound(500 / 15.0), qRound(200 / 15.0), qRound((width - 1000) / 15),
                    qRound((height - 2300) / 15)));
    EXPECT_EQ(control<QFrame>(w, "Frame1")->pos(),
              QPoint(qRound((width - 8790) / 30), qRound((200 + height - 2300 + 100) / 15)));
    // The control bar lies inside the window, under the view.
    EXPECT_LE(control<QFrame>(w, "Frame1")->geometry().bottom(), w.centralWidget()->height());
    EXPECT_GT(control<QFrame>(w, "Frame1")->y(), h.view()->geometry().bottom());

    // Smaller than at start-up: back to the start-up size, even where the window
    // system ignores the minimum size.
    w.setMinimumSize(0, 0);
    w.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), startSize);
    w.resize(startSize.width() + 50, startSize.height() - 10);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), startSize);
}

TEST(frmMain, ClosingFromTheTitleBarClosesDownAndKeepsTheBookmark)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    frmMain &w = *h.window;
    const QString path = h.writeDocument(QStringLiteral("story.txt"),
                                         QStringLiteral("One sentence. Another sentence."));
    w.LoadDocument(path);
    h.view()->setSelStart(14);

    QWidget other;
    other.show();
    QSignalSpy closed(&w, &frmMain::closedDown);
    w.close();

    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(w.isClosedDown());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(w.reading().Talker(), nullptr);
    EXPECT_EQ(w.reading().Dictionary(), nullptr);
    // Saved: a later run reads it back.
    EXPECT_EQ(mSharedBookmarks().RetrieveBookmark(path), 14);
    EXPECT_TRUE(QFileInfo::exists(h.folder.file(QStringLiteral("Orlin.ini"))));
    EXPECT_TRUE(QFileInfo::exists(h.folder.file(QStringLiteral("BookMarks.ini"))));

    // Only once, whatever asks again.
    w.cmdQuit_Click();
    EXPECT_EQ(closed.count(), 1);
}

TEST(frmMain, QuitClosesDown)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    QSignalSpy closed(h.window.get(), &frmMain::closedDown);
    control<QPushButton>(*h.window, "cmdQuit")->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(QFileInfo::exists(h.folder.file(QStringLiteral("Orlin.ini"))));
}

TEST(frmMain, FontButtonsResizeTheWholeTextAndKeepThePlace)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    frmMain &w = *h.window;
    const QString text = QStringLiteral("Some text to grow. And more of it. The end.");
    const QString path = h.writeDocument(QStringLiteral("grow.txt"), text);
    w.LoadDocument(path);
    h.view()->setSelStart(5);
    const double start = h.view()->TextFontSize().value();

    control<QPushButton>(w, "cmdFontBigger")->click();
    EXPECT_EQ(h.view()->SelStart(), 5);
    EXPECT_EQ(h.view()->SelLength(), 0);
    EXPECT_EQ(h.view()->TextFontSize(), start + 1);
    control<QPushButton>(w, "cmdFontSmaller")->click();
    control<QPushButton>(w, "cmdFontSmaller")->click();
    EXPECT_EQ(h.view()->TextFontSize(), start - 1);

    // A running highlight stays, and the reading goes on from it.
    h.view()->setSelStart(0);
    w.cmdRead_Click();
    control<QPushButton>(w, "cmdFontBigger")->click();
    EXPECT_EQ(h.selectedText(), QStringLiteral("Some text to grow."));
    h.engine()->emitDone();
    EXPECT_EQ(h.selectedText(), QStringLiteral("And more of it."));
    w.cmdStopReading_Click();
    w.cmdQuit_Click();
    EXPECT_EQ(w.documents().bookmarks().RetrieveBookmark(path), int(text.indexOf("And")));

    // Sizes stay readable; mixed sizes become 18 points.
    for (int i = 0; i < 120; ++i)
        w.cmdFontBigger_Click();
    EXPECT_EQ(h.view()->TextFontSize(), 96.0);
    for (int i = 0; i < 120; ++i)
        w.cmdFontSmaller_Click();
    EXPECT_EQ(h.view()->TextFontSize(), 6.0);
    h.view()->setSelStart(0);
    h.view()->setSelLength(4);
    h.view()->setSelFontSize(30);
    w.cmdFontBigger_Click();
    EXPECT_EQ(h.view()->TextFontSize(), 18.0);
    EXPECT_EQ(h.view()->SelLength(), 4);
}

TEST(frmMain, DocumentOnTheCommandLineIsLoadedAndReadAtOnce)
{
    MainWindowHarness h;
    const QString path =
        h.writeDocument(QStringLiteral("read me.txt"), QStringLiteral("First of all. Then more."));
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    ASSERT_TRUE(h.start(quoted));
    frmMain &w = *h.window;
    EXPECT_EQ(w.documents().CurrentFile(), quoted);
    EXPECT_EQ(h.view()->Text(), QStringLiteral("First of all. Then more."));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orlin - read me.txt"));
    EXPECT_FALSE(control<QTimer>(w, "Timer3")->isActive());
    ASSERT_EQ(h.engine()->spoken.size(), 1);
    EXPECT_EQ(h.selectedText(), QStringLiteral("First of all."));
    EXPECT_TRUE(h.logEvents().contains(QStringLiteral("Reading ") + quoted));
}

TEST(frmMain, LanguageMenuChecksTheChosenItemAndStoresIt)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    frmMain &w = *h.window;
    languageItems(w)[0]->setChecked(false);
    languageItems(w)[0]->trigger();
    EXPECT_TRUE(languageItems(w)[0]->isChecked());
    EXPECT_EQ(Settings().sGet(QStringLiteral("LangID")).toString(), QStringLiteral("English"));
}

TEST(frmMain, AboutBoxShowsNameAndVersion)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.start());
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        for (auto *label : box->findChildren<QLabel *>())
            shown += label->text() + QLatin1Char('\n');
        box->close();
    });
    control<QPushButton>(*h.window, "cmdAbout")->click();
    EXPECT_TRUE(shown.contains(ProgramInfo::versionText())) << shown.toStdString();
    EXPECT_TRUE(shown.contains(ProgramInfo::exeName())) << shown.toStdString();
}
