// The catalogue files in a program folder: the parse chain from the downloaded
// sources to GutIndex.txt on its worker thread, loading it into the list, the settings
// keys and the order of the catalogue download.
#include "library/GutBookList.h"
#include "library/GutCatalogue.h"
#include "library/GutCatalogueDownload.h"
#include "library/GutLibrarySettings.h"

#include "base/FileTable.h"
#include "base/ProcessServices.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QThread>

#include <cerrno>
#include <gtest/gtest.h>

namespace {

const char *const kListing = "./9/91:\n91-0.txt\n91.txt\n\n./7/2/5/9/72593:\n72593-0.txt\n\n"
                             "./7/2/5/9/72590:\n72590-0.txt\n72590-h.zip\n";

const char *const kGutindex = "GUTINDEX.ALL\n\n<===LISTINGS===>\n\n"
                              "Onnen arkku, by Ilmari Jäämaa                    72593\r\n"
                              " [Language: Finnish]\r\n\r\n"
                              "Éhség, by Knut Hamsun                           72590\r\n\r\n"
                              "Tom Sawyer Abroad, by Mark Twain                   91\r\n";

const char *const kIndex = "/7/2/5/9/72593/72593-0.txt, Onnen arkku, by Ilmari Jäämaa\r\n"
                           "/7/2/5/9/72590/72590-0.txt, Éhség, by Knut Hamsun\r\n"
                           "/9/91/91-0.txt, Tom Sawyer Abroad, by Mark Twain\r\n";

class Catalogue : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    GutCatalogue catalogue { folder.path() };
    QStringList messages;
    QMetaObject::Connection told = QObject::connect(&catalogue, &GutCatalogue::Message,
                                                    [this](const QString &m) { messages << m; });

    void sources()
    {
        folder.writeBytes("ls-R", kListing);
        // Saved by hand under another letter case: still found.
        folder.writeBytes("gutindex.all", kGutindex);
    }
    // Runs the parses and waits for their end; whether a new index was written.
    bool regenerate(std::optional<bool> withAustralian = {})
    {
        QSignalSpy finished(&catalogue, &GutCatalogue::Finished);
        const bool started =
            withAustralian ? catalogue.Regenerate(*withAustralian) : catalogue.Regenerate();
        EXPECT_TRUE(started);
        EXPECT_TRUE(catalogue.isBusy());
        EXPECT_TRUE(finished.wait(30000));
        EXPECT_FALSE(catalogue.isBusy());
        return !finished.isEmpty() && finished.last().at(0).toBool();
    }
};

TEST_F(Catalogue, RegenerateBuildsTheFilesOnAWorkerAndTheListShowsThem)
{
    EXPECT_FALSE(catalogue.UpdateRegenButton());
    sources();
    EXPECT_TRUE(catalogue.UpdateRegenButton());
    QSignalSpy busy(&catalogue, &GutCatalogue::Busy);
    QSignalSpy status(&catalogue, &GutCatalogue::Status);
    EXPECT_TRUE(regenerate());
    EXPECT_EQ(busy.first().at(0).toBool(), true);
    QCoreApplication::processEvents();
    EXPECT_EQ(busy.last().at(0).toBool(), false);
    EXPECT_EQ(status.last().at(0).toString(), "Catalogue created");
    EXPECT_TRUE(messages.isEmpty());

    EXPECT_EQ(folder.readBytes("GutFiles.txt"),
              "/7/2/5/9/72590/72590-0.txt\r\n/7/2/5/9/72590/72590-h.zip\r\n"
              "/7/2/5/9/72593/72593-0.txt\r\n/9/91/91-0.txt\r\n/9/91/91.txt\r\n");
    // UTF-8, CR LF, titles whole.
    EXPECT_EQ(folder.readBytes("GutIndex.txt"), kIndex);

    GutBookList list;
    const GutCatalogueLoad load = catalogue.LoadCatalogue(list);
    EXPECT_TRUE(load.loaded);
    EXPECT_TRUE(load.message.isEmpty());
    EXPECT_EQ(load.caption, "Project Gutenberg: 3 titles.");
    EXPECT_TRUE(load.dateLine.startsWith("Catalogue last updated: "));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.book(0).title, QString::fromUtf8("Éhség, by Knut Hamsun"));
    EXPECT_EQ(list.book(0).fileName, "72590-0.txt");
    EXPECT_EQ(list.book(2).path, "/9/91/91-0.txt");
}

