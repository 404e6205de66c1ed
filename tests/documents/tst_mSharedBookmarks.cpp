#include "documents/mSharedBookmarks.h"

#include "base/cSharedLogging.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class Bookmarks : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    mSharedBookmarks bookmarks;
};

TEST_F(Bookmarks, OneEntryPerFileNameWhateverTheFolderOrCase)
{
    EXPECT_EQ(bookmarks.RetrieveBookmark("/home/me/new.txt"), 0);
    bookmarks.StoreBookmark("/home/me/Book.txt", 120);
    EXPECT_EQ(bookmarks.RetrieveBookmark("/home/me/Book.txt"), 120);
    EXPECT_EQ(bookmarks.RetrieveBookmark("BOOK.TXT"), 120);
    bookmarks.StoreBookmark("/elsewhere/book.txt", 7);
    EXPECT_EQ(bookmarks.RetrieveBookmark("/home/me/Book.txt"), 7);
    bookmarks.StoreBookmark("C:\\docs\\book.TXT", 9);
    EXPECT_EQ(bookmarks.RetrieveBookmark("/x/Book.txt"), 9);

    bookmarks.StoreBookmark("", 5);
    bookmarks.StoreBookmark("/home/me/", 5);
    EXPECT_EQ(bookmarks.RetrieveBookmark("/home/me/"), 0);
    bookmarks.SaveBookmarks();
    EXPECT_EQ(folder.readBytes("BookMarks.ini"), QByteArray("BOOK.TXT, 9 \r\n"));
    EXPECT_EQ(Log().PendingCount(), 0);
}

TEST_F(Bookmarks, SurviveARestartOnlyWhenSaved)
{
    bookmarks.StoreBookmark("/a/lost.txt", 50);
    // A run that ends without close-down saves nothing.
    bookmarks = mSharedBookmarks();
    EXPECT_EQ(bookmarks.RetrieveBookmark("/a/lost.txt"), 0);
    EXPECT_FALSE(QFile::exists(folder.file("BookMarks.ini")));

    bookmarks.StoreBookmark("/a/kept.txt", 3141);
    bookmarks.SaveBookmarks();
    bookmarks = mSharedBookmarks();
    EXPECT_EQ(bookmarks.RetrieveBookmark("/b/KEPT.TXT"), 3141);
}

TEST_F(Bookmarks, AnExistingFileIsReadOnFirstUse)
{
    folder.writeBytes("BookMarks.ini", "A.TXT, 10 \r\nB.HTM,20\r\nJUNK,abc\r\n");
    EXPECT_EQ(bookmarks.RetrieveBookmark("b.htm"), 20);
    EXPECT_EQ(bookmarks.RetrieveBookmark("/x/a.txt"), 10);
    EXPECT_EQ(bookmarks.RetrieveBookmark("junk"), 0);
    // LoadBookmarks reads the file again, dropping what was only in memory.
    bookmarks.StoreBookmark("c.txt", 1);
    bookmarks.LoadBookmarks();
    EXPECT_EQ(bookmarks.RetrieveBookmark("c.txt"), 0);
}

TEST_F(Bookmarks, AFolderInPlaceOfTheFileLeavesAnEmptyStore)
{
    // A folder in place of the file cannot be read; bookmarks still work in memory.
    QDir(folder.path()).mkdir("BookMarks.ini");
    bookmarks.StoreBookmark("a.txt", 4);
    EXPECT_EQ(bookmarks.RetrieveBookmark("a.txt"), 4);
    // The saving fails, and says so to its caller, who tells the user.
    const cSHAREDSettings::SaveOutcome outcome = bookmarks.SaveBookmarks();
    EXPECT_FALSE(outcome);
    EXPECT_EQ(outcome.file, folder.file("BookMarks.ini"));
    EXPECT_TRUE(Log().CurrentAction().endsWith("in SaveSettings of module cSHAREDSettings"));
}

} // namespace
