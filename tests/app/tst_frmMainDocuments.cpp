// Opening documents in the main window: the caret kept per document, the Load dialog,
// what each kind of file shows, and the pronunciation editor on the reading road.
#include "app/ReaderProgram.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsTalker.h"
#include "support/MainWindowHarness.h"
#include "ui/RichTextBox.h"
#include "ui/frmFileSelect.h"
#include "ui/frmLex.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kLong =
    QStringLiteral("The first document has a few sentences. It is long enough. For a caret.");

struct Documents : MainWindowHarness
{
    Documents() { EXPECT_TRUE(start()); }
    // The Load dialog's answers, one hook at a time.
    void answerWith(frmFileSelect::Answer hook)
    {
        answers.reset();
        answers.emplace(std::move(hook));
    }
    std::optional<Seam::Override<frmFileSelect::AnswerSeam>> answers;
    int caret() const { return view()->SelStart(); }
    void moveCaret(int position) { view()->setSelStart(position); }
    QString shown() const { return view()->Text(); }
};

} // namespace

TEST(frmMainDocuments, EachDocumentKeepsItsCaretAcrossSwitchesAndReload)
{
    Documents d;
    const QString a = d.writeDocument(QStringLiteral("a.txt"), kLong);
    const QString b = d.writeDocument(QStringLiteral("b.txt"), kLong + kLong);
    d.window->LoadDocument(a);
    EXPECT_EQ(d.caret(), 0) << "never opened before";
    d.moveCaret(40);
    d.window->LoadDocument(b);
    EXPECT_EQ(d.caret(), 0);
    d.moveCaret(100);
    d.window->cmdReload_Click();
    EXPECT_EQ(d.caret(), 100);
    d.window->LoadDocument(a);
    EXPECT_EQ(d.caret(), 40);
    d.window->LoadDocument(b);
    EXPECT_EQ(d.caret(), 100);

    // a.txt shrinks below its bookmark while b.txt is open: it opens at the top.
    d.writeDocument(QStringLiteral("a.txt"), QStringLiteral("Short now."));
    d.window->LoadDocument(a);
    EXPECT_EQ(d.shown(), QStringLiteral("Short now."));
    EXPECT_EQ(d.caret(), 0);
    EXPECT_EQ(d.window->windowTitle(), QStringLiteral("Orlin - a.txt"));
}

TEST(frmMainDocuments, QuotedCommandLinePathOpensAndIsKeptQuoted)
{
    MainWindowHarness h;
    QDir(h.folder.file(QString())).mkpath(QStringLiteral("my books"));
    const QString path = h.writeDocument(QStringLiteral("my books/story one.txt"), kLong);
    {
        // Left there by an earlier run.
        mSharedBookmarks earlier;
        earlier.StoreBookmark(path, 7);
        earlier.SaveBookmarks();
    }
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    ASSERT_TRUE(h.start(quoted));
    EXPECT_EQ(h.window->documents().CurrentFile(), quoted);
    EXPECT_EQ(h.view()->Text(), kLong);
    EXPECT_EQ(h.window->windowTitle(), QStringLiteral("Orlin - story one.txt"));
    // The command line reads at once, from the bookmark.
    ASSERT_FALSE(h.engine()->spoken.isEmpty());
    EXPECT_TRUE(h.engine()->spoken.constFirst().contains(QStringLiteral("document has")));
}

// The quotes belong to the command line, not to the file: the caret left in a document
// opened with quotes is found again under the plain name, in this run and the next.
TEST(frmMainDocuments, QuotedDocumentKeepsItsBookmarkUnderThePlainName)
{
    for (const bool leaveByQuit : { false, true }) {
        MainWindowHarness h;
        const QString path = h.writeDocument(QStringLiteral("story.txt"), kLong);
        const QString other = h.writeDocument(QStringLiteral("other.txt"), kLong);
        ASSERT_TRUE(h.start(QLatin1Char('"') + path + QLatin1Char('"')));
        h.window->cmdStopReading_Click();
        h.view()->setSelStart(33);
        if (leaveByQuit) {
            h.window->cmdQuit_Click();
        } else {
            h.window->LoadDocument(other);
            h.window->LoadDocument(path);
            EXPECT_EQ(h.view()->SelStart(), 33);
        }
        h.window->documents().SaveBookmarks();
        mSharedBookmarks next;
        EXPECT_EQ(next.RetrieveBookmark(path), 33) << "quit: " << leaveByQuit;
    }
}

