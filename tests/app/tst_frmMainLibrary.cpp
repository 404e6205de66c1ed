// The library button of the main window: the library opens modally, a book is found,
// downloaded from a local server and unpacked, and the main window opens it as Load
// would, under the book's own name and at its bookmark. Bad answers open nothing and
// touch nothing of the user's, and no book archive reaches the program's own files.
#include "app/fSHAREDGut.h"

#include "documents/mSharedBookmarks.h"
#include "support/Corpora.h"
#include "support/MainWindowHarness.h"
#include "support/NetServers.h"
#include "support/ZipBuilder.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
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

// The program's files as they are: each relative path with a hash of its bytes.
QStringList snapshot(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains("/Books/") || path.endsWith("log.txt"))
            continue;
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out << QDir(folder).relativeFilePath(path) + " "
                + QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex();
    }
    out.sort();
    return out;
}

class LibraryButton : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tomSawyer = corpusBook("74-0.txt");
        tale = corpusBook("mirror_sample/9/98/98-0.txt");
        if (tomSawyer.isEmpty() || tale.isEmpty())
            GTEST_SKIP() << "shared corpora not present";
        writeFile(site.filePath("7/74/74-0.txt"), tomSawyer);
        QDir(site.path()).mkpath("9/98");
        QDir(site.path()).mkpath("9/95");
        ASSERT_TRUE(
            writeZip(site.filePath("9/98/98-0.zip"),
                     { { "98-0/readme.txt", "Read me first." }, { "98-0/98-0.txt", tale } }));
        // A book archive that brings the program's own files along.
        ASSERT_TRUE(writeZip(site.filePath("9/95/95-0.zip"),
                             { { "Orlin", "#!/bin/sh\nrm -rf ~\n", ZipItem::Program },
                               { "OrlinUpdater", "#!/bin/sh\n", ZipItem::Program },
                               { "ol1dict.txt", "hello,goodbye hello hello hello\r\n" },
                               { "Languages/de.txt", "Deutsch\r\nQuit||Weg\r\n" },
                               { "Orlin.ini", "UPDATESERVER,http://evil.example\r\n" },
                               { "95-0.txt", tale } }));
        writeFile(site.filePath("9/97/97.txt"), {});
        writeFile(site.filePath("9/96/96.txt"),
                  "<html><head><title>Not Found</title></head><body>Gone</body></html>");
        server = TestServer::http(site.path());
        if (!server)
            GTEST_SKIP() << "python3 not installed";
        harness.folder.writeBytes("GutIndex.txt",
                                  "/7/74/74-0.txt, The Adventures of Tom Sawyer, by Mark Twain\r\n"
                                  "/9/98/98-0.zip, A Tale of Two Cities, by Charles Dickens\r\n"
                                  "/9/95/95-0.zip, The Prisoner of Zenda, by Anthony Hope\r\n"
                                  "/9/97/97.txt, Flatland, by Edwin A. Abbott\r\n"
                                  "/9/96/96.txt, The Monster Men, by Edgar Rice Burroughs\r\n");
        ASSERT_TRUE(harness.start());
        source = server->url("/");
    }

    // Opens the library from the main window, finds the title and presses Download and
    // Read; returns when the main window has the library closed again.
    void downloadAndRead(const QString &search, const QString &bookFolder = {})
    {
        const qsizetype before = harness.messages.size();
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto *w = qobject_cast<fSHAREDGut *>(QApplication::activeModalWidget());
            if (!w)
                return;
            driven = true;
            control<QLineEdit>(*w, "txtDLSource")->setText(source);
            if (!bookFolder.isEmpty())
                control<QLineEdit>(*w, "txtDownloadPath")->setText(bookFolder);
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

    QString books(const QString &name = {}) const
    {
        return harness.folder.file("Books") + (name.isEmpty() ? QString() : "/" + name);
    }
    // What the failed downloads may have left in the book folder.
    QStringList leftOver() const
    {
        return QDir(books()).entryList({ "*97*", "*96*", "*74*", "Flatland*", "The Monster*" },
                                       QDir::Files | QDir::Hidden);
    }

    MainWindowHarness harness;
    QTemporaryDir site;
    std::unique_ptr<TestServer> server;
    QString source;
    QByteArray tomSawyer;
    QByteArray tale;
};

