// The catalogue files in a program folder: the parse chain from the downloaded
// sources to GutIndex.txt, loading it into the list, the settings keys and the order
// of the catalogue download.
#include "library/GutBookList.h"
#include "library/GutCatalogue.h"
#include "library/GutCatalogueDownload.h"
#include "library/GutLibrarySettings.h"

#include "base/ProcessServices.h"
#include "base/cSHAREDSettings.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const char *const kListing = "./9/91:\n91-0.txt\n91.txt\n\n./7/2/5/9/72593:\n72593-0.txt\n\n"
                             "./7/2/5/9/72590:\n72590-0.txt\n72590-h.zip\n";

const char *const kGutindex = "GUTINDEX.ALL\n\n<===LISTINGS===>\n\n"
                              "Onnen arkku, by Ilmari Jäämaa                    72593\r\n"
                              " [Language: Finnish]\r\n\r\n"
                              "Éhség, by Knut Hamsun                           72590\r\n\r\n"
                              "Tom Sawyer Abroad, by Mark Twain                   91\r\n";

class Catalogue : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    GutCatalogue catalogue { folder.path() };

    void sources()
    {
        folder.writeBytes("ls-R", kListing);
        // Saved by hand under another letter case: still found.
        folder.writeBytes("gutindex.all", kGutindex);
    }
};

TEST_F(Catalogue, RegenerateBuildsTheFilesAndTheListShowsThem)
{
    EXPECT_FALSE(catalogue.UpdateRegenButton());
    sources();
    EXPECT_TRUE(catalogue.UpdateRegenButton());
    QSignalSpy busy(&catalogue, &GutCatalogue::Busy);
    QSignalSpy status(&catalogue, &GutCatalogue::Status);
    catalogue.Regenerate();
    EXPECT_FALSE(catalogue.isBusy());
    EXPECT_EQ(busy.count() % 2, 0);
    EXPECT_EQ(status.last().at(0).toString(), "Catalogue created");

    EXPECT_EQ(folder.readBytes("GutFiles.txt"),
              "/7/2/5/9/72590/72590-0.txt\r\n/7/2/5/9/72590/72590-h.zip\r\n"
              "/7/2/5/9/72593/72593-0.txt\r\n/9/91/91-0.txt\r\n/9/91/91.txt\r\n");
    // UTF-8, CR LF, titles whole.
    EXPECT_EQ(folder.readBytes("GutIndex.txt"),
              "/7/2/5/9/72593/72593-0.txt, Onnen arkku, by Ilmari Jäämaa\r\n"
              "/7/2/5/9/72590/72590-0.txt, Éhség, by Knut Hamsun\r\n"
              "/9/91/91-0.txt, Tom Sawyer Abroad, by Mark Twain\r\n");

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

TEST_F(Catalogue, AustralianRecordsAreAppended)
{
    sources();
    QSignalSpy messages(&catalogue, &GutCatalogue::Message);
    catalogue.ParseAustralianCatalogue();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(),
              "PG Australia file not found. Please download again.");

    folder.writeBytes("catalogue.txt", "<pre>\r\n0100011,0100011,html,Fair Play\r\n</pre>\r\n");
    catalogue.Regenerate();
    GutBookList list;
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.book(list.Find("PG-OZ").row).path, "/0100011/0100011h.html");
}

TEST_F(Catalogue, MissingOrEmptySourcesAreReported)
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
    QSignalSpy messages(&catalogue, &GutCatalogue::Message);
    catalogue.Regenerate();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(),
              "Cannot create catalog. Please download and try again.");
    EXPECT_FALSE(catalogue.HasCatalogue());

    // Lines the reader skips: no comma, the index's own name, no text.
    folder.writeBytes("GutIndex.txt",
                      "/a/b.txt\r\n/x/GUTINDEX.ALL, Index\r\n/c/d.txt,  \r\n/e/f.txt, Fine\r\n");
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.book(0).title, "Fine");
}

// An older index in Windows-1252 still loads.
TEST_F(Catalogue, OlderWindows1252IndexLoads)
{
    folder.writeBytes("GutIndex.txt", "/9/91/91.txt, Caf\xe9 stories\r\n");
    GutBookList list;
    catalogue.LoadCatalogue(list);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.book(0).title, QString::fromUtf8("Café stories"));
}

TEST(GutLibrarySettings, ReadsStoredKeysThenTheOlderOnes)
{
    TempProgramFolder folder;
    const QString root = "https://www.gutenberg.org/dirs/";
    GutLibrarySettings s = GutLibrarySettings::ReadSettings(folder.path());
    EXPECT_EQ(s.bookPath, folder.path() + "/");
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

TEST(GutCatalogueDownload, StagesFollowTheFilesAndStopOnFailure)
{
    TempProgramFolder folder;
    using Step = GutCatalogueDownload::Step;
    GutCatalogueDownload d(folder.path());
    const QString cat = "http://127.0.0.1:1/dirs/";

    GutTransferRequest r = d.Start(cat, true);
    EXPECT_EQ(r.url, cat + "ls-R");
    EXPECT_EQ(r.localFile, folder.file("ls-R"));
    EXPECT_EQ(d.Tick(false, false).kind, Step::Wait);
    Step s = d.Tick(true, false);
    EXPECT_EQ(s.kind, Step::Fetch);
    EXPECT_EQ(s.request.url, cat + "GUTINDEX.ALL");
    EXPECT_EQ(s.request.localFile, folder.file("GUTINDEX.ALL"));
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

    // The server's error page instead of ls-R: deleted, and nothing more is fetched.
    d.Start(cat, false);
    folder.writeBytes("ls-R", "<html><body>404 Not Found</body></HTML>\n");
    EXPECT_FALSE(d.DownloadCompleted());
    EXPECT_FALSE(QFile::exists(folder.file("ls-R")));
    EXPECT_EQ(d.Tick(true, false).kind, Step::Stop);

    // A real file that happens to end in </html> but is large is kept.
    d.Start(cat, false);
    folder.writeBytes("ls-R", QByteArray(6000, 'x') + "</html>");
    EXPECT_TRUE(d.DownloadCompleted());
    d.BeginBook();
    EXPECT_EQ(d.Tick(true, false).kind, Step::Stop);
}

} // namespace
