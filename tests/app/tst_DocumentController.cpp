// Opening documents through a plain view and window: the caret kept per document, the Load
// dialog, what each kind of file shows, and a load that stops at its first failed step.
#include "app/DocumentController.h"

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

#include <QDir>
#include <QFile>
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
    d.answerWith([&](const frmFileSelect &dialog) {
        title = dialog.WindowTitle();
        pattern = dialog.Filepattern();
        startFolder = dialog.DefaultPath();
        return path;
    });
    EXPECT_TRUE(d.documents.ChooseAndLoad());
    EXPECT_EQ(title, QStringLiteral("Please select a file to open."));
    EXPECT_EQ(pattern, QStringLiteral("*.txt;*.text;*.html;*.htm;*.rtf"));
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

} // namespace
