// Opening documents through a plain view and window: the caret kept per document, the Load
// dialog, what each kind of file shows, and a load that stops at its first failed step.
#include "app/DocumentController.h"

#include "app/PasswordDialog.h"
#include "app/ReadingController.h"
#include "documents/DocumentLoader.h"
#include "support/Corpora.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "documents/mSharedBookmarks.h"
#include "support/FakeReaderWindow.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"
#include "ui/frmFileSelect.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

const QString kLong =
    QStringLiteral("The first document has a few sentences. It is long enough. For a caret.");

// A view that can be told to fail when it is given a document, as a view out of memory would.
struct FailingView : FakeDocumentView
{
    bool fail = false;
    void showDocument(const Document &document) override
    {
        if (fail)
            throw Failure(FailureCode::OutOfMemory, QStringLiteral("Out of memory"));
        FakeDocumentView::showDocument(document);
    }
};

struct Documents
{
    Documents()
        : boxes([this](const MessageBoxes::Message &m) {
            messages << m.text;
            return int(MessageBoxes::Ok);
        })
    {
    }

    QString write(const QString &name, const QByteArray &bytes) const
    {
        folder.writeBytes(name, bytes);
        return folder.file(name);
    }
    QString write(const QString &name, const QString &text) const
    {
        return write(name, text.toUtf8());
    }
    // The Load dialog's answers, one hook at a time.
    void answerWith(frmFileSelect::Answer hook)
    {
        answers.reset();
        answers.emplace(std::move(hook));
    }

    TempProgramFolder folder;
    FakeReaderWindow window;
    FailingView view;
    DocumentController documents { window, view };
    QStringList messages;
    MessageBoxes::ScopedHandler boxes;
    std::optional<Seam::Override<frmFileSelect::AnswerSeam>> answers;
};

TEST(DocumentController, EachDocumentKeepsItsCaretAcrossSwitchesAndReload)
{
    Documents d;
    const QString a = d.write(QStringLiteral("a.txt"), kLong);
    const QString b = d.write(QStringLiteral("b.txt"), kLong + kLong);
    ASSERT_TRUE(d.documents.LoadDocument(a));
    EXPECT_EQ(d.view.SelStart(), 0) << "never opened before";
    EXPECT_EQ(d.window.caption, QStringLiteral("Orlin - a.txt"));
    EXPECT_TRUE(d.window.reloadEnabled);
    d.view.setSelStart(40);
    d.documents.LoadDocument(b);
    EXPECT_EQ(d.view.SelStart(), 0);
    d.view.setSelStart(100);
    d.documents.Reload();
    EXPECT_EQ(d.view.SelStart(), 100);
    d.documents.LoadDocument(a);
    EXPECT_EQ(d.view.SelStart(), 40);
    d.documents.LoadDocument(b);
    EXPECT_EQ(d.view.SelStart(), 100);

    // a.txt shrinks below its bookmark while b.txt is open: it opens at the top.
    d.write(QStringLiteral("a.txt"), QStringLiteral("Short now."));
    d.documents.LoadDocument(a);
    EXPECT_EQ(d.view.Text(), QStringLiteral("Short now."));
    EXPECT_EQ(d.view.SelStart(), 0);
    EXPECT_EQ(d.documents.CurrentDocument().path, a);
    EXPECT_TRUE(d.messages.isEmpty());
}

// The quotes belong to the command line, not to the file: the caret left in a document opened
// with quotes is found again under the plain name, in this run and the next.
TEST(DocumentController, AQuotedPathKeepsItsBookmarkUnderThePlainName)
{
    Documents d;
    const QString path = d.write(QStringLiteral("story.txt"), kLong);
    const QString other = d.write(QStringLiteral("other.txt"), kLong);
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    ASSERT_TRUE(d.documents.LoadDocument(quoted));
    EXPECT_EQ(d.documents.CurrentFile(), quoted);
    d.view.setSelStart(33);
    d.documents.LoadDocument(other);
    d.documents.LoadDocument(path);
    EXPECT_EQ(d.view.SelStart(), 33);
    d.documents.StoreCurrentBookmark();
    EXPECT_TRUE(d.documents.SaveBookmarks());
    EXPECT_EQ(mSharedBookmarks().RetrieveBookmark(path), 33);
}