// A missing file, or a folder, named on the command line, in the Load dialog or gone
// before Reload: the user is told which file and why, and the document open before stays
// as it was, caret, title and all.
TEST(frmMainDocuments, ADocumentThatCannotBeOpenedIsReportedAndChangesNothing)
{
    enum Route { CommandLine, LoadDialog, Reload };
    struct Bad
    {
        bool folder;
        QString reason;
    };
    const Bad bads[] = { { false, QStringLiteral("The file does not exist.") },
                         { true, QStringLiteral("It is a folder, not a document.") } };
    QString startTitle;
    {
        MainWindowHarness plain;
        ASSERT_TRUE(plain.start());
        startTitle = plain.window->windowTitle();
    }
    for (const Bad &bad : bads) {
        for (const Route route : { CommandLine, LoadDialog, Reload }) {
            Documents d;
            const std::string what = bad.reason.toStdString() + " route " + std::to_string(route);
            const QString badPath = d.folder.file(QStringLiteral("bad.txt"));
            auto spoil = [&] {
                QFile::remove(badPath);
                if (bad.folder)
                    QDir().mkpath(badPath);
            };
            if (route == CommandLine) {
                spoil();
                MainWindowHarness h;
                ASSERT_TRUE(h.start(badPath)) << what;
                EXPECT_EQ(h.window->windowTitle(), startTitle) << what;
                EXPECT_TRUE(h.view()->Text().isEmpty()) << what;
                EXPECT_TRUE(h.window->documents().CurrentFile().isEmpty()) << what;
                ASSERT_EQ(h.messages.size(), 1) << what;
                EXPECT_TRUE(h.messages[0].text.contains(badPath)) << what;
                EXPECT_TRUE(h.messages[0].text.contains(bad.reason)) << what;
                continue;
            }
            const QString open = route == Reload
                ? d.writeDocument(QStringLiteral("bad.txt"), kLong)
                : d.writeDocument(QStringLiteral("good.txt"), kLong);
            d.window->LoadDocument(open);
            d.moveCaret(20);
            const QString title = d.window->windowTitle();
            spoil();
            if (route == LoadDialog) {
                d.answerWith([&](const frmFileSelect &) { return badPath; });
                d.window->cmdLoad_Click();
            } else {
                d.window->cmdReload_Click();
            }
            EXPECT_EQ(d.shown(), kLong) << what;
            EXPECT_EQ(d.caret(), 20) << what;
            EXPECT_EQ(d.window->windowTitle(), title) << what;
            EXPECT_EQ(d.window->documents().CurrentFile(), open) << what;
            ASSERT_EQ(d.messages.size(), 1) << what;
            EXPECT_TRUE(d.messages[0].text.contains(badPath)) << what;
            EXPECT_TRUE(d.messages[0].text.contains(bad.reason)) << what;
        }
    }
}

