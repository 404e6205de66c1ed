// The book download around the transfer: the checks before it, the names it gives,
// and what is kept, unpacked and opened after it.
#include "library/GutBookDownload.h"
#include "library/GutBookInfo.h"

#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "support/ZipBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>
#include <limits>

namespace {

GutBookInfo shown(const char *title, const char *url)
{
    GutBookInfo info;
    info.title = QString::fromUtf8(title);
    info.url = url;
    info.fileName = QString(url).section('/', -1);
    return info;
}

TEST(GutBookDownload, SaveNames)
{
    const std::tuple<const char *, const char *, const char *> cases[] = {
        { "Tom Sawyer, by Zaru Vazer", "74.txt", "Tom Sawyer  by Zaru Vazer - 74.txt" },
        { "What: a \"Book\"?", "91-0.txt", "What  a  Book - 91-0.txt" },
        { "Éhség, by Knut Hamsun", "72590-0.txt", "Éhség  by Knut Hamsun - 72590-0.txt" },
        { "...And Then", "5.txt", "And Then - 5.txt" },
        { "A Book", "0100011h.html", "A Book - 0100011h.html" },
        { "A Book", "12345-0.zip", "A Book - 12345-0.txt" },
    };
    for (const auto &[title, file, name] : cases)
        EXPECT_EQ(GutBookDownload::SaveName(QString::fromUtf8(title), file),
                  QString::fromUtf8(name));
    // A title far longer than a file name may be gives way; the file's root stays.
    const QString longName =
        GutBookDownload::SaveName(QString::fromUtf8("Ä").repeated(300), "12345-0.txt");
    EXPECT_LE(longName.toUtf8().size(), 255);
    EXPECT_TRUE(longName.endsWith(" - 12345-0.txt"));
}

TEST(GutBookDownload, WildcardTakesTheCharacterFromTheFileList)
{
    const QString files =
        "/etext93/atmsaw10.txt\r\n/etext94/ztmsaw10.txt.bak\r\n/etext95/x/tmsaw10.txt\r\n";
    const std::tuple<const char *, const char *, const char *> cases[] = {
        { "?tmsaw10.txt", "http://h/etext93/?tmsaw10.txt", "atmsaw10.txt" },
        { "?other.txt", "http://h/etext93/?other.txt", "?other.txt" },
        { "plain.txt", "http://h/plain.txt", "plain.txt" },
    };
    for (const auto &[name, url, resolved] : cases) {
        QString fileName = name;
        QString address = url;
        GutBookDownload::ResolveWildcard(fileName, address, files);
        EXPECT_EQ(fileName, resolved);
        EXPECT_EQ(address, QString(url).replace(name, resolved));
    }
}

TEST(GutBookDownload, ChecksBeforeTheTransfer)
{
    TempProgramFolder folder;
    GutBookDownload d(folder.path());
    const GutBookInfo book = shown("Tom Sawyer, by Zaru Vazer", "http://h/7/74/74.txt");

    EXPECT_EQ(d.Prepare(shown("", "-"), folder.path(), false).message,
              "Please select a book from the list first");
    EXPECT_EQ(d.Prepare(book, folder.file("missing"), false).message,
              "Invalid output folder. Please fix it.");
    EXPECT_EQ(d.Prepare(shown("Up", "http://h/.."), folder.file("."), false).message,
              "Books cannot be saved in the program folder. Please choose another folder for "
              "them.");

    // An empty field means the default book folder, made when missing, which the field
    // then shows; the book arrives under a hidden name first.
    GutBookPrepared p = d.Prepare(book, "  ", true);
    EXPECT_TRUE(p.message.isEmpty());
    EXPECT_EQ(p.downloadPath, folder.path() + "/Books/");
    EXPECT_TRUE(QFileInfo(folder.file("Books")).isDir());
    EXPECT_EQ(p.request.transfer.localFile, folder.file("Books/.74.txt.download"));
    EXPECT_EQ(p.request.transfer.url, "http://h/7/74/74.txt");
    EXPECT_EQ(p.request.transfer.maxBytes, GutBookDownload::MaxBookBytes);
    EXPECT_EQ(p.request.saveName, "Tom Sawyer  by Zaru Vazer - 74.txt");
    EXPECT_TRUE(p.request.readAfter);
    EXPECT_FALSE(p.request.archive);
    EXPECT_EQ(d.Prepare(shown("Up", "http://h/.."), "", false).message,
              "The address of this book has no usable file name.");

    // A folder without its trailing separator gets one.
    QDir(folder.path()).mkdir("books");
    p = d.Prepare(shown("A Tale", "http://h/9/98/98-0.zip"), folder.file("books"), false);
    EXPECT_EQ(p.downloadPath, folder.file("books") + "/");
    EXPECT_EQ(p.request.transfer.localFile, folder.file("books/.98-0.zip.download"));
    EXPECT_TRUE(p.request.archive);
}

class Completed : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    QString books = folder.file("Books");
    GutBookDownload download { folder.path() };