// A missing file, a folder or a file the user may not read, from the dialog or gone before
// Reload: the user is told which file and why, and the document open before stays as it
// was, caret, caption and all.
TEST(DocumentController, ADocumentThatCannotBeOpenedIsReportedAndChangesNothing)
{
    enum Route { LoadDialog, Reload };
    const std::pair<bool, QString> bads[] = {
        { false, QStringLiteral("The file does not exist.") },
        { true, QStringLiteral("It is a folder, not a document.") },
    };
    for (const auto &[asFolder, reason] : bads) {
        for (const Route route : { LoadDialog, Reload }) {
            Documents d;
            const std::string what = reason.toStdString() + " route " + std::to_string(route);
            const QString badPath = d.folder.file(QStringLiteral("bad.txt"));
            const QString open = d.write(
                route == Reload ? QStringLiteral("bad.txt") : QStringLiteral("good.txt"), kLong);
            d.documents.LoadDocument(open);
            d.view.setSelStart(20);
            const QString caption = d.window.caption;
            QFile::remove(badPath);
            if (asFolder)
                QDir().mkpath(badPath);
            if (route == LoadDialog) {
                d.answerWith([&](const frmFileSelect &) { return badPath; });
                EXPECT_FALSE(d.documents.ChooseAndLoad()) << what;
            } else {
                EXPECT_FALSE(d.documents.Reload()) << what;
            }
            EXPECT_EQ(d.view.Text(), kLong) << what;
            EXPECT_EQ(d.view.SelStart(), 20) << what;
            EXPECT_EQ(d.window.caption, caption) << what;
            EXPECT_EQ(d.documents.CurrentFile(), open) << what;
            EXPECT_EQ(d.messages, QStringList { badPath + " could not be opened.\n" + reason })
                << what;
            EXPECT_FALSE(MousePointer::isBusy()) << what;
        }
    }
}

// Each step of a load needs the one before: the first that fails ends it, nothing after it
// runs, and the user is told.
TEST(DocumentController, AFailedStepStopsTheLoad)
{
    Documents d;
    const QString first = d.write(QStringLiteral("first.txt"), kLong);
    const QString second = d.write(QStringLiteral("second.txt"), QStringLiteral("Other text."));
    d.documents.LoadDocument(first);
    d.window.calls.clear();
    d.view.fail = true;
    EXPECT_FALSE(d.documents.LoadDocument(second));
    EXPECT_EQ(d.window.calls, QStringList()) << "no caption, no Reload after a failed step";
    EXPECT_EQ(d.messages, QStringList { second + " could not be opened.\nOut of memory" });
    EXPECT_TRUE(Log().CurrentAction().startsWith("Out of memory (7) in LoadDocument"));
    EXPECT_FALSE(MousePointer::isBusy());
}

TEST(DocumentController, EachKindOfFileShowsItsText)
{
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString shown;
    } cases[] = {
        { "emph.txt", "A <b>word</b> here.", QStringLiteral("A <emph>word</emph> here.") },
        { "upper.txt", "A <B>word</B> here.", QStringLiteral("A word here.") },
        { "utf8.txt", "Caf\xc3\xa9 \xe2\x80\x94 \xd0\x94\xd0\xb0.", QStringLiteral(u"Café — Да.") },
        { "cp1252.txt",
          "Caf\xe9 \x97 \x80"
          "5.",
          QStringLiteral(u"Café — €5.") },
        { "page.html", "<html><head><title>T</title></head><body><p>One &amp; two</p></body>",
          QStringLiteral("One & two") },
        { "lines.txt", "One\r\nTwo\rThree\nFour", QStringLiteral("One\nTwo\nThree\nFour") },
        { "doc.RTF", "{\\rtf1\\ansi Plain {\\b bold}.\\par Big\\par}",
          QStringLiteral("Plain bold.\nBig") },
    };
    Documents d;
    for (const auto &c : cases) {
        ASSERT_TRUE(d.documents.LoadDocument(d.write(QString::fromLatin1(c.name), c.bytes)))
            << c.name;
        EXPECT_EQ(d.view.Text().trimmed(), c.shown) << c.name;
        EXPECT_EQ(d.window.caption, QStringLiteral("Orlin - ") + QString::fromLatin1(c.name));
    }
}