TEST_F(LibraryButton, DownloadAndReadOpensTheBookAtItsBookmark)
{
    const QString saved = books("The Adventures of Tom Sawyer  by Mark Twain - 74-0.txt");
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
    const QString saved = books("A Tale of Two Cities  by Charles Dickens - 98-0.txt");
    EXPECT_EQ(harness.window->documents().CurrentFile(), saved);
    EXPECT_TRUE(harness.view()->Text().contains("A Tale of Two Cities"));
    EXPECT_FALSE(harness.view()->Text().contains("Read me first."));
    EXPECT_EQ(QDir(books()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList { "A Tale of Two Cities  by Charles Dickens - 98-0.txt" });
}

// A book archive holding the program, its installer, the pronunciation list, a language
// file and the settings: none of them reaches the program folder, nothing it brings is
// executable, and the book itself opens.
TEST_F(LibraryButton, ABookArchiveNeverReachesTheProgram)
{
    for (const char *name : { "Orlin", "OrlinUpdater" })
        writeFile(harness.folder.file(name), QByteArray("the real ") + name);
    QFile::setPermissions(harness.folder.file("Orlin"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    writeFile(harness.folder.file("ol1dict.txt"), "colour,color\r\n");
    writeFile(harness.folder.file("Languages/de.txt"), "Deutsch\r\nQuit||Beenden\r\n");
    const QStringList before = snapshot(harness.folder.path());

    downloadAndRead("zenda");
    EXPECT_EQ(snapshot(harness.folder.path()), before);
    const QString saved = books("The Prisoner of Zenda  by Anthony Hope - 95-0.txt");
    EXPECT_EQ(harness.window->documents().CurrentFile(), saved);
    EXPECT_TRUE(harness.view()->Text().contains("A Tale of Two Cities"));
    EXPECT_EQ(QDir(books()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList { "The Prisoner of Zenda  by Anthony Hope - 95-0.txt" });

    // Asked to save books in the program folder itself: refused, and nothing fetched.
    harness.messages.clear();
    downloadAndRead("zenda", harness.folder.path());
    ASSERT_EQ(harness.messages.size(), 1);
    EXPECT_EQ(harness.messages.at(0).text,
              "Books cannot be saved in the program folder. Please "
              "choose another folder for them.");
    EXPECT_EQ(snapshot(harness.folder.path()), before);
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

// A server's error answer is no book, however large its page, and a download that fails
// leaves the user's own file of the server's name (and an older copy) where it was.
TEST_F(LibraryButton, ErrorAnswersAndBrokenConnectionsKeepTheUsersFiles)
{
    auto faults = TestServer::faults();
    if (!faults)
        GTEST_SKIP() << "python3 not installed";
    writeFile(books("74-0.txt"), "my own notes");
    writeFile(books("The Adventures of Tom Sawyer  by Mark Twain - 74-0.txt"), "last year's copy");
    const struct
    {
        QString source;
        QString message;
    } cases[] = {
        { faults->url("/status/404/html/"),
          "The server answered 404 Not Found for "
              + faults->url("/status/404/html/7/74/74-0.txt") },
        { faults->url("/status/500/text/"),
          "The server answered 500 Internal Server Error for "
              + faults->url("/status/500/text/7/74/74-0.txt") },
        { QStringLiteral("http://127.0.0.1:%1/").arg(TestServer::freePort()),
          "Could not connect to the server" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.source.toStdString());
        harness.messages.clear();
        source = k.source;
        downloadAndRead("tom sawyer");
        ASSERT_EQ(harness.messages.size(), 1);
        EXPECT_TRUE(harness.messages.at(0).text.startsWith(k.message))
            << harness.messages.at(0).text.toStdString();
        EXPECT_TRUE(harness.window->documents().CurrentFile().isEmpty());
        EXPECT_EQ(
            QDir(books()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({ "74-0.txt", "The Adventures of Tom Sawyer  by Mark Twain - 74-0.txt" }));
        QFile own(books("74-0.txt"));
        ASSERT_TRUE(own.open(QIODevice::ReadOnly));
        EXPECT_EQ(own.readAll(), "my own notes");
    }
}

} // namespace