// The Australian records are made afresh with every parse: a Regen after a parse that
// failed (or had no GUTINDEX.ALL) never adds them a second time.
TEST_F(Catalogue, AustralianRecordsAreAddedOnce)
{
    sources();
    EXPECT_TRUE(regenerate(true));
    EXPECT_EQ(messages, QStringList { "PG Australia file not found. Please download again." });

    folder.writeBytes("catalogue.txt", "<pre>\r\n0100011,0100011,html,Fair Play\r\n</pre>\r\n");
    EXPECT_TRUE(regenerate());
    QFile::remove(folder.file("gutindex.all"));
    EXPECT_TRUE(regenerate());
    EXPECT_TRUE(regenerate());
    GutBookList list;
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.book(list.Find("PG-OZ").row).path, "/0100011/0100011h.html");
}

// A source that gives no titles (a server's "404 Not Found" saved as GUTINDEX.ALL) is
// refused with a message, and the catalogue there is stays as it was.
TEST_F(Catalogue, ACatalogueWithoutTitlesReplacesNothing)
{
    sources();
    EXPECT_TRUE(regenerate());
    const QByteArray files = folder.readBytes("GutFiles.txt");
    const struct
    {
        const char *name;
        QByteArray bytes;
        QString message;
    } cases[] = {
        { "gutindex.all", "404 Not Found\nThe requested file is not on this server.\n",
          "The new catalogue has no titles, so the catalogue you have is kept." },
        { "gutindex.all",
          {},
          "The new catalogue has no titles, so the catalogue you have is kept." },
        { "ls-R", "<html><body>Not here</body></html>",
          "Cannot create catalog. Please download and try again." },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        sources();
        folder.writeBytes(k.name, k.bytes);
        messages.clear();
        EXPECT_FALSE(regenerate());
        EXPECT_EQ(messages, QStringList { k.message });
        EXPECT_EQ(folder.readBytes("GutIndex.txt"), kIndex);
        EXPECT_EQ(folder.readBytes("GutFiles.txt"), files);
    }
}

// A write that fails is told, naming the file, and leaves the old index whole.
TEST_F(Catalogue, AFailedWriteIsToldWithItsFile)
{
    sources();
    EXPECT_TRUE(regenerate());
    folder.writeBytes("gutindex.all", QByteArray(kGutindex).replace("Tom Sawyer", "Tom Brown"));
    {
        Seam::Override<FileTable::WriteFaultSeam> full(
            [](const QString &path) { return path.contains("GutIndex.txt") ? ENOSPC : 0; });
        EXPECT_FALSE(regenerate());
    }
    EXPECT_EQ(messages,
              QStringList { "The catalogue could not be saved to " + folder.file("GutIndex.txt")
                            + ": No space left on device" });
    EXPECT_EQ(folder.readBytes("GutIndex.txt"), kIndex);
}

// One Windows-1252 byte in a UTF-8 GUTINDEX.ALL spoils only its own line.
TEST_F(Catalogue, AStrayByteSpoilsOnlyItsLine)
{
    folder.writeBytes("ls-R", kListing);
    folder.writeBytes("GUTINDEX.ALL", QByteArray(kGutindex).replace("Tom Sawyer", "Tom S\xe1wyer"));
    EXPECT_TRUE(regenerate());
    GutBookList list;
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.book(list.Find(QString::fromUtf8("jäämaa")).row).path,
              "/7/2/5/9/72593/72593-0.txt");
    EXPECT_EQ(list.book(list.Find(QString::fromUtf8("Sáwyer")).row).path, "/9/91/91-0.txt");
}

