// Start-up and close-down as lists of steps, on a plain window and view and the fake engine:
// their order, the saved voice, the document on the command line, a failed start-up, and what
// close-down keeps even when a step fails.
#include "app/ReaderLifecycle.h"

#include "app/DocumentController.h"
#include "app/ReadingController.h"
#include "base/FileTable.h"
#include "base/InstalledFonts.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsTalker.h"
#include "support/FakeReaderWindow.h"
#include "support/FakeSpeechEngine.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"

#include <QApplication>
#include <QFileInfo>
#include <QTest>
#include <QWidget>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

struct Lifecycle
{
    Lifecycle()
        : boxes([this](const MessageBoxes::Message &m) {
            messages << m.text;
            return answers.isEmpty() ? int(MessageBoxes::Ok) : answers.takeFirst();
        })
    {
        // The window's voice list click: stores the choice and selects the voice.
        window.onVoiceChosen = [this](int index) {
            reading.SelectVoice(index, window.voices.value(index));
        };
    }

    // The log file's lines, without their number and time.
    QStringList logEvents() const
    {
        QStringList events;
        for (const QString &line : QString::fromUtf8(folder.readBytes(QStringLiteral("log.txt")))
                                       .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            events << line.mid(line.indexOf(QStringLiteral(", ")) + 2);
        return events;
    }

    TempProgramFolder folder;
    FakeSpeechEngine::Scope engines;
    QStringList messages;
    QList<int> answers;
    MessageBoxes::ScopedHandler boxes;
    FakeReaderWindow window;
    FakeDocumentView view;
    ReadingController reading { view };
    DocumentController documents { window, view };
    ReaderLifecycle lifecycle { window, reading, documents };
};

TEST(ReaderLifecycle, StartupTakesItsStepsInOrder)
{
    Lifecycle l;
    Seam::Override<InstalledFonts::FamiliesSeam> fonts(
        QStringList { QStringLiteral("DejaVu Sans") });
    ASSERT_TRUE(l.lifecycle.Startup(QString()));
    const QString exeAndVersion =
        ProgramInfo::exeName() + QLatin1Char(' ') + ProgramInfo::versionText();
    EXPECT_EQ(
        l.window.calls,
        QStringList({ "pitch list", "reload: off", "caption: " + exeAndVersion, "language menu",
                      "symbol fallbacks: webdings wingdings", "voices: English - en|German - de",
                      "voice: 0", "minimum size", "updater", "update timer: on" }))
        << "no document: the update timer waits";
    ASSERT_NE(l.reading.Talker(), nullptr);
    EXPECT_NE(l.reading.Dictionary(), nullptr);
    EXPECT_EQ(l.engines.last()->selected, 1);
    EXPECT_FALSE(MousePointer::isBusy());
    EXPECT_TRUE(l.messages.isEmpty());

    const QStringList expected {
        "Program startup.  " + exeAndVersion,
        "Checking for Webdings font",
        "Webdings font not found. Replacing with MS Sans Serif.",
        "Webdings font not found. Changing button text.",
        "Initialising Talker",
        "Initialising Speech Engine",
        "Startup Complete",
    };
    const QStringList events = l.logEvents();
    qsizetype from = 0;
    for (const QString &event : expected) {
        const qsizetype at = events.indexOf(event, from);
        EXPECT_GE(at, from) << qPrintable(event) << "\nlog:\n" << qPrintable(events.join('\n'));
        if (at >= 0)
            from = at + 1;
    }
    // The splash stays half a second from when it showed, without holding up the start-up,
    // and then goes.
    const auto splashShown = [] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->isVisible())
                return true;
        }
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splashShown(); }, 5000));
}