// The sample shown at the very first start is no document of the user's: it leaves no
// bookmark behind, whatever the caret did.
TEST(DocumentController, ADocumentWithoutBookmarkLeavesNone)
{
    Documents d;
    const QString sample = d.write(QStringLiteral("sample.txt"), kLong);
    d.documents.bookmarks().StoreBookmark(sample, 30);
    d.documents.LoadDocument(sample, DocumentController::Bookmark::None);
    EXPECT_EQ(d.view.SelStart(), 0) << "no bookmark looked up";
    d.view.setSelStart(12);
    d.documents.Reload();
    EXPECT_EQ(d.view.SelStart(), 0);
    d.view.setSelStart(12);
    d.documents.StoreCurrentBookmark();
    EXPECT_EQ(d.documents.bookmarks().RetrieveBookmark(sample), 30) << "none left";
}

// Names in any script keep their own bookmarks across a restart, and a bookmark file of an
// earlier installation, in Windows-1252, still loads.
TEST(DocumentController, BookmarksOfNamesInEveryScriptSurviveARestart)
{
    Documents d;
    d.folder.writeBytes(QStringLiteral("BookMarks.ini"), "CAF\xC9.TXT, 17 \r\n");
    const QString war = d.write(QString::fromUtf8("Война.txt"), kLong);
    const QString lie = d.write(QString::fromUtf8("Ложна.txt"), kLong);
    const QString polish = d.write(QString::fromUtf8("Łódź.txt"), kLong);
    const QString old = d.write(QString::fromUtf8("Café.txt"), kLong);
    const std::pair<QString, int> places[] = { { war, 30 }, { lie, 0 }, { polish, 12 } };
    for (const auto &[path, caret] : places) {
        d.documents.LoadDocument(path);
        d.view.setSelStart(caret);
    }
    d.documents.LoadDocument(old);
    EXPECT_EQ(d.view.SelStart(), 17) << "the old file's bookmark";
    d.documents.StoreCurrentBookmark();
    EXPECT_TRUE(d.documents.SaveBookmarks());
    EXPECT_TRUE(d.folder.readBytes(QStringLiteral("BookMarks.ini"))
                    .contains(QString::fromUtf8("ВОЙНА.TXT, 30 \r\n").toUtf8()));
    mSharedBookmarks next;
    EXPECT_EQ(next.RetrieveBookmark(war), 30);
    EXPECT_EQ(next.RetrieveBookmark(lie), 0);
    EXPECT_EQ(next.RetrieveBookmark(polish), 12);
    EXPECT_EQ(next.RetrieveBookmark(old), 17);
}

// Bookmarks that cannot be saved are told, naming the file, not lost in silence.
TEST(DocumentController, BookmarksThatCannotBeSavedAreTold)
{
    Documents d;
    QDir(d.folder.path()).mkdir(QStringLiteral("BookMarks.ini"));
    d.documents.LoadDocument(d.write(QStringLiteral("a.txt"), kLong));
    QStringList errors;
    Seam::Override<ShowErrSeam> shown(
        [&](const QString &message, const QString &) { errors << message; });
    EXPECT_FALSE(d.documents.SaveBookmarks());
    ASSERT_EQ(d.messages.size() + errors.size(), 1);
    const QString told = d.messages.isEmpty() ? errors[0] : d.messages[0];
    EXPECT_TRUE(told.contains(QStringLiteral("read-only"))
                || told.contains(d.folder.file("BookMarks.ini")))
        << qPrintable(told);
}

