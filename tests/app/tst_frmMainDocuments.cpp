// Opening documents in the main window: the caret kept per document, the Load dialog,
// what each kind of file shows, and the pronunciation editor on the reading road.
#include "app/ReaderProgram.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsTalker.h"
#include "support/Corpora.h"
#include "support/MainWindowHarness.h"
#include "ui/RichTextBox.h"
#include "ui/frmContents.h"
#include "ui/frmFileSelect.h"
#include "ui/frmLex.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
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

// A missing file, or a folder, named on the command line: the user is told which file and
// why, and the reader starts without a document (the Load dialog's and Reload's routes are
// the document controller's own tests).
TEST(frmMainDocuments, ADocumentThatCannotBeOpenedIsReportedAndChangesNothing)
{
    QString startTitle;
    {
        MainWindowHarness plain;
        ASSERT_TRUE(plain.start());
        startTitle = plain.window->windowTitle();
    }
    for (const bool asFolder : { false, true }) {
        MainWindowHarness h;
        const QString badPath = h.folder.file(QStringLiteral("bad.txt"));
        if (asFolder)
            QDir().mkpath(badPath);
        ASSERT_TRUE(h.start(badPath)) << asFolder;
        EXPECT_EQ(h.window->windowTitle(), startTitle) << asFolder;
        EXPECT_TRUE(h.view()->Text().isEmpty()) << asFolder;
        EXPECT_TRUE(h.window->documents().CurrentFile().isEmpty()) << asFolder;
        ASSERT_EQ(h.messages.size(), 1) << asFolder;
        EXPECT_EQ(
            h.messages[0].text,
            badPath + " could not be opened.\n"
                + (asFolder ? "It is a folder, not a document." : "The file does not exist."));
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

// A book dropped on the window opens; its Contents, from the menu bar, list its headings
// indented by level and move the caret to the one chosen, where Read starts; a document
// without headings has no Contents to open.
TEST(frmMainDocuments, ADroppedBookOpensAndItsContentsLeadToItsHeadings)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    Documents d;
    auto *contents = control<QAction>(*d.window, "mnuContents");
    EXPECT_FALSE(contents->isEnabled());

    const QString book = corporaFile(QStringLiteral("formats/epub/idpf-wasteland.epub"));
    QMimeData dragged;
    dragged.setUrls({ QUrl::fromLocalFile(book) });
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(d.window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(d.window.get(), &drop);
    QApplication::processEvents();
    ASSERT_EQ(d.window->documents().CurrentFile(), book);
    EXPECT_TRUE(d.shown().contains(QStringLiteral("April is the cruellest month")));

    ASSERT_TRUE(contents->isEnabled());
    contents->trigger();
    frmContents *window = d.window->Contents();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const auto &headings = d.window->documents().CurrentDocument().headings;
    ASSERT_EQ(window->headingCount(), headings.size());
    ASSERT_GT(headings.size(), 3);
    for (qsizetype i = 0; i < headings.size(); ++i) {
        EXPECT_EQ(window->entryText(int(i)),
                  QString((headings[i].level - 1) * 4, QLatin1Char(' ')) + headings[i].title);
    }
    const int chosen = 2;
    window->choose(chosen);
    EXPECT_EQ(d.caret(), headings[chosen].position);
    const QList<MainWindowHarness::Spoken> spoken = d.readToTheEnd();
    ASSERT_FALSE(spoken.isEmpty());
    EXPECT_TRUE(headings[chosen].title.contains(spoken.first().seen.trimmed().left(8)))
        << spoken.first().seen.toStdString();

    // A plain text has no headings: the Contents close and the menu item is off.
    d.window->LoadDocument(d.writeDocument(QStringLiteral("plain.txt"), kLong));
    EXPECT_FALSE(contents->isEnabled());
    EXPECT_FALSE(window->isVisible());
}