TEST(ReaderLifecycle, ADocumentOnTheCommandLineIsLoadedAndReadAtOnce)
{
    Lifecycle l;
    const QString path = l.folder.file(QStringLiteral("read me.txt"));
    l.folder.writeBytes(QStringLiteral("read me.txt"), "First of all. Then more.");
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    ASSERT_TRUE(l.lifecycle.Startup(quoted));
    EXPECT_EQ(l.documents.CurrentFile(), quoted);
    EXPECT_EQ(l.window.caption, QStringLiteral("Orlin - read me.txt"));
    EXPECT_FALSE(l.window.timerRunning);
    EXPECT_EQ(l.engines.last()->spoken.size(), 1);
    EXPECT_EQ(l.view.selected(), QStringLiteral("First of all."));
    EXPECT_TRUE(l.logEvents().contains(QStringLiteral("Loading ") + quoted));
    // The reading starts before the rest of the start-up: the update window waits for it.
    const QStringList events = l.logEvents();
    EXPECT_LT(events.indexOf(QStringLiteral("Reading ") + quoted),
              events.indexOf(QStringLiteral("Startup Complete")));
    EXPECT_GE(events.indexOf(QStringLiteral("Reading ") + quoted), 0);
    EXPECT_LT(l.window.calls.indexOf(QStringLiteral("minimum size")),
              l.window.calls.indexOf(QStringLiteral("updater")));

    // A command line naming nothing readable: told, and the reader still starts.
    Lifecycle missing;
    ASSERT_TRUE(missing.lifecycle.Startup(path + QStringLiteral(".gone")));
    ASSERT_EQ(missing.messages.size(), 1);
    EXPECT_TRUE(missing.messages[0].contains(QStringLiteral("The file does not exist.")));
    EXPECT_TRUE(missing.documents.CurrentFile().isEmpty());
    EXPECT_TRUE(missing.engines.last()->spoken.isEmpty());
}

// The voice by name where it is still installed (the list's order follows the locale and the
// installed voices), else by its place, never beyond the list.
TEST(ReaderLifecycle, TheSavedVoiceIsChosenAgain)
{
    using Voice = FakeSpeechEngine::Voice;
    const Voice en { QStringLiteral("English"), QStringLiteral("en") };
    const Voice de { QStringLiteral("German"), QStringLiteral("de") };
    const Voice fr { QStringLiteral("French"), QStringLiteral("fr") };
    const struct
    {
        QList<Voice> voices;
        QByteArray saved;
        int expected;
    } cases[] = {
        { { en, de }, "LASTENGINE,1\r\n", 1 },
        { { en, de }, "LASTENGINE,7\r\n", 1 },
        { { en, de }, "LASTENGINE,0\r\n", 0 },
        { { en, de }, "LASTENGINE,-3\r\n", 0 },
        { { fr, en, de }, "LASTENGINE, 2 \r\nLASTVOICE,French - fr\r\n", 0 },
        { { en, de, fr }, "LASTENGINE, 0 \r\nLASTVOICE,French - fr\r\n", 2 },
        { { en, de }, "LASTENGINE, 1 \r\nLASTVOICE,French - fr\r\n", 1 },
    };
    for (const auto &c : cases) {
        Lifecycle l;
        l.engines.configure = [&](FakeSpeechEngine &e) { e.voices = c.voices; };
        l.folder.writeBytes(QStringLiteral("Orlin.ini"), c.saved);
        ASSERT_TRUE(l.lifecycle.Startup(QString())) << c.saved.toStdString();
        EXPECT_EQ(l.window.chosenVoice, c.expected) << c.saved.toStdString();
        EXPECT_EQ(l.engines.last()->selected, c.expected + 1) << c.saved.toStdString();
        EXPECT_EQ(settingToInt(Settings().sGet(QStringLiteral("LastEngine"))), c.expected);
        EXPECT_EQ(Settings().sGet(QStringLiteral("LastVoice")).toString(),
                  l.window.voices.value(c.expected));
    }
}

TEST(ReaderLifecycle, AFailedStartupIsToldThenClosesDown)
{
    const QString site = ProgramInfo::webSite();
    const struct
    {
        const char *what;
        std::function<void(FakeSpeechEngine::Scope &)> arrange;
        QString message;
    } cases[] = {
        { "no voices",
          [](FakeSpeechEngine::Scope &s) {
              s.configure = [](FakeSpeechEngine &e) { e.voices.clear(); };
          },
          "You must install a Text To Speech engine to use this program.  Visit the Orlin page "
          "at "
              + site + " for more information." },
        { "engine missing", [](FakeSpeechEngine::Scope &s) { s.failCreation = true; },
          "One or more runtimes are not installed on your PC.  See the 'Runtimes' page at " + site
              + " for more information." },
        { "other failure",
          [](FakeSpeechEngine::Scope &s) {
              s.configure = [](FakeSpeechEngine &e) {
                  e.failOperation(QStringLiteral("CountEngines"), 75,
                                  QStringLiteral("Path/File access error"));
              };
          },
          "Error 75 - Path/File access error while If Voice1.CountEngines = 0 Then" },
    };
    for (const auto &c : cases) {
        Lifecycle l;
        c.arrange(l.engines);
        EXPECT_FALSE(l.lifecycle.Startup(QString())) << c.what;
        EXPECT_EQ(l.messages, QStringList { c.message }) << c.what;
        EXPECT_TRUE(l.lifecycle.isClosedDown()) << c.what;
        EXPECT_TRUE(l.window.closed) << c.what;
        EXPECT_EQ(l.reading.Talker(), nullptr) << c.what;
        EXPECT_FALSE(MousePointer::isBusy()) << c.what;
        EXPECT_TRUE(QFileInfo::exists(l.folder.file(QStringLiteral("Orlin.ini")))) << c.what;
        for (QWidget *top : QApplication::topLevelWidgets())
            EXPECT_FALSE(top->isVisible()) << c.what << qPrintable(top->objectName());
    }
}