    GutBookRequest request(const char *url, bool readAfter = true)
    {
        return download.Prepare(shown("Tom Sawyer, by Zaru Vazer", url), books, readAfter).request;
    }
    // What arrived for a request, under its hidden name.
    void arrive(const GutBookRequest &r, const QByteArray &bytes)
    {
        QFile f(r.transfer.localFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // DownloadCompleted, and its answer once it has come.
    GutBookOutcome complete(const GutBookRequest &r, bool failed = false)
    {
        GutBookOutcome outcome;
        bool done = false;
        const auto c =
            QObject::connect(&download, &GutBookDownload::Completed, [&](const GutBookOutcome &o) {
                outcome = o;
                done = true;
            });
        download.DownloadCompleted(r, failed);
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 30000));
        QObject::disconnect(c);
        return outcome;
    }
    QStringList files(const QString &where = {}) const
    {
        QStringList out;
        const QString root = where.isEmpty() ? books : where;
        QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            out << QDir(root).relativeFilePath(it.next());
        out.sort();
        return out;
    }
    QByteArray bytes(const QString &relative) const
    {
        QFile f(QDir(books).filePath(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void setUp() { QDir().mkpath(books); }
    void SetUp() override { setUp(); }
};

TEST_F(Completed, PlainBookTakesItsSaveNameReplacingOnlyAnOldCopy)
{
    const GutBookRequest r = request("http://h/7/74/74.txt");
    QFile(books + "/Tom Sawyer  by Zaru Vazer - 74.txt").open(QIODevice::WriteOnly);
    // The user's own file of the server's name is never touched.
    QFile own(books + "/74.txt");
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("my own notes");
    own.close();
    arrive(r, "The Adventures of Tom Sawyer");
    const GutBookOutcome o = complete(r);
    EXPECT_TRUE(o.message.isEmpty());
    EXPECT_EQ(o.fileToLoad, books + "/Tom Sawyer  by Zaru Vazer - 74.txt");
    EXPECT_EQ(bytes("Tom Sawyer  by Zaru Vazer - 74.txt"), "The Adventures of Tom Sawyer");
    EXPECT_EQ(files(), QStringList({ "74.txt", "Tom Sawyer  by Zaru Vazer - 74.txt" }));
    EXPECT_EQ(bytes("74.txt"), "my own notes");

    // Download Book: the same, and nothing to open.
    const GutBookRequest again = request("http://h/7/74/74.txt", false);
    arrive(again, "again");
    EXPECT_TRUE(complete(again).fileToLoad.isEmpty());
    EXPECT_EQ(bytes("Tom Sawyer  by Zaru Vazer - 74.txt"), "again");
}

TEST_F(Completed, EmptyAnswersErrorPagesAndFailuresLeaveTheOldCopy)
{
    const GutBookRequest r = request("http://h/7/74/74.txt");
    QFile old(books + "/Tom Sawyer  by Zaru Vazer - 74.txt");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the copy from last year");
    old.close();
    const std::pair<const char *, QByteArray> answers[] = {
        { "empty", QByteArray() },
        { "error page",
          "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>" },
    };
    for (const auto &[what, arrived] : answers) {
        arrive(r, arrived);
        const GutBookOutcome o = complete(r);
        EXPECT_TRUE(o.fileToLoad.isEmpty()) << what;
        EXPECT_EQ(o.message, "File not found on server. Please check the URL and try again.")
            << what;
        EXPECT_EQ(o.status, "Error - Could not retrieve file") << what;
        EXPECT_EQ(files(), QStringList { "Tom Sawyer  by Zaru Vazer - 74.txt" }) << what;
    }
    arrive(r, "half a bo");
    const GutBookOutcome o = complete(r, true);
    EXPECT_TRUE(o.fileToLoad.isEmpty());
    EXPECT_EQ(files(), QStringList { "Tom Sawyer  by Zaru Vazer - 74.txt" });
    EXPECT_EQ(bytes("Tom Sawyer  by Zaru Vazer - 74.txt"), "the copy from last year");
}

// A zipped text book: only the book comes out, under its save name; nothing else of the
// archive stays, and the archive goes too.
TEST_F(Completed, ZippedTextBookComesOutAlone)
{
    const QByteArray text = QByteArray("The Project Gutenberg eBook of A Tale\r\n").repeated(200);
    const GutBookRequest r = request("http://h/9/98/98-0.zip");
    ASSERT_TRUE(writeZip(r.transfer.localFile,
                         { { "98-0/readme.txt", "short" },
                           { "98-0/98-0.txt", text },
                           { "98-0/images/cover.jpg", QByteArray(5000, '\xff') } }));
    const GutBookOutcome o = complete(r);
    EXPECT_TRUE(o.unpacked);
    EXPECT_TRUE(o.message.isEmpty());
    EXPECT_EQ(o.fileToLoad, books + "/Tom Sawyer  by Zaru Vazer - 98-0.txt");
    EXPECT_EQ(bytes("Tom Sawyer  by Zaru Vazer - 98-0.txt"), text);
    EXPECT_EQ(files(), QStringList { "Tom Sawyer  by Zaru Vazer - 98-0.txt" });
}

// A zipped HTML book keeps its pictures in a folder of its own, a fresh one when the name
// is taken: nothing already in the book folder is written over, and nothing unpacked is
// executable.
TEST_F(Completed, ZippedHtmlBookGetsAFreshFolder)
{
    QDir(books).mkpath("Tom Sawyer  by Zaru Vazer - 98-h");
    QFile mine(books + "/Tom Sawyer  by Zaru Vazer - 98-h/98-h.htm");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("the user's own page");
    mine.close();
    const GutBookRequest r = request("http://h/9/98/98-h.zip");
    ASSERT_TRUE(writeZip(r.transfer.localFile,
                         { { "98-h/98-h.htm", "<html>A Tale</html>" },
                           { "98-h/images/cover.jpg", QByteArray(5000, '\xff') },
                           { "98-h/run.sh", "#!/bin/sh\n", ZipItem::Program } }));
    const GutBookOutcome o = complete(r);
    const QString kept = "Tom Sawyer  by Zaru Vazer - 98-h (2)";
    EXPECT_TRUE(o.unpacked);
    EXPECT_EQ(o.fileToLoad, books + "/" + kept + "/98-h/98-h.htm");
    EXPECT_EQ(bytes(kept + "/98-h/98-h.htm"), "<html>A Tale</html>");
    EXPECT_EQ(bytes("Tom Sawyer  by Zaru Vazer - 98-h/98-h.htm"), "the user's own page");
    EXPECT_FALSE(QFileInfo(books + "/" + kept + "/98-h/run.sh").isExecutable());
    EXPECT_EQ(files().filter(".orlin"), QStringList());
    EXPECT_EQ(files().filter(".download"), QStringList());
}

// An archive over a bound is refused whole, with a message that says which bound, and
// leaves nothing behind; an encrypted one asks for its password.
TEST_F(Completed, HostileArchivesAreRefusedWhole)
{
    QByteArray zeros(16 * 1024 * 1024, '\0');
    struct Case
    {
        const char *what;
        QList<ZipItem> items;
        cSHAREDUnzip2::Limits limits;
        QString message; // %1: the archive's name
    };
    cSHAREDUnzip2::Limits small;
    small.totalBytes = 1024 * 1024;
    cSHAREDUnzip2::Limits few;
    few.entries = 3;
    cSHAREDUnzip2::Limits noRoom;
    noRoom.spareBytes = std::numeric_limits<qint64>::max() / 4;
    QList<ZipItem> many;
    for (int i = 0; i < 4; ++i)
        many.append(ZipItem(QByteArray::number(i) + ".txt", "x"));
    const Case cases[] = {
        { "a bomb",
          { { "98-0.txt", zeros } },
          {},
          "The archive %1 holds a file that would grow more than 1000 times over when unpacked, "
          "so it was not unpacked." },
        { "too large",
          { { "98-0.txt", QByteArray(2 * 1024 * 1024, 'x'), ZipItem::File, false } },
          small,
          "The archive %1 would unpack to more than 1.0 MB, so it was not unpacked." },
        { "too many files", many, few,
          "The archive %1 holds more than 3 files, so it was not unpacked." },
        { "no room", { { "98-0.txt", "text" } }, noRoom, "Not enough disk space to unpack %1" },
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        const GutBookRequest r = request("http://h/9/98/98-0.zip");
        ASSERT_TRUE(writeZip(r.transfer.localFile, k.items));
        download.setUnzipLimits(k.limits);
        const GutBookOutcome o = complete(r);
        EXPECT_FALSE(o.unpacked);
        EXPECT_TRUE(o.message.startsWith(k.message.arg("98-0.zip"))) << o.message.toStdString();
        EXPECT_TRUE(o.fileToLoad.isEmpty());
        EXPECT_EQ(files(), QStringList());
    }
    download.setUnzipLimits({});

    // Encrypted: the password is asked on this thread while the unpacking waits.
    QStringList answers { "wrong", "foo" };
    QStringList asked;
    QObject::connect(&download, &GutBookDownload::PasswordRequest,
                     [&](QString &password, bool &cancel) {
                         asked << (QThread::currentThread() == qApp->thread() ? "main" : "worker");
                         password = answers.takeFirst();
                         cancel = false;
                     });
    for (const char *expected : { "", "secret text" }) {
        const GutBookRequest r = request("http://h/9/98/98-0.zip");
        ASSERT_TRUE(writeZip(r.transfer.localFile,
                             { { "98-0.txt", "secret text", ZipItem::File, true, "foo" } }));
        const GutBookOutcome o = complete(r);
        EXPECT_EQ(bytes("Tom Sawyer  by Zaru Vazer - 98-0.txt"),
                  *expected ? QByteArray(expected) : QByteArray("<missing>"));
        if (!*expected) {
            EXPECT_EQ(o.message,
                      "The archive 98-0.zip is protected by a password, and the right "
                      "one was not given.");
        }
    }
    EXPECT_EQ(asked, QStringList({ "main", "main" }));
}

// The extension decides what is an archive, not ".zip" anywhere in the name.
TEST_F(Completed, TextNamedLikeAnArchiveIsText)
{
    const GutBookRequest r = request("http://h/7/74/74.zip.txt");
    arrive(r, "The Adventures of Tom Sawyer");
    const GutBookOutcome o = complete(r);
    EXPECT_TRUE(o.unpacked);
    EXPECT_TRUE(o.message.isEmpty());
    EXPECT_EQ(o.fileToLoad, books + "/Tom Sawyer  by Zaru Vazer - 74.zip.txt");
}

TEST_F(Completed, BrokenArchiveOpensNothing)
{
    const GutBookRequest r = request("http://h/9/98/98-0.zip");
    arrive(r, "PK\x03\x04 not really a zip file at all, just the start of one");
    const GutBookOutcome o = complete(r);
    EXPECT_FALSE(o.unpacked);
    EXPECT_EQ(o.message, "Error unpacking zip file");
    EXPECT_TRUE(o.fileToLoad.isEmpty());
    EXPECT_EQ(files(), QStringList());
}

TEST(GutBookDownload, ChooseBookFile)
{
    const std::tuple<QStringList, QList<qint64>, const char *, int> cases[] = {
        // The text named after the archive, however small.
        { { "/b/readme.txt", "/b/12345-8.txt", "/b/12345-h.htm" },
          { 900, 100, 5000 },
          "12345-8.zip",
          1 },
        // Else the largest text: the book, not its notes.
        { { "/b/notes.txt", "/b/book.txt", "/b/x.htm" }, { 10, 500, 9000 }, "12345.zip", 1 },
        // An HTML edition: its page, not the images.
        { { "/b/12345-h/images/a.jpg", "/b/12345-h/12345-h.htm", "/b/12345-h/toc.html" },
          { 90000, 2000, 3000 },
          "12345-h.zip",
          1 },
        { { "/b/a.jpg" }, { 10 }, "x.zip", -1 },
    };
    for (const auto &[files, sizes, archive, expected] : cases)
        EXPECT_EQ(GutBookDownload::ChooseBookFile(files, sizes, archive), expected) << archive;
}

} // namespace
