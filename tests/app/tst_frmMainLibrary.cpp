// The library button of the main window: the library opens modally, a book is found,
// downloaded from a local server and unpacked, and the main window opens it as Load
// would, under the book's own name and at its bookmark. Bad answers open nothing.
#include "app/fSHAREDGut.h"

#include "documents/mSharedBookmarks.h"
#include "support/Corpora.h"
#include "support/MainWindowHarness.h"
#include "support/NetServers.h"
#include "support/ZipBuilder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray corpusBook(const char *name)
{
    QFile f(corporaFile(QStringLiteral("gutenberg_books/") + name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class LibraryButton : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tomSawyer = corpusBook("74-0.txt");
        const QByteArray tale = corpusBook("mirror_sample/9/98/98-0.txt");
        if (tomSawyer.isEmpty() || tale.isEmpty())
            GTEST_SKIP() << "shared corpora not present";
        writeFile(site.filePath("7/74/74-0.txt"), tomSawyer);
        QDir(site.path()).mkpath("9/98");
        ASSERT_TRUE(
            writeZip(site.filePath("9/98/98-0.zip"),
                     { { "98-0/readme.txt", "Read me first." }, { "98-0/98-0.txt", tale } }));
        writeFile(site.filePath("9/97/97.txt"), {});
        writeFile(site.filePath("9/96/96.txt"),
                  "<html><head><title>Not Found</title></head><body>Gone</body></html>");
        server = TestServer::http(site.path());
        if (!server)
            GTEST_SKIP() << "python3 not installed";
        harness.folder.writeBytes("GutIndex.txt",
                                  "/7/74/74-0.txt, The Adventures of Tom Sawyer, by Mark Twain\r\n"
                                  "/9/98/98-0.zip, A Tale of Two Cities, by Charles Dickens\r\n"
                                  "/9/97/97.txt, Flatland, by Edwin A. Abbott\r\n"
                                  "/9/96/96.txt, The Monster Men, by Edgar Rice Burroughs\r\n");
        ASSERT_TRUE(harness.start());
    }

    // Opens the library from the main window, finds the title and presses Download and
    // Read; returns when the main window has the library closed again.
    void downloadAndRead(const QString &search)
    {
        const qsizetype before = harness.messages.size();
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<fSHAREDGut *>(QApplication::activeModalWidget());
            if (!w)
                return;
            driven = true;
            control<QLineEdit>(*w, "txtDLSource")->setText(server->url("/"));
            control<QLineEdit>(*w, "txtSearch")->setText(search);
            w->cmdFind_Click();
            w->cmdDownloadAndRead_Click();
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return !w->isVisible() || harness.messages.size() > before; }, 30000))
                << "the download did not end";
            // Nothing to read: the user leaves.
            if (w->isVisible())
                w->cmdExit_Click();
        });
        harness.window->cmdGUT_Click();
        EXPECT_TRUE(driven) << "the library did not open modally";
    }

    // What the failed downloads may have left in the book folder.
    QStringList leftOver() const
    {
        return QDir(harness.folder.path())
            .entryList({ "97*", "96*", "Flatland*", "The Monster*" }, QDir::Files);
    }

    MainWindowHarness harness;
    QTemporaryDir site;
    std::unique_ptr<TestServer> server;
    QByteArray tomSawyer;
};

TEST_F(LibraryButton, DownloadAndReadOpensTheBookAtItsBookmark)
{
    const QString saved =
        harness.folder.file("The Adventures of Tom Sawyer  by Mark Twain - 74-0.txt");
    harness.window->documents().bookmarks().StoreBookmark(saved, 1234);
    downloadAndRead("tom sawyer");
    EXPECT_EQ(harness.window->documents().CurrentFile(), saved);
    EXPECT_EQ(QFile(saved).size(), tomSawyer.size());
    EXPECT_TRUE(harness.view()->Text().contains("The Adventures of Tom Sawyer"));
    EXPECT_EQ(harness.view()->SelStart(), 1234);
    EXPECT_EQ(harness.window->windowTitle(),
              "Orlin - The Adventures of Tom Sawyer  by Mark Twain - 74-0.txt");
    EXPECT_TRUE(harness.messages.isEmpty());
}

TEST_F(LibraryButton, ZippedBookOpensItsTextUnderTheTitle)
{
    downloadAndRead("two cities");
    const QString saved =
        harness.folder.file("A Tale of Two Cities  by Charles Dickens - 98-0.txt");
    EXPECT_EQ(harness.window->documents().CurrentFile(), saved);
    EXPECT_TRUE(harness.view()->Text().contains("A Tale of Two Cities"));
    EXPECT_FALSE(harness.view()->Text().contains("Read me first."));
    EXPECT_TRUE(QFile::exists(harness.folder.file("98-0.zip")));
}

TEST_F(LibraryButton, EmptyAnswersAndErrorPagesOpenNothing)
{
    for (const char *search : { "flatland", "monster men" }) {
        harness.messages.clear();
        downloadAndRead(QString::fromLatin1(search));
        ASSERT_EQ(harness.messages.size(), 1) << search;
        EXPECT_EQ(harness.messages.at(0).text,
                  "File not found on server. Please check the URL and try again.");
        EXPECT_TRUE(harness.window->documents().CurrentFile().isEmpty()) << search;
        EXPECT_TRUE(leftOver().isEmpty()) << search;
    }
}

} // namespace