TEST(DocumentController, TheLoadDialogRemembersItsFolderAndCancelChangesNothing)
{
    Documents d;
    const QString path = d.write(QStringLiteral("chosen.txt"), kLong);
    // A saved folder that has gone opens the dialog in the current folder.
    Settings().sSet(QStringLiteral("Path"), d.folder.file(QStringLiteral("gone/")));
    QString title, pattern, startFolder;
    QStringList filters;
    d.answerWith([&](const frmFileSelect &dialog) {
        title = dialog.WindowTitle();
        pattern = dialog.Filepattern();
        filters = dialog.NameFilters();
        startFolder = dialog.DefaultPath();
        return path;
    });
    EXPECT_TRUE(d.documents.ChooseAndLoad());
    EXPECT_EQ(title, QStringLiteral("Please select a file to open."));
    EXPECT_EQ(pattern,
              QStringLiteral(
                  "*.txt;*.text;*.html;*.htm;*.rtf;*.epub;*.pdf;*.docx;*.odt;*.md;*.markdown"));
    EXPECT_EQ(filters.value(0),
              QStringLiteral("All documents (*.txt *.text *.html *.htm *.rtf "
                             "*.epub *.pdf *.docx *.odt *.md *.markdown)"));
    EXPECT_EQ(filters.size(), 7);
    EXPECT_EQ(startFolder, QDir::currentPath());
    EXPECT_EQ(d.view.Text(), kLong);
    EXPECT_EQ(QDir::cleanPath(d.documents.CurrentFile()), QDir::cleanPath(path));
    EXPECT_TRUE(d.window.reloadEnabled);
    const QString saved = Settings().sGet(QStringLiteral("Path")).toString();
    EXPECT_TRUE(saved.endsWith(QLatin1Char('/')));
    EXPECT_EQ(QDir(saved).canonicalPath(), QDir(d.folder.path()).canonicalPath());

    // The next time the dialog starts in that folder; Cancel changes nothing.
    d.view.setSelStart(12);
    d.window.calls.clear();
    d.answerWith([&](const frmFileSelect &dialog) {
        startFolder = dialog.DefaultPath();
        return QString();
    });
    EXPECT_FALSE(d.documents.ChooseAndLoad());
    EXPECT_EQ(QDir(startFolder).canonicalPath(), QDir(saved).canonicalPath());
    EXPECT_EQ(d.window.calls, QStringList());
    EXPECT_EQ(d.view.SelStart(), 12);
    EXPECT_EQ(QDir::cleanPath(d.documents.CurrentFile()), QDir::cleanPath(path));
}

QString copyOfCorpus(const Documents &d, const char *relative, const QString &as)
{
    QFile file(corporaFile(QString::fromLatin1(relative)));
    return file.open(QIODevice::ReadOnly) ? d.write(as, file.readAll()) : QString();
}

// Lets the document's loader run until it has read the whole document (or a minute passed).
bool waitUntilRead(const DocumentController &documents)
{
    QDeadlineTimer deadline(60'000);
    while (documents.Loading() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !documents.Loading();
}

// A book's headings are its Contents: each moves the caret to where the heading's text
// begins, Read takes its text from there, and the book keeps its bookmark by its path as any
// document does.
TEST(DocumentController, AnEpubsContentsMoveTheCaretToEachHeading)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    Documents d;
    const QString book =
        copyOfCorpus(d, "formats/epub/readium-SmokeTest-EPUB2.epub", QStringLiteral("book.epub"));
    const QString other = d.write(QStringLiteral("other.txt"), kLong);
    int changes = 0;
    d.documents.onDocumentChanged = [&](bool another) { changes += another ? 1 : 100; };
    ASSERT_TRUE(d.documents.LoadDocument(book));
    EXPECT_EQ(changes, 1);
    const Document &document = d.documents.CurrentDocument();
    EXPECT_EQ(d.view.Text(), document.text);
    EXPECT_EQ(d.window.caption, QStringLiteral("Orlin - book.epub"));
    ASSERT_EQ(document.headings.size(), 2);
    const QStringList titles { "1. King Solomon's Mines", "2. The Marvellous Land of Oz" };
    const QStringList opening { "Excerpt from King Solomon", "Excerpt from The Marvellous Land" };
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(document.headings[i].title, titles[i]);
        d.documents.GoToHeading(i);
        EXPECT_EQ(d.view.SelStart(), document.headings[i].position);
        const QString read =
            ReadingController::TextFromCaret(d.view.Text(), d.view.SelStart()).text;
        EXPECT_TRUE(read.left(80).contains(opening[i])) << read.left(80).toStdString();
    }
    // Out of range: the caret stays.
    d.documents.GoToHeading(7);
    d.documents.GoToHeading(-1);
    EXPECT_EQ(d.view.SelStart(), document.headings[1].position);

    const int place = document.headings[1].position + 10;
    d.view.setSelStart(place);
    d.documents.LoadDocument(other);
    EXPECT_TRUE(d.documents.CurrentDocument().headings.isEmpty());
    d.documents.LoadDocument(book);
    EXPECT_EQ(d.view.SelStart(), place);
    d.documents.StoreCurrentBookmark();
    EXPECT_EQ(d.documents.bookmarks().RetrieveBookmark(book), place);
    EXPECT_TRUE(d.messages.isEmpty());
}