TEST(ReaderLifecycle, CloseDownKeepsTheCaretAndTheSettingsOnce)
{
    Lifecycle l;
    ASSERT_TRUE(l.lifecycle.Startup(QString()));
    const QString path = l.folder.file(QStringLiteral("story.txt"));
    l.folder.writeBytes(QStringLiteral("story.txt"), "One sentence. Another sentence.");
    l.documents.LoadDocument(path);
    l.reading.Read();
    l.view.setSelStart(14);
    Settings().sSet(QStringLiteral("LangID"), QStringLiteral("English"));
    l.window.calls.clear();

    l.lifecycle.CloseDown();
    EXPECT_TRUE(l.lifecycle.isClosedDown());
    EXPECT_EQ(l.window.calls, QStringList({ "update timer: off", "closed" }));
    EXPECT_EQ(l.reading.Talker(), nullptr);
    EXPECT_EQ(l.reading.Dictionary(), nullptr);
    EXPECT_EQ(mSharedBookmarks().RetrieveBookmark(path), 14);
    EXPECT_TRUE(l.folder.readBytes(QStringLiteral("Orlin.ini")).contains("LANGID,English\r\n"));
    EXPECT_TRUE(l.messages.isEmpty());

    // Only once, whatever asks again.
    l.lifecycle.CloseDown();
    EXPECT_EQ(l.window.calls.count(QStringLiteral("closed")), 1);
}

// A full disk at close-down asks, as it always did: Retry keeps the file, Cancel gives it up,
// and neither stops the steps after it or the close.
TEST(ReaderLifecycle, CloseDownAsksWhenTheDiskIsFull)
{
    const struct
    {
        const char *what;
        const char *full; // the file whose first write meets a full disk
        int answer;
        bool settingsSaved;
    } cases[] = {
        { "settings, Retry", "Orlin.ini", MessageBoxes::Retry, true },
        { "settings, Cancel", "Orlin.ini", MessageBoxes::Cancel, false },
        { "bookmarks, Cancel", "BookMarks.ini", MessageBoxes::Cancel, true },
    };
    for (const auto &c : cases) {
        Lifecycle l;
        ASSERT_TRUE(l.lifecycle.Startup(QString())) << c.what;
        l.folder.writeBytes(QStringLiteral("doc.txt"), "A document to leave a bookmark in.");
        l.documents.LoadDocument(l.folder.file(QStringLiteral("doc.txt")));
        l.folder.writeBytes(QStringLiteral("Orlin.ini"), "OLD,1\r\n");
        Settings().sSet(QStringLiteral("New"), 2);
        bool failed = false;
        Seam::Override<FileTable::WriteFaultSeam> filling([&](const QString &path) {
            if (failed || !path.endsWith(QLatin1String(c.full)))
                return 0;
            failed = true;
            return ENOSPC;
        });
        l.answers = { c.answer };
        l.lifecycle.CloseDown();
        ASSERT_EQ(l.messages.size(), 1) << c.what;
        EXPECT_EQ(l.messages[0],
                  "You've run out of disk space on drive " + l.folder.file(c.full)
                      + ":\nPlease clear some space and then click Retry, else "
                        "click Cancel to abort.")
            << c.what;
        EXPECT_EQ(l.folder.readBytes(QStringLiteral("Orlin.ini")).contains("NEW, 2 "),
                  c.settingsSaved)
            << c.what;
        EXPECT_TRUE(l.window.closed) << c.what;
    }
}

} // namespace