// The sample is shown at the very first start only, and is no document of the user's: it
// leaves no bookmark behind, whatever the caret did.
TEST(frmMainDocuments, SampleShowsAtTheFirstStartOnlyAndKeepsNoBookmark)
{
    struct Case
    {
        bool firstStart;
        const char *commandLine;
        bool shown;
    };
    const Case cases[] = { { true, "", true }, { false, "", false }, { true, "other.txt", false } };
    for (const Case &c : cases) {
        Documents d;
        const QString sample = d.writeDocument(QStringLiteral("sample.txt"), kLong);
        ReaderProgram::ShowSampleOnFirstStart(*d.window, QString::fromLatin1(c.commandLine),
                                              c.firstStart, sample);
        EXPECT_EQ(d.shown(), c.shown ? kLong : QString()) << c.firstStart << c.commandLine;
        if (!c.shown)
            continue;
        d.moveCaret(30);
        d.window->cmdReload_Click();
        EXPECT_EQ(d.caret(), 0);
        d.moveCaret(30);
        d.window->cmdQuit_Click();
        QFile bookmarks(d.folder.file(QStringLiteral("BookMarks.ini")));
        EXPECT_FALSE(bookmarks.open(QIODevice::ReadOnly) && bookmarks.readAll().contains("SAMPLE"));
    }
}

// Names in any script keep their own bookmarks across a restart (through a Windows-1252
// file every Cyrillic name of one length was the same row of "?"), and a bookmark file of
// an earlier installation, in Windows-1252, still loads.
TEST(frmMainDocuments, BookmarksOfNamesInEveryScriptSurviveARestart)
{
    MainWindowHarness first;
    const QString war = first.writeDocument(QString::fromUtf8("Война.txt"), kLong);
    const QString lie = first.writeDocument(QString::fromUtf8("Ложна.txt"), kLong);
    const QString polish = first.writeDocument(QString::fromUtf8("Łódź.txt"), kLong);
    const QString old = first.writeDocument(QString::fromUtf8("Café.txt"), kLong);
    first.folder.writeBytes(QStringLiteral("BookMarks.ini"), "CAF\xC9.TXT, 17 \r\n");
    ASSERT_TRUE(first.start());
    const std::pair<QString, int> places[] = { { war, 30 }, { lie, 0 }, { polish, 12 } };
    for (const auto &[path, caret] : places) {
        first.window->LoadDocument(path);
        first.view()->setSelStart(caret);
    }
    first.window->LoadDocument(old);
    EXPECT_EQ(first.view()->SelStart(), 17) << "the old file's bookmark";
    first.window->cmdQuit_Click();
    EXPECT_TRUE(first.folder.readBytes(QStringLiteral("BookMarks.ini"))
                    .contains(QString::fromUtf8("ВОЙНА.TXT, 30 \r\n").toUtf8()));

    // The next run reads the file the first one wrote.
    mSharedBookmarks next;
    EXPECT_EQ(next.RetrieveBookmark(war), 30);
    EXPECT_EQ(next.RetrieveBookmark(lie), 0);
    EXPECT_EQ(next.RetrieveBookmark(polish), 12);
    EXPECT_EQ(next.RetrieveBookmark(old), 17);
}

// Reload is there whenever a document is open, however it came; not before, and not after
// a document that could not be opened.
TEST(frmMainDocuments, ReloadIsEnabledWhenAnyDocumentIsOpen)
{
    enum Route { CommandLine, MissingOnCommandLine, Catalogue, Sample, Dialog };
    for (const Route route : { CommandLine, MissingOnCommandLine, Catalogue, Sample, Dialog }) {
        MainWindowHarness h;
        const QString path = h.writeDocument(QStringLiteral("doc.txt"), kLong);
        if (route == CommandLine || route == MissingOnCommandLine) {
            ASSERT_TRUE(h.start(route == CommandLine ? path : path + QStringLiteral(".gone")));
        } else {
            ASSERT_TRUE(h.start());
            EXPECT_FALSE(control<QPushButton>(*h.window, "cmdReload")->isEnabled());
            if (route == Catalogue)
                h.window->LoadDocument(path);
            else if (route == Sample)
                ReaderProgram::ShowSampleOnFirstStart(*h.window, QString(), true, path);
            else {
                Seam::Override<frmFileSelect::AnswerSeam> answer(
                    [&](const frmFileSelect &) { return path; });
                h.window->cmdLoad_Click();
            }
        }
        EXPECT_EQ(control<QPushButton>(*h.window, "cmdReload")->isEnabled(),
                  route != MissingOnCommandLine)
            << route;
    }
}