// A long PDF comes in pieces: the load returns with its first pages shown, the rest is
// appended without moving the caret the user put somewhere, a bookmark past the first pages
// is reached once they are in, and the whole text is what reading the file at once gives.
TEST(DocumentController, ALongPdfIsShownFirstAndAppendedToWhileItIsRead)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    const QString whole =
        DocumentLoader::Load(corporaFile(QStringLiteral("formats/pdf/pdkids.pdf"))).text;
    enum Caret { UserMoved, Bookmarked };
    for (const Caret caret : { UserMoved, Bookmarked }) {
        Documents d;
        const QString pdf = copyOfCorpus(d, "formats/pdf/pdkids.pdf", QStringLiteral("kids.pdf"));
        const int bookmark = int(whole.size() * 3 / 4);
        if (caret == Bookmarked)
            d.documents.bookmarks().StoreBookmark(pdf, bookmark);
        QString appended;
        bool completeTold = false;
        d.documents.onTextAppended = [&](const QString &text, bool complete) {
            appended += text;
            completeTold = complete;
        };
        ASSERT_TRUE(d.documents.LoadDocument(pdf));
        EXPECT_TRUE(d.documents.Loading()) << "55 pages come in pieces";
        const QString first = d.view.Text();
        EXPECT_TRUE(first.startsWith(QStringLiteral("PD KIDS")));
        EXPECT_LT(first.size(), whole.size() / 4);
        EXPECT_TRUE(d.window.caption.startsWith(QStringLiteral("Orlin - kids.pdf (3 of 55 pages")))
            << d.window.caption.toStdString();
        EXPECT_EQ(d.view.SelStart(), 0);
        if (caret == UserMoved)
            d.view.setSelStart(40);
        ASSERT_TRUE(waitUntilRead(d.documents));
        EXPECT_EQ(d.view.Text(), whole);
        EXPECT_EQ(d.documents.CurrentDocument().text, whole);
        EXPECT_EQ(first + appended, whole);
        EXPECT_TRUE(completeTold);
        EXPECT_TRUE(d.documents.CurrentDocument().complete);
        EXPECT_EQ(d.view.SelStart(), caret == UserMoved ? 40 : bookmark);
        EXPECT_EQ(d.window.caption, QStringLiteral("Orlin - kids.pdf"));
        EXPECT_TRUE(d.messages.isEmpty());
    }
}

