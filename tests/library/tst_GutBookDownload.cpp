// The book download around the transfer: the checks before it, the names it gives,
// and what is kept, unpacked and opened after it.
#include "library/GutBookDownload.h"
#include "library/GutBookInfo.h"

#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "support/ZipBuilder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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
    EXPECT_EQ(d.Prepare(shown("Up", "http://h/.."), folder.path(), false).message,
              "The address of this book has no usable file name.");

    // An empty field means the program folder, which the field then shows.
    GutBookPrepared p = d.Prepare(book, "  ", true);
    EXPECT_TRUE(p.message.isEmpty());
    EXPECT_EQ(p.downloadPath, folder.path() + "/");
    EXPECT_EQ(p.request.transfer.localFile, folder.file("74.txt"));
    EXPECT_EQ(p.request.transfer.url, "http://h/7/74/74.txt");
    EXPECT_EQ(p.request.saveName, "Tom Sawyer  by Zaru Vazer - 74.txt");
    EXPECT_TRUE(p.request.readAfter);

    // A folder without its trailing separator gets one.
    QDir(folder.path()).mkdir("books");
    p = d.Prepare(book, folder.file("books"), false);
    EXPECT_EQ(p.downloadPath, folder.file("books") + "/");
    EXPECT_EQ(p.request.transfer.localFile, folder.file("books/74.txt"));
}

class Completed : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    GutBookDownload download { folder.path() };

    GutBookRequest request(const char *url, bool readAfter = true)
    {
        return download.Prepare(shown("Tom Sawyer, by Zaru Vazer", url), folder.path(), readAfter)
            .request;
    }
    QStringList files() const
    {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(Completed, PlainBookTakesItsSaveNameReplacingAnOldOne)
{
    const GutBookRequest r = request("http://h/7/74/74.txt");
    folder.writeBytes("Tom Sawyer  by Zaru Vazer - 74.txt", "old copy");
    folder.writeBytes("74.txt", "The Adventures of Tom Sawyer");
    const GutBookOutcome o = download.DownloadCompleted(r, false);
    EXPECT_TRUE(o.message.isEmpty());
    EXPECT_EQ(o.fileToLoad, folder.file("Tom Sawyer  by Zaru Vazer - 74.txt"));
    EXPECT_EQ(folder.readBytes("Tom Sawyer  by Zaru Vazer - 74.txt"),
              "The Adventures of Tom Sawyer");
    EXPECT_EQ(files(), QStringList({ "Tom Sawyer  by Zaru Vazer - 74.txt" }));

    // Download Book: the same, and nothing to open.
    folder.writeBytes("74.txt", "again");
    EXPECT_TRUE(download.DownloadCompleted(request("http://h/7/74/74.txt", false), false)
                    .fileToLoad.isEmpty());
}

TEST_F(Completed, EmptyAnswersErrorPagesAndFailuresLeaveNothing)
{
    const GutBookRequest r = request("http://h/7/74/74.txt");
    const std::pair<const char *, QByteArray> answers[] = {
        { "empty", QByteArray() },
        { "error page",
          "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>" },
    };
    for (const auto &[what, bytes] : answers) {
        folder.writeBytes("74.txt", bytes);
        const GutBookOutcome o = download.DownloadCompleted(r, false);
        EXPECT_TRUE(o.fileToLoad.isEmpty()) << what;
        EXPECT_EQ(o.message, "File not found on server. Please check the URL and try again.")
            << what;
        EXPECT_EQ(o.status, "Error - Could not retrieve file") << what;
        EXPECT_TRUE(files().isEmpty()) << what;
    }
    folder.writeBytes("74.txt", "half a bo");
    const GutBookOutcome o = download.DownloadCompleted(r, true);
    EXPECT_TRUE(o.fileToLoad.isEmpty());
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(Completed, ZippedBookOpensTheTextInside)
{
    const QByteArray text = QByteArray("The Project Gutenberg eBook of A Tale\r\n").repeated(200);
    ASSERT_TRUE(writeZip(folder.file("98-0.zip"),
                         { { "98-0/readme.txt", "short", ZipItem::File },
                           { "98-0/98-0.txt", text, ZipItem::File },
                           { "98-0/images/cover.jpg", QByteArray(5000, '\xff'), ZipItem::File } }));
    const GutBookOutcome o = download.DownloadCompleted(request("http://h/9/98/98-0.zip"), false);
    EXPECT_TRUE(o.unpacked);
    EXPECT_TRUE(o.message.isEmpty());
    EXPECT_EQ(o.fileToLoad, folder.file("Tom Sawyer  by Zaru Vazer - 98-0.txt"));
    EXPECT_EQ(folder.readBytes("Tom Sawyer  by Zaru Vazer - 98-0.txt"), text);
    // The archive keeps its own name.
    EXPECT_TRUE(QFile::exists(folder.file("98-0.zip")));
}

// The extension decides what is an archive, not ".zip" anywhere in the name.
TEST_F(Completed, TextNamedLikeAnArchiveIsText)
{
    folder.writeBytes("74.zip.txt", "The Adventures of Tom Sawyer");
    const GutBookOutcome o = download.DownloadCompleted(request("http://h/7/74/74.zip.txt"), false);
    EXPECT_TRUE(o.unpacked);
    EXPECT_TRUE(o.message.isEmpty());
    EXPECT_EQ(o.fileToLoad, folder.file("Tom Sawyer  by Zaru Vazer - 74.zip.txt"));
}

TEST_F(Completed, BrokenArchiveOpensNothing)
{
    folder.writeBytes("98-0.zip", "PK\x03\x04 not really a zip file at all, just the start of one");
    const GutBookOutcome o = download.DownloadCompleted(request("http://h/9/98/98-0.zip"), false);
    EXPECT_FALSE(o.unpacked);
    EXPECT_EQ(o.message, "Error unpacking zip file");
    EXPECT_TRUE(o.fileToLoad.isEmpty());
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