TEST(frmMainDocuments, LoadDialogOpensTheChosenFileAndRemembersItsFolder)
{
    Documents d;
    const QString path = d.writeDocument(QStringLiteral("chosen.txt"), kLong);
    // A saved folder that has gone opens the dialog in the current folder.
    Settings().sSet(QStringLiteral("Path"), d.folder.file(QStringLiteral("gone/")));
    QString title, pattern, startFolder;
    d.answerWith([&](const frmFileSelect &dialog) {
        title = dialog.WindowTitle();
        pattern = dialog.Filepattern();
        startFolder = dialog.DefaultPath();
        return path;
    });
    EXPECT_FALSE(control<QPushButton>(*d.window, "cmdReload")->isEnabled());
    d.window->cmdLoad_Click();
    EXPECT_EQ(title, QStringLiteral("Please select a file to open."));
    EXPECT_EQ(pattern, QStringLiteral("*.txt;*.text;*.html;*.htm;*.rtf"));
    EXPECT_EQ(startFolder, QDir::currentPath());
    EXPECT_EQ(d.shown(), kLong);
    EXPECT_EQ(QDir::cleanPath(d.window->documents().CurrentFile()), QDir::cleanPath(path));
    EXPECT_TRUE(control<QPushButton>(*d.window, "cmdReload")->isEnabled());
    const QString saved = Settings().sGet(QStringLiteral("Path")).toString();
    EXPECT_TRUE(saved.endsWith(QLatin1Char('/')));
    EXPECT_EQ(QDir(saved).canonicalPath(), QDir(d.folder.file(QString())).canonicalPath());

    // The next time the dialog starts in that folder.
    d.answerWith([&](const frmFileSelect &dialog) {
        startFolder = dialog.DefaultPath();
        return QString();
    });
    d.window->cmdLoad_Click();
    EXPECT_EQ(QDir(startFolder).canonicalPath(), QDir(saved).canonicalPath());
}

TEST(frmMainDocuments, CancellingTheDialogChangesNothing)
{
    for (const bool reloadBefore : { false, true }) {
        Documents d;
        const QString path = d.writeDocument(QStringLiteral("open.txt"), kLong);
        d.window->LoadDocument(path);
        d.moveCaret(12);
        control<QPushButton>(*d.window, "cmdReload")->setEnabled(reloadBefore);
        const QString title = d.window->windowTitle();
        d.answerWith([](const frmFileSelect &) { return QString(); });
        d.window->cmdLoad_Click();
        EXPECT_EQ(control<QPushButton>(*d.window, "cmdReload")->isEnabled(), reloadBefore);
        EXPECT_EQ(d.window->documents().CurrentFile(), path);
        EXPECT_EQ(d.shown(), kLong);
        EXPECT_EQ(d.caret(), 12);
        EXPECT_EQ(d.window->windowTitle(), title);
        EXPECT_FALSE(Settings().IsSettingPresent(QStringLiteral("Path")));
    }
}

TEST(frmMainDocuments, EachKindOfFileShowsItsText)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        QString shown;
    };
    const Case cases[] = {
        { "emph.txt", "A <b>word</b> here.", QStringLiteral("A <emph>word</emph> here.") },
        { "upper.txt", "A <B>word</B> here.", QStringLiteral("A word here.") },
        { "utf8.txt", "Caf\xc3\xa9 \xe2\x80\x94 \xd0\x94\xd0\xb0.", QStringLiteral(u"Café — Да.") },
        { "cp1252.txt",
          "Caf\xe9 \x97 \x80"
          "5.",
          QStringLiteral(u"Café — €5.") },
        { "page.html", "<html><head><title>T</title></head><body><p>One &amp; two</p></body>",
          QStringLiteral("One & two") },
    };
    Documents d;
    for (const Case &c : cases) {
        d.folder.writeBytes(QString::fromLatin1(c.name), c.bytes);
        d.window->LoadDocument(d.folder.file(QString::fromLatin1(c.name)));
        EXPECT_EQ(d.shown().trimmed(), c.shown) << c.name;
    }
}