// Cancel stops the parses at their next line; nothing is replaced and no end is reported.
TEST_F(Catalogue, CancelStopsTheParsesAndReplacesNothing)
{
    sources();
    EXPECT_TRUE(regenerate());
    QByteArray big = "<===LISTINGS===>\n";
    for (int i = 0; i < 200000; ++i)
        big += "A long catalogue, by Nobody                      91\n\n";
    folder.writeBytes("gutindex.all", big);
    QSignalSpy finished(&catalogue, &GutCatalogue::Finished);
    QSignalSpy busy(&catalogue, &GutCatalogue::Busy);
    ASSERT_TRUE(catalogue.Regenerate());
    catalogue.Cancel();
    ASSERT_TRUE(busy.wait(30000));
    EXPECT_FALSE(busy.last().at(0).toBool());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_EQ(folder.readBytes("GutIndex.txt"), kIndex);
}

TEST_F(Catalogue, MissingSourcesAndIndexLines)
{
    GutBookList list;
    const GutCatalogueLoad load = catalogue.LoadCatalogue(list);
    EXPECT_FALSE(load.loaded);
    EXPECT_EQ(load.message,
              "Cannot find GutIndex.txt. Please download or generate a new catalogue.");
    EXPECT_EQ(load.dateLine, "No catalogue file. Click Download Catalogue.");
    EXPECT_EQ(load.caption, "Project Gutenberg: Download a catalogue file to begin.");

    // No ls-R: nothing to parse; GUTINDEX.ALL without a file list cannot be used.
    folder.writeBytes("GUTINDEX.ALL", kGutindex);
    EXPECT_FALSE(regenerate());
    EXPECT_EQ(messages, QStringList { "Cannot create catalog. Please download and try again." });
    EXPECT_FALSE(catalogue.HasCatalogue());

    // Lines the reader skips: no comma, the index's own name, no text.
    folder.writeBytes("GutIndex.txt",
                      "/a/b.txt\r\n/x/GUTINDEX.ALL, Index\r\n/c/d.txt,  \r\n/e/f.txt, Fine\r\n");
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.book(0).title, "Fine");

    // An older index in Windows-1252 still loads.
    folder.writeBytes("GutIndex.txt", "/9/91/91.txt, Caf\xe9 stories\r\n");
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.book(0).title, QString::fromUtf8("Café stories"));
}

TEST(GutLibrarySettings, ReadsStoredKeysThenTheOlderOnes)
{
    TempProgramFolder folder;
    const QString root = "https://www.gutenberg.org/dirs/";
    GutLibrarySettings s = GutLibrarySettings::ReadSettings(folder.path());
    EXPECT_EQ(s.bookPath, folder.path() + "/Books/");
    EXPECT_EQ(s.catalogURL, root);
    EXPECT_EQ(s.downloadSource, root);

    // An Orlin.ini that holds only the older keys.
    Settings().StoreSetting("GutenCatalogURL2", "http://old.example/cat/");
    Settings().StoreSetting("GutenDownloadPath2", "http://old.example/books/");
    s = GutLibrarySettings::ReadSettings(folder.path());
    EXPECT_EQ(s.catalogURL, "http://old.example/cat/");
    EXPECT_EQ(s.downloadSource, "http://old.example/books/");

    // What the window stores is what it reads back, after a restart too.
    s.catalogURL = "http://mirror.example/dirs/";
    s.bookPath = "/home/reader/books/";
    s.StoreSettings();
    ASSERT_TRUE(Settings().SaveSettings(folder.file("Orlin.ini")));
    ProcessServices restarted;
    Settings().LoadSettings(folder.file("Orlin.ini"));
    s = GutLibrarySettings::ReadSettings(folder.path());
    EXPECT_EQ(s.catalogURL, "http://mirror.example/dirs/");
    EXPECT_EQ(s.downloadSource, "http://old.example/books/");
    EXPECT_EQ(s.bookPath, "/home/reader/books/");
}