// The document named on the command line is read ahead: its load shows it, with the
// caption, as a load of its own would; a file read ahead that cannot be opened is told as
// ever, and a load of another file gets nothing of the one read ahead.
TEST(DocumentController, ADocumentReadAheadIsShownAsAnyLoad)
{
    enum Case { Same, Quoted, Missing, Other };
    for (const Case c : { Same, Quoted, Missing, Other }) {
        Documents d;
        const QString book = d.write(QStringLiteral("book.txt"), kLong);
        const QString other = d.write(QStringLiteral("other.txt"), QStringLiteral("Other text."));
        const QString missing = d.folder.file(QStringLiteral("missing.txt"));
        const QString ahead = c == Missing ? missing
            : c == Quoted                  ? QLatin1Char('"') + book + QLatin1Char('"')
                                           : book;
        d.documents.ReadAhead(ahead);
        const QString loaded = c == Other ? other : ahead;
        EXPECT_EQ(d.documents.LoadDocument(loaded), c != Missing) << c;
        if (c == Missing) {
            EXPECT_EQ(d.messages,
                      QStringList { missing + " could not be opened.\nThe file does not exist." });
            continue;
        }
        EXPECT_EQ(d.view.Text(), c == Other ? QStringLiteral("Other text.") : kLong) << c;
        EXPECT_EQ(d.documents.CurrentFile(), loaded) << c;
        EXPECT_TRUE(d.window.caption.endsWith(c == Other ? "other.txt" : "book.txt")) << c;
        EXPECT_TRUE(d.messages.isEmpty()) << c;
    }
}