TEST(frmMainDocuments, RtfShowsItsFormatting)
{
    Documents d;
    d.folder.writeBytes(QStringLiteral("doc.RTF"),
                        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red200\\green0\\blue0;}"
                        "\\f0\\fs24 Plain {\\b bold} {\\i slanted} {\\cf1 red}.\\par"
                        "{\\fs48 Big}\\par}");
    d.window->LoadDocument(d.folder.file(QStringLiteral("doc.RTF")));
    EXPECT_EQ(d.shown(), QStringLiteral("Plain bold slanted red.\nBig"));
    const auto formatAt = [&](const QString &word) {
        QTextCursor cursor(d.view()->document());
        cursor.setPosition(int(d.shown().indexOf(word)) + 1);
        return cursor.charFormat();
    };
    EXPECT_EQ(formatAt(QStringLiteral("bold")).fontWeight(), QFont::Bold);
    EXPECT_NE(formatAt(QStringLiteral("Plain")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatAt(QStringLiteral("slanted")).fontItalic());
    EXPECT_EQ(formatAt(QStringLiteral("red")).foreground().color(), QColor(200, 0, 0));
    EXPECT_GT(formatAt(QStringLiteral("Big")).fontPointSize(),
              formatAt(QStringLiteral("Plain")).fontPointSize());
    EXPECT_EQ(d.window->windowTitle(), QStringLiteral("Orlin - doc.RTF"));

    // A plain document opened with the caret in formatted text shows none of it.
    d.moveCaret(int(d.shown().indexOf(QStringLiteral("red"))) + 1);
    d.folder.writeBytes(QStringLiteral("plain.txt"), "Nothing special here.");
    d.window->LoadDocument(d.folder.file(QStringLiteral("plain.txt")));
    for (const QString &word : { QStringLiteral("Nothing"), QStringLiteral("here") }) {
        const QTextCharFormat format = formatAt(word);
        EXPECT_NE(format.fontWeight(), QFont::Bold);
        EXPECT_FALSE(format.fontItalic() || format.fontUnderline());
        EXPECT_NE(format.foreground().color(), QColor(200, 0, 0));
    }
}

TEST(frmMainDocuments, PronunciationEditorOpensFromTheMenuAndItsPairsAreHeard)
{
    Documents d;
    QString title;
    QTimer::singleShot(0, [&] {
        auto *editor = qobject_cast<frmLex *>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        title = editor->windowTitle();
        auto *row = new QTreeWidgetItem(editor->ListView1);
        row->setText(0, QStringLiteral("Smyth"));
        row->setText(1, QStringLiteral("Smith"));
        editor->cmdOK_Click();
    });
    control<QAction>(*d.window, "mnuPron")->trigger();
    EXPECT_EQ(title, QStringLiteral("Pronunciation Setup"));
    EXPECT_EQ(d.folder.readBytes(QStringLiteral("ol1dict.txt")), QByteArray("Smyth,Smith\r\n"));

    // Read reloads the list: the engine hears the new word, the view keeps the old.
    const QString text = QStringLiteral("Hello there. Mr Smyth, welcome home. Bye now.");
    d.showText(text, int(text.indexOf(QStringLiteral("Mr"))));
    const qsizetype before = d.engine()->spoken.size();
    d.window->cmdRead_Click();
    ASSERT_EQ(d.engine()->spoken.size(), before + 1);
    const QString heard = d.engine()->spoken.constLast();
    EXPECT_TRUE(heard.contains(QStringLiteral("Smith"))) << heard.toStdString();
    EXPECT_FALSE(heard.contains(QStringLiteral("Smyth"))) << heard.toStdString();
    EXPECT_EQ(d.selectedText(), QStringLiteral("Mr Smyth, welcome home."));
}
