#include "base/cSharedFileSubs.h"

#include "base/CodePage.h"

#include "base/Failure.h"
#include "base/FileTable.h"
#include "base/Seam.h"
#include "base/cSharedLogging.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <gtest/gtest.h>

using F = cSharedFileSubs;

namespace {

class FileSubs : public ::testing::Test
{
protected:
    TempProgramFolder folder;

    QString path(const QString &name) const { return folder.file(name); }
    void makeReadOnly(const QString &name) const
    {
        QFile::setPermissions(path(name), QFile::ReadOwner | QFile::ReadGroup);
    }
    QStringList leftovers() const
    {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    }
};

struct PathCase
{
    const char *input;
    const char *pathOnly;
    const char *extractPath;
    const char *fileOnly;
    const char *extOnly;
    const char *fileroot;
};

TEST(FilePaths, SplitOnEitherSeparator)
{
    const PathCase cases[] = {
        { "C:\\books\\a.txt", "C:\\books\\", "C:\\books\\", "a.txt", "txt", "C:\\books\\a" },
        { "/home/me/books/a.txt", "/home/me/books/", "/home/me/books/", "a.txt", "txt",
          "/home/me/books/a" },
        { "books/x/y.txt", "books/x/", "books/x/", "y.txt", "txt", "books/x/y" },
        { "mixed\\dir/name.tar.gz", "mixed\\dir/", "mixed\\dir/", "name.tar.gz", "gz",
          "mixed\\dir/name.tar" },
        { "a.txt", "./", "", "a.txt", "txt", "a" },
        { "C:\\my.books\\readme", "C:\\my.books\\", "C:\\my.books\\", "readme", "books\\readme",
          "C:\\my" },
        { "/folder/", "/folder/", "/folder/", "", "", "/folder/" },
        { "", "./", "", "", "", "" },
    };
    for (const auto &c : cases) {
        const QString in = QString::fromUtf8(c.input);
        EXPECT_EQ(F::PathOnly(in), QString::fromUtf8(c.pathOnly)) << c.input;
        EXPECT_EQ(F::ExtractPath(in), QString::fromUtf8(c.extractPath)) << c.input;
        EXPECT_EQ(F::FileOnly(in), QString::fromUtf8(c.fileOnly)) << c.input;
        EXPECT_EQ(F::FileExPath(in), QString::fromUtf8(c.fileOnly)) << c.input;
        EXPECT_EQ(F::ExtOnly(in), QString::fromUtf8(c.extOnly)) << c.input;
        EXPECT_EQ(F::Fileroot(in), QString::fromUtf8(c.fileroot)) << c.input;
    }
}

TEST(FilePaths, SlashesAndDrives)
{
    EXPECT_EQ(F::AddSlashIfMissing(""), "");
    EXPECT_EQ(F::AddSlashIfMissing("/tmp"), "/tmp/");
    EXPECT_EQ(F::AddSlashIfMissing("/tmp/"), "/tmp/");
    EXPECT_EQ(F::AddSlashIfMissing("C:\\"), "C:\\");
    EXPECT_EQ(F::RemoveSlashFromEnd(""), "");
    EXPECT_EQ(F::RemoveSlashFromEnd("C:\\"), "C:");
    EXPECT_EQ(F::RemoveSlashFromEnd("/tmp/"), "/tmp");
    EXPECT_EQ(F::RemoveSlashFromEnd("/tmp"), "/tmp");
    EXPECT_EQ(F::DriveOnly("C:\\books"), "C");
    EXPECT_EQ(F::DriveOnly("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(F::DriveOnly("/home/me"), "/home/me");
    EXPECT_EQ(F::DriveOnly(""), "");
}

TEST(FilePaths, CleanStringMakesAFileName)
{
    const std::pair<const char *, const char *> cases[] = {
        { "What? A Tale: 1/2", "What  A Tale  1 2" },
        { "con", "con" },
        { "CON", "CON1" },
        { "PRN", "PRN1" },
        { "NUL", "NUL1" },
        { "AUX", "AUX1" },
        { " AUX", "AUX" },
        { "\"Quoted\" <b>|a&b,c%d\\e*", "Quoted   b  a b c d e" },
        { "  \"  ", "" },
        { "\tTab", "\tTab" },
    };
    for (const auto &[in, out] : cases) {
        QString s = QString::fromUtf8(in);
        F::CleanString(s);
        EXPECT_EQ(s, QString::fromUtf8(out)) << in;
    }
}

// Orlin's own files are written as UTF-8 without a mark; reading takes UTF-8 where the
// bytes are valid UTF-8 and Windows-1252 otherwise, so files of earlier installations load.
TEST_F(FileSubs, OwnFilesAreUtf8AndOldWindows1252FilesStillLoad)
{
    struct Case
    {
        QByteArray bytes;
        QString text;
    };
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const Case cases[] = {
        { "plain ASCII\r\n", "plain ASCII\r\n" },
        { "\xD0\x92\xD0\xBE\xD0\xB9\xD0\xBD\xD0\xB0.txt \xC5\x81\xC3\xB3"
          "d\xC5\xBA",
          QString::fromUtf8("Война.txt Łódź") },
        { "\xEF\xBB\xBFmarked", "marked" },
        { "caf\xE9 \x80 \x93q\x94", QString::fromUtf8("café € “q”") },
        // One invalid sequence makes the whole file an old one.
        { "\xC3\xA9 then \xE9", QString::fromUtf8("Ã© then é") },
        { all, CodePage::toUnicode(all) },
    };
    for (const Case &c : cases) {
        folder.writeBytes("in.txt", c.bytes);
        QString text;
        ASSERT_TRUE(F::LoadTextFile(path("in.txt"), text));
        EXPECT_EQ(text, c.text) << c.bytes.toHex().toStdString();
        ASSERT_TRUE(F::WriteTextFile(path("out.txt"), text));
        EXPECT_EQ(folder.readBytes("out.txt"), c.text.toUtf8()) << c.bytes.toHex().toStdString();
        QString again;
        ASSERT_TRUE(F::LoadTextFile(path("out.txt"), again));
        EXPECT_EQ(again, c.text) << c.bytes.toHex().toStdString();
    }

    // Adding to an old file turns it into UTF-8 first, so old and new text both survive.
    folder.writeBytes("old.txt", "M\xFCller\r\n");
    F::AppendToTextFile(path("old.txt"), QString::fromUtf8("Łódź"));
    F::AppendText(path("old.txt"), QString::fromUtf8("Война"));
    EXPECT_EQ(folder.readBytes("old.txt"), QString::fromUtf8("Müller\r\nŁódź\r\nВойна").toUtf8());
}

TEST_F(FileSubs, LoadTextFileTakesTheFileAsItIs)
{
    QString text = "stale";
    EXPECT_FALSE(F::LoadTextFile(path("missing.txt"), text));
    EXPECT_TRUE(text.isEmpty());

    folder.writeBytes("empty.txt", {});
    text = "stale";
    EXPECT_TRUE(F::ReadTextFile(path("empty.txt"), text));
    EXPECT_TRUE(text.isEmpty());

    EXPECT_THROW(F::ReadWholeFile(path("missing.txt")), Failure);
    try {
        F::ReadWholeFile(path("missing.txt"));
    } catch (const Failure &f) {
        EXPECT_EQ(f.code(), FailureCode::FileNotFound);
    }
}

TEST_F(FileSubs, AppendToTextFileCreatesAMissingFile)
{
    F::AppendToTextFile(path("log.txt"), "a");
    F::AppendToTextFile(path("log.txt"), "b");
    EXPECT_EQ(folder.readBytes("log.txt"), QByteArray("a\r\nb\r\n"));
}

TEST_F(FileSubs, ReadOnlyFilesAreMadeWritableToReplaceOrErase)
{
    folder.writeBytes("ro.txt", "old");
    makeReadOnly("ro.txt");
    EXPECT_TRUE(F::isReadonly(path("ro.txt")));
    EXPECT_TRUE(F::WriteTextFile(path("ro.txt"), "new"));
    EXPECT_EQ(folder.readBytes("ro.txt"), QByteArray("new"));
    EXPECT_FALSE(F::isReadonly(path("ro.txt")));

    makeReadOnly("ro.txt");
    EXPECT_TRUE(F::MakeReadWrite(path("ro.txt")));
    EXPECT_FALSE(F::isReadonly(path("ro.txt")));
    EXPECT_FALSE(F::MakeReadWrite(path("missing.txt")));
    EXPECT_FALSE(F::isReadonly(path("missing.txt")));

    makeReadOnly("ro.txt");
    EXPECT_TRUE(F::EraseFile(path("ro.txt")));
    EXPECT_FALSE(QFile::exists(path("ro.txt")));
    EXPECT_TRUE(F::EraseFile(path("ro.txt")));

    QDir(folder.path()).mkdir("sub");
    EXPECT_FALSE(F::EraseFile(path("sub")));
    EXPECT_EQ(Log().CurrentAction(),
              "Is a directory (75) erasing " + path("sub") + " in EraseFile of module cFile");
}

TEST_F(FileSubs, FailedWritesLeaveTheOldFileAndSayWhy)
{
    folder.writeBytes("keep.txt", "precious");
    {
        Seam::Override<FileTable::WriteFaultSeam> full([](const QString &) { return ENOSPC; });
        EXPECT_FALSE(F::WriteTextFile(path("keep.txt"), "replacement text"));
    }
    EXPECT_EQ(folder.readBytes("keep.txt"), QByteArray("precious"));
    EXPECT_EQ(leftovers(), QStringList { "keep.txt" });
    EXPECT_TRUE(Log().CurrentAction().startsWith("No space left on device (61) writing "
                                                 + path("keep.txt")));

    EXPECT_FALSE(F::WriteTextFile(path("no/such/folder/x.txt"), "x"));
    EXPECT_TRUE(Log().CurrentAction().contains("(76) writing "));
}

TEST_F(FileSubs, MkMissingDirCreatesEveryLevelOnce)
{
    const QString deep = path("a/b//c");
    EXPECT_TRUE(F::MkMissingDir(deep));
    EXPECT_TRUE(QFileInfo(path("a/b/c")).isDir());
    EXPECT_FALSE(F::MkMissingDir(deep));
    EXPECT_FALSE(F::MkMissingDir(""));
    EXPECT_FALSE(F::MkMissingDir("   "));

    folder.writeBytes("file", "x");
    EXPECT_FALSE(F::MkMissingDir(path("file/below")));
    EXPECT_TRUE(Log().CurrentAction().endsWith("in MkMissingDir of module cFile"));
}

TEST_F(FileSubs, ExistenceHonoursWildcardsAndFoldersAreNotFiles)
{
    folder.writeBytes("Book One.txt", "x");
    folder.writeBytes("notes", "x");
    QDir(folder.path()).mkdir("folder.d");
    const struct
    {
        const char *name;
        bool file;
    } cases[] = {
        { "Book One.txt", true }, { "Book*.txt", true },  { "Book ??e.txt", true },
        { "*.txt", true },        { "*.*", true },        { "*.doc", false },
        { "folder.d", false },    { "folder.*", false },  { "missing", false },
        { "note?", true },        { "Book One.*", true }, { "notes.*", true },
        { "Book*.*", true },      { "Book.*", false },    { "*One.t*", true },
    };
    for (const auto &c : cases)
        EXPECT_EQ(F::FileExists(path(c.name)), c.file) << c.name;
    EXPECT_FALSE(F::FileExists(""));

    EXPECT_TRUE(F::FolderExists(path("folder.d")));
    EXPECT_TRUE(F::FolderExists(path("folder.d/")));
    EXPECT_FALSE(F::FolderExists(path("notes")));
    EXPECT_FALSE(F::FolderExists(""));
    EXPECT_TRUE(F::FolderExists("/"));
}

TEST_F(FileSubs, FileNumbersAreTheLowestFree)
{
    const int one = F::CreateOutputFile(path("one.txt"));
    const int two = F::OpenOutputFile(path("two.txt"));
    EXPECT_EQ(one, 1);
    EXPECT_EQ(two, 2);
    F::CloseFile(one);
    const int again = F::OpenAppendFile(path("one.txt"));
    EXPECT_EQ(again, 1);
    F::WriteLine(again, QString::fromUtf8("café"));
    F::WriteText(two, "no line end");
    F::CloseFile(again);
    F::CloseFile(two);
    EXPECT_FALSE(F::IsFileOpen(1));
    EXPECT_EQ(folder.readBytes("one.txt"), QByteArray("caf\xC3\xA9\r\n"));
    EXPECT_EQ(folder.readBytes("two.txt"), QByteArray("no line end"));

    const int in = F::OpenFile(path("one.txt"));
    ASSERT_GT(in, 0);
    EXPECT_EQ(F::ReadToEnd(in), QString::fromUtf8("café\r\n"));
    EXPECT_THROW(F::WriteText(in, "x"), Failure);
    F::CloseFile(in);
    EXPECT_EQ(F::OpenFile(path("missing.txt")), -1);
    EXPECT_EQ(F::CreateOutputFile(path("no/such/dir.txt")), -1);
    try {
        F::WriteText(7, "x");
        ADD_FAILURE() << "a free number was written to";
    } catch (const Failure &f) {
        EXPECT_EQ(f.code(), FailureCode::BadFileNameOrNumber);
    }
    F::CloseFile(7);
}

TEST_F(FileSubs, LinesInFileCountsEveryKindOfLineEnd)
{
    const std::pair<QByteArray, int> cases[] = {
        { "", 0 },       { "one", 1 },     { "one\r\n", 1 },  { "a\r\nb", 2 },
        { "a\nb\n", 2 }, { "a\rb\rc", 3 }, { "\r\n\r\n", 2 }, { "a\r\n\nb", 3 },
    };
    for (const auto &[bytes, lines] : cases) {
        folder.writeBytes("lines.txt", bytes);
        EXPECT_EQ(F::LinesInFile(path("lines.txt")), lines) << bytes.toStdString();
    }
    EXPECT_EQ(F::LinesInFile(path("missing.txt")), 0);
}

TEST_F(FileSubs, FileDateIsTheModificationTimeOrTheZeroDate)
{
    EXPECT_TRUE(F::FileDate(path("missing.txt")).isZero());
    folder.writeBytes("dated.txt", "x");
    const QDateTime when(QDate(2021, 3, 14), QTime(15, 9, 26));
    QFile file(path("dated.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(F::FileDate(path("dated.txt")).toDateTime(), when);
}

TEST_F(FileSubs, FillFilesListsMatchingFilesOfOneFolder)
{
    for (const char *name : { "a.TXT", "b.htm", "c.zip", "noext", "d.html" })
        folder.writeBytes(name, "x");
    QDir(folder.path()).mkpath("sub.txt/inner.txt");

    QStringList found { "kept" };
    F::FillFiles(folder.path(), "txt htm", found);
    found.sort();
    EXPECT_EQ(found, (QStringList { "a.TXT", "b.htm", "kept" }));

    QStringList all;
    F::FillFiles(folder.path() + "/", "", all);
    EXPECT_EQ(all.size(), 5);
    EXPECT_FALSE(all.contains("sub.txt"));

    QStringList none;
    EXPECT_THROW(F::FillFiles(path("missing"), "", none), Failure);
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

TEST_F(FileSubs, RunFileOpensWithTheAssociatedProgram)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    folder.writeBytes("book.txt", "x");
    EXPECT_GT(F::RunFile("book.txt", folder.path()), 32);
    EXPECT_GT(F::RunFile(path("book.txt")), 32);
    EXPECT_EQ(F::RunFile(path("missing.txt")), 2);
    EXPECT_EQ(F::RunFile(path("nodir/missing.txt")), 3);
    EXPECT_EQ(F::RunFile("book.txt", path("nodir")), 3);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(path("book.txt")));
}

} // namespace

#include "tst_cSharedFileSubs.moc"