// A book opened before the window is on the screen (named on the command line) is shown up
// to a little past its caret at once and the rest in slices; on the screen it is shown
// whole. Either way the reading has the whole text from the start, the view ends with all
// of it and the caret at the bookmark, and another document opened meanwhile gets nothing
// of the first.
TEST(DocumentController, ABookOpenedBeforeTheWindowShowsComesInSlices)
{
    QString lines;
    for (int i = 0; lines.size() < 600'000; ++i)
        lines += QStringLiteral("Line %1 of the book, with a sentence on it.\r\n").arg(i);
    const QString whole = Document::ShownText(lines);
    const int bookmark = int(whole.size() * 3 / 4);
    enum Case { Top, Bookmarked, OnScreen, Replaced };
    for (const Case c : { Top, Bookmarked, OnScreen, Replaced }) {
        Documents d;
        d.view.onScreen = c == OnScreen;
        const QString book = d.write(QStringLiteral("book.txt"), lines);
        const QString other = d.write(QStringLiteral("other.txt"), kLong);
        if (c == Bookmarked)
            d.documents.bookmarks().StoreBookmark(book, bookmark);
        int appended = 0;
        int wholeTold = 0;
        d.documents.onTextAppended = [&](const QString &, bool) { ++appended; };
        d.documents.onShownWhole = [&] { ++wholeTold; };
        ASSERT_TRUE(d.documents.LoadDocument(book));
        EXPECT_EQ(d.view.Text(), whole) << c;
        EXPECT_TRUE(d.view.Text().isSharedWith(d.documents.CurrentDocument().text))
            << "no copy of the book";
        const QString first = whole.left(d.view.shownLength());
        EXPECT_EQ(d.documents.ShowingInSlices(), c != OnScreen) << c;
        EXPECT_EQ(d.view.SelStart(), c == Bookmarked ? bookmark : 0) << c;
        if (c == OnScreen) {
            EXPECT_EQ(first, whole);
            continue;
        }
        EXPECT_TRUE(first.endsWith(QLatin1Char('\n'))) << "a part ends at a line end";
        EXPECT_GE(first.size(), d.view.SelStart() + 32 * 1024) << c;
        EXPECT_LT(first.size(), d.view.SelStart() + 40 * 1024) << c;
        if (c == Replaced) {
            ASSERT_TRUE(d.documents.LoadDocument(other));
            EXPECT_FALSE(d.documents.ShowingInSlices());
            QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
            EXPECT_EQ(d.view.Text(), kLong);
            EXPECT_EQ(d.view.toCome, 0);
            EXPECT_EQ(wholeTold, 0);
            continue;
        }
        ASSERT_TRUE(waitUntilRead(d.documents));
        EXPECT_FALSE(d.documents.ShowingInSlices());
        EXPECT_EQ(d.view.Text(), whole);
        EXPECT_EQ(d.view.toCome, 0) << "every slice is shown";
        EXPECT_EQ(appended, 0) << "the reading has every slice already";
        EXPECT_EQ(wholeTold, 1);
        EXPECT_EQ(d.view.SelStart(), c == Bookmarked ? bookmark : 0);
        EXPECT_TRUE(d.messages.isEmpty());
    }
}

// A new document while a long PDF is still being read: the old reading ends, nothing of it
// reaches the new document, and the PDF's bookmark waiting for its page is kept.
TEST(DocumentController, AnotherDocumentEndsAPdfStillBeingRead)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    Documents d;
    const QString pdf = copyOfCorpus(d, "formats/pdf/pdkids.pdf", QStringLiteral("kids.pdf"));
    const QString other = d.write(QStringLiteral("other.txt"), kLong);
    d.documents.bookmarks().StoreBookmark(pdf, 50'000);
    ASSERT_TRUE(d.documents.LoadDocument(pdf));
    ASSERT_TRUE(d.documents.Loading());
    ASSERT_TRUE(d.documents.LoadDocument(other));
    EXPECT_FALSE(d.documents.Loading());
    QCoreApplication::processEvents();
    EXPECT_EQ(d.view.Text(), kLong);
    EXPECT_EQ(d.documents.bookmarks().RetrieveBookmark(pdf), 50'000);
}

// A PDF with a user password asks for it, names the file, asks again after a wrong one
// (saying so) and opens with the right one; Cancel opens nothing, and after a wrong password
// tells why. One with an empty user password never asks.
TEST(DocumentController, APasswordPdfAsksUntilItOpensOrTheUserCancels)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    if (QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        GTEST_SKIP() << "qpdf is not installed (scripts/install-deps)";
    const QString wrong = FormatText::messageFor(FormatText::Outcome::WrongPassword);
    const struct
    {
        QStringList answers; // "" for Cancel
        bool opens;
        QStringList problemsShown;
        bool told;
    } cases[] = {
        { { "secret" }, true, { "" }, false },
        { { "guess", "secret" }, true, { "", wrong }, false },
        { { "" }, false, { "" }, false },
        { { "guess", "" }, false, { "", wrong }, true },
    };
    for (const auto &c : cases) {
        Documents d;
        const QString locked = d.folder.file(QStringLiteral("locked.pdf"));
        ASSERT_EQ(
            QProcess::execute(QStringLiteral("qpdf"),
                              { "--encrypt", "secret", "owner", "256", "--",
                                corporaFile(QStringLiteral("formats/pdf/rotation.pdf")), locked }),
            0);
        const QString before = d.write(QStringLiteral("before.txt"), kLong);
        d.documents.LoadDocument(before);
        QStringList problems;
        QStringList files;
        qsizetype next = 0;
        Seam::Override<PasswordDialog::AnswerSeam> answers(
            [&](const QString &file, const QString &problem) -> std::optional<QString> {
                files << file;
                problems << problem;
                const QString answer = c.answers.value(next++);
                return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
            });
        const std::string what = c.answers.join(",").toStdString();
        EXPECT_EQ(d.documents.LoadDocument(locked), c.opens) << what;
        EXPECT_EQ(problems, c.problemsShown) << what;
        EXPECT_EQ(files.value(0), QStringLiteral("locked.pdf")) << what;
        EXPECT_EQ(d.view.Text() == kLong, !c.opens) << what;
        EXPECT_EQ(d.messages,
                  c.told ? QStringList { locked + " could not be opened.\n" + wrong }
                         : QStringList())
            << what;
        EXPECT_FALSE(MousePointer::isBusy()) << what;
    }
    Documents d;
    Seam::Override<PasswordDialog::AnswerSeam> never(
        [](const QString &, const QString &) -> std::optional<QString> {
            ADD_FAILURE() << "asked for a password";
            return std::nullopt;
        });
    EXPECT_TRUE(d.documents.LoadDocument(
        copyOfCorpus(d, "formats/pdf/bug900822.pdf", QStringLiteral("owner-only.pdf"))));
    ASSERT_TRUE(waitUntilRead(d.documents));
    EXPECT_GT(d.view.Text().size(), 100);
}

} // namespace