// Books never go into the program folder: the old default gives way to the new one, and
// the program folder is recognised however it is written.
TEST(GutLibrarySettings, TheBookFolderIsNeverTheProgramFolder)
{
    TempProgramFolder folder;
    for (const QString &stored : { folder.path() + "/", folder.path(), folder.path() + "/./" }) {
        Settings().StoreSetting("BookPath", stored);
        EXPECT_EQ(GutLibrarySettings::ReadSettings(folder.path()).bookPath,
                  folder.path() + "/Books/")
            << stored.toStdString();
        EXPECT_TRUE(GutLibrarySettings::IsProgramFolder(stored, folder.path()));
    }
    QDir(folder.path()).mkdir("link-target");
    ASSERT_TRUE(QFile::link(folder.path(), folder.file("link-target/program")));
    EXPECT_TRUE(
        GutLibrarySettings::IsProgramFolder(folder.file("link-target/program"), folder.path()));
    EXPECT_TRUE(
        GutLibrarySettings::IsProgramFolder(QCoreApplication::applicationDirPath(), folder.path()));
    EXPECT_FALSE(GutLibrarySettings::IsProgramFolder(folder.file("Books"), folder.path()));
    EXPECT_FALSE(GutLibrarySettings::IsProgramFolder("", folder.path()));
}

TEST(GutCatalogueDownload, StagesFollowTheFilesAndStopOnFailure)
{
    TempProgramFolder folder;
    using Step = GutCatalogueDownload::Step;
    GutCatalogueDownload d(folder.path());
    const QString cat = "http://127.0.0.1:1/dirs/";

    GutTransferRequest r = d.Start(cat, true);
    EXPECT_EQ(r.url, cat + "ls-R");
    EXPECT_EQ(r.localFile, folder.file(".ls-R.download"));
    EXPECT_EQ(r.maxBytes, GutCatalogueDownload::MaxSourceBytes);
    EXPECT_EQ(d.Tick(false, false).kind, Step::Wait);
    Step s = d.Tick(true, false);
    EXPECT_EQ(s.kind, Step::Fetch);
    EXPECT_EQ(s.request.url, cat + "GUTINDEX.ALL");
    EXPECT_EQ(s.request.localFile, folder.file(".GUTINDEX.ALL.download"));
    s = d.Tick(true, false);
    EXPECT_EQ(s.kind, Step::Fetch);
    EXPECT_EQ(s.request.url, "https://gutenberg.net.au/catalogue.txt");
    s = d.Tick(true, false);
    EXPECT_EQ(s.kind, Step::Parse);
    EXPECT_TRUE(s.withAustralian);
    EXPECT_EQ(d.stage(), GutCatalogueDownload::Idle);

    d.Start(cat, false);
    d.Tick(true, false);
    s = d.Tick(true, false);
    EXPECT_EQ(s.kind, Step::Parse);
    EXPECT_FALSE(s.withAustralian);

    d.Start(cat, false);
    EXPECT_EQ(d.Tick(false, true).kind, Step::Stop);
    EXPECT_EQ(d.stage(), GutCatalogueDownload::Idle);
}

// A source replaces the one there is only when what arrived is that kind of file.
TEST(GutCatalogueDownload, OnlyAGoodSourceReplacesTheOldOne)
{
    using Completion = GutCatalogueDownload::Completion;
    using Step = GutCatalogueDownload::Step;
    const QByteArray good = "./9/91:\n91-0.txt\n";
    const struct
    {
        const char *what;
        QByteArray arrived;
        Completion completion;
    } cases[] = {
        { "a listing", good, Completion::Good },
        { "the server's error page", "<html><body>404 Not Found</body></HTML>\n",
          Completion::ErrorPage },
        { "a large page that is no listing", QByteArray(6000, 'x') + "</html>",
          Completion::NotValid },
        { "plain text", "404 Not Found\n", Completion::NotValid },
        { "nothing", "", Completion::NotValid },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.what);
        TempProgramFolder folder;
        folder.writeBytes("LS-R", "./1/2:\n12.txt\n");
        GutCatalogueDownload d(folder.path());
        const GutTransferRequest r = d.Start("http://127.0.0.1:1/dirs/", false);
        folder.writeBytes(QFileInfo(r.localFile).fileName(), k.arrived);
        EXPECT_EQ(d.DownloadCompleted(), k.completion);
        EXPECT_FALSE(QFile::exists(r.localFile));
        // Over the old file whatever its letter case.
        EXPECT_EQ(folder.readBytes("LS-R"),
                  k.completion == Completion::Good ? good : QByteArray("./1/2:\n12.txt\n"));
        EXPECT_EQ(d.Tick(true, false).kind,
                  k.completion == Completion::Good ? Step::Fetch : Step::Stop);
    }
}

} // namespace
