// The library window over its logic: what it shows, the search and the book shown,
// its settings, the checks before a download, and the whole catalogue road against a
// local mirror.
#include "app/fSHAREDGut.h"

#include "base/Desktop.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "library/GutenbergHosts.h"
#include "support/GutenbergMirror.h"
#include "support/MainWindowHarness.h"
#include "support/NetServers.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxDialog.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>
#include <optional>

namespace {

// Answers the window's questions as the test says and records every message.
class Boxes
{
public:
    Boxes()
        : m_handler([this](const MessageBoxes::Message &m) {
            texts.append(m.text);
            if (m.buttons & MessageBoxes::Yes)
                return int(m.text.contains("Australia") ? australia : replace);
            return int(m.buttons & MessageBoxes::Ok ? MessageBoxes::Ok : MessageBoxes::Cancel);
        })
    {
    }
    QStringList texts;
    MessageBoxes::Button australia = MessageBoxes::No;
    MessageBoxes::Button replace = MessageBoxes::Yes;

private:
    MessageBoxes::ScopedHandler m_handler;
};

// The addresses the window hands to the browser.
class Browser
{
public:
    QList<QUrl> opened;

private:
    Seam::Override<Desktop::OpenSeam> m_seam { [this](const QUrl &url) {
        opened.append(url);
        return true;
    } };
};

QString text(const fSHAREDGut &w, const char *name)
{
    if (auto *label = w.findChild<QLabel *>(name))
        return label->text();
    return control<QLineEdit>(w, name)->text();
}

void setField(const fSHAREDGut &w, const char *name, const QString &value)
{
    auto *field = control<QLineEdit>(w, name);
    field->setText(value);
    field->setModified(true);
}

const char *const kIndex = "/9/91/91-0.txt, Tom Sawyer Abroad, by Mark Twain\r\n"
                           "/7/74/74-0.txt, The Adventures of Tom Sawyer, by Mark Twain\r\n"
                           "/9/95/95-0.txt, The Prisoner of Zenda, by Anthony Hope\r\n"
                           "/0100011/0100011h.html, *PG-OZ* Fair Play by Arthur Kail\r\n"
                           "/GUTINDEX.ALL, skipped\r\n";

TEST(fSHAREDGut, OpensWithoutACatalogue)
{
    TempProgramFolder folder;
    Boxes boxes;
    fSHAREDGut w;
    EXPECT_EQ(w.windowTitle(), "Project Gutenberg: Download a catalogue file to begin.");
    EXPECT_EQ(text(w, "lblCatalogueDate"), "No catalogue file. Click Download Catalogue.");
    // Said once the window is there to say it over.
    EXPECT_TRUE(boxes.texts.isEmpty());
    w.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.texts.isEmpty(); }, 5000));
    EXPECT_EQ(boxes.texts,
              QStringList { "Cannot find GutIndex.txt. Please download or generate a new "
                            "catalogue." });
    EXPECT_FALSE(control<QPushButton>(w, "cmdRegenCatalogue")->isEnabled());
    // Books have a folder of their own, never the program folder.
    EXPECT_EQ(text(w, "txtDownloadPath"), folder.path() + "/Books/");
    EXPECT_EQ(text(w, "txtCatalogURL"), GutenbergHosts::FileTreeRoot());
    EXPECT_EQ(text(w, "txtDLSource"), GutenbergHosts::FileTreeRoot());
    // Nothing chosen yet: neither a download nor a bookseller search.
    boxes.texts.clear();
    w.cmdDownloadAndRead_Click();
    w.cmdAmazon_Click();
    EXPECT_EQ(boxes.texts,
              QStringList({ "Please select a book from the list first",
                            "Please select a book from the list first" }));
    EXPECT_FALSE(w.isWorking());
    EXPECT_TRUE(w.FileToLoad().isEmpty());
}

TEST(fSHAREDGut, FindNextAndTheBookShown)
{
    TempProgramFolder folder;
    folder.writeBytes("GutIndex.txt", kIndex);
    Boxes boxes;
    Browser browser;
    fSHAREDGut w;
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_EQ(w.windowTitle(), "Project Gutenberg: 4 titles.");
    EXPECT_TRUE(text(w, "lblCatalogueDate").startsWith("Catalogue last updated: "));
    // A mirror typed without its closing "/".
    setField(w, "txtDLSource", "http://mirror.example/gutenberg");

    setField(w, "txtSearch", "SAWYER");
    w.cmdFind_Click();
    EXPECT_EQ(text(w, "lblTitle"), "The Adventures of Tom Sawyer, by Mark Twain");
    EXPECT_EQ(text(w, "txtUrl"), "http://mirror.example/gutenberg/7/74/74-0.txt");
    EXPECT_EQ(text(w, "lblFilename"), "74-0.txt");
    w.cmdFindNext_Click();
    EXPECT_EQ(text(w, "lblTitle"), "Tom Sawyer Abroad, by Mark Twain");
    // Past the last match Next wraps to the first.
    w.cmdFindNext_Click();
    EXPECT_EQ(text(w, "lblTitle"), "The Adventures of Tom Sawyer, by Mark Twain");
    EXPECT_EQ(w.selectedRow(), 1);

    // The only match is found again where it stands.
    setField(w, "txtSearch", "zenda");
    w.cmdFind_Click();
    setField(w, "txtUrl", "edited by hand");
    w.cmdFindNext_Click();
    EXPECT_EQ(text(w, "txtUrl"), "http://mirror.example/gutenberg/9/95/95-0.txt");

    // A click: an Australian book comes from its own site whatever the source says.
    auto *view = control<QTreeView>(w, "ListView1");
    view->setCurrentIndex(view->model()->index(0, 0));
    EXPECT_EQ(text(w, "txtUrl"), GutenbergHosts::AustralianRoot() + "0100011/0100011h.html");
    w.cmdAmazon_Click();
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_TRUE(browser.opened.at(0).toEncoded().contains("keywords=Fair%20Play%20Arthur%20Kail"))
        << browser.opened.at(0).toString().toStdString();

    setField(w, "txtSearch", "");
    w.cmdFindNext_Click();
    setField(w, "txtSearch", "no such book");
    w.cmdFind_Click();
    EXPECT_EQ(boxes.texts,
              QStringList({ "Please enter one or more words to search for", "No matches" }));
}

TEST(fSHAREDGut, UseWebOpensTheFileTreeAndRegenBuildsFromWhatCame)
{
    TempProgramFolder folder;
    Boxes boxes;
    Browser browser;
    fSHAREDGut w;
    boxes.texts.clear();
    // The user saves the two files while the question waits.
    folder.writeBytes("LS-R", "./9/91:\n91-0.txt\n");
    folder.writeBytes("Gutindex.all",
                      "<===LISTINGS===>\n\nTom Sawyer Abroad, by Mark Twain"
                      "                                        91\n");
    w.cmdWebCat_Click();
    EXPECT_EQ(browser.opened, QList<QUrl>({ QUrl(GutenbergHosts::FileTreeRoot()) }));
    ASSERT_EQ(boxes.texts.size(), 2);
    EXPECT_TRUE(boxes.texts.at(0).contains(folder.path()));
    EXPECT_TRUE(control<QPushButton>(w, "cmdRegenCatalogue")->isEnabled());

    w.cmdRegenCatalogue_Click();
    // The parses run on a worker thread; the window shows their result when they end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 30000));
    EXPECT_EQ(w.windowTitle(), "Project Gutenberg: 1 titles.");
}

TEST(fSHAREDGut, EditedAddressesSurviveAndDefaultsComeBack)
{
    TempProgramFolder folder;
    Boxes boxes;
    // An older settings file with only the keys nothing wrote.
    Settings().StoreSetting("GutenCatalogURL2", "http://old.example/dirs/");
    {
        fSHAREDGut w;
        EXPECT_EQ(text(w, "txtCatalogURL"), "http://old.example/dirs/");
        setField(w, "txtDLSource", "http://mirror.example/files/");
        w.show();
        // Closing by the title bar is Exit.
        w.close();
        EXPECT_FALSE(w.isVisible());
    }
    fSHAREDGut again;
    EXPECT_EQ(text(again, "txtDLSource"), "http://mirror.example/files/");
    again.cmdDefaults_Click();
    EXPECT_EQ(text(again, "txtCatalogURL"), GutenbergHosts::FileTreeRoot());
    EXPECT_EQ(text(again, "txtDLSource"), GutenbergHosts::FileTreeRoot());
}

// What the window tells may carry a server's words or a title: the message box never
// reads it as markup.
TEST(fSHAREDGut, MessagesAreShownAsPlainText)
{
    TempProgramFolder folder;
    folder.writeBytes("GutIndex.txt", "/9/91/91-0.txt, <h1>URGENT: CLICK</h1>, by Nobody\r\n");
    MessageBoxes::ScopedHandler real(&MessageBoxDialog::exec);
    fSHAREDGut w;
    EXPECT_EQ(w.windowTitle(), "Project Gutenberg: 1 titles.");
    std::optional<Qt::TextFormat> format;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            format = box->textFormat();
            box->reject();
        }
    });
    setField(w, "txtSearch", "<b>no such book</b>");
    w.cmdFind_Click();
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(*format, Qt::PlainText);
    setField(w, "txtSearch", "urgent");
    w.cmdFind_Click();
    EXPECT_EQ(control<QLabel>(w, "lblTitle")->textFormat(), Qt::PlainText);
    EXPECT_EQ(text(w, "lblTitle"), "<h1>URGENT: CLICK</h1>, by Nobody");
}

// Stop in the transfer window ends a book download as a failure: nothing is kept or
// opened, and the window takes the next click.
TEST(fSHAREDGut, StopEndsADownload)
{
    auto server = TestServer::faults();
    if (!server)
        GTEST_SKIP() << "python3 not installed";
    TempProgramFolder folder;
    folder.writeBytes("GutIndex.txt", "/stall/4096, A Book That Never Ends, by Nobody\r\n");
    Boxes boxes;
    fSHAREDGut w;
    setField(w, "txtDLSource", server->url("/"));
    setField(w, "txtSearch", "never");
    w.cmdFind_Click();
    w.cmdDownloadAndRead_Click();
    auto *stop = w.findChild<QPushButton *>("cmdStop");
    ASSERT_NE(stop, nullptr);
    const auto arriving = [&] {
        return !QDir(folder.file("Books"))
                    .entryList({ ".orlin-part-*" }, QDir::Files | QDir::Hidden)
                    .isEmpty();
    };
    ASSERT_TRUE(QTest::qWaitFor(arriving, 10000));
    // While it works, the buttons that would start other work say so.
    for (const char *button :
         { "cmdDownload", "cmdDownloadAndRead", "cmdUpdateCat", "cmdWebCat", "cmdRegenCatalogue" })
        EXPECT_FALSE(control<QPushButton>(w, button)->isEnabled()) << button;
    stop->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 10000));
    EXPECT_EQ(text(w, "lblStatus"), "Download cancelled");
    EXPECT_FALSE(arriving());
    EXPECT_EQ(QDir(folder.file("Books")).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(w.FileToLoad().isEmpty());
    EXPECT_TRUE(boxes.texts.isEmpty());
    for (const char *button : { "cmdDownload", "cmdDownloadAndRead", "cmdUpdateCat" })
        EXPECT_TRUE(control<QPushButton>(w, button)->isEnabled()) << button;
}

// A copy of the file tree on this computer serves as catalogue address and download
// source, as a folder or as a file: address; a re-download that fails, from a server
// answering with errors, keeps the catalogue and Regen working.
TEST(fSHAREDGut, LocalMirrorsAndFailedRedownloads)
{
    GutenbergMirror mirror;
    if (!mirror.build())
        GTEST_SKIP() << "shared corpora not present";
    auto faults = TestServer::faults();
    if (!faults)
        GTEST_SKIP() << "python3 not installed";
    TempProgramFolder folder;
    Boxes boxes;
    fSHAREDGut w;
    // Shown: a failed download is told in a message box, besides the status line.
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.texts.isEmpty(); }, 5000));
    boxes.texts.clear();

    setField(w, "txtCatalogURL", mirror.path());
    w.cmdUpdateCat_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 60000));
    EXPECT_EQ(w.windowTitle(),
              QString("Project Gutenberg: %1 titles.").arg(GutenbergMirror::kBooks));
    // Only the question about Australia.
    EXPECT_EQ(boxes.texts.size(), 1) << boxes.texts.join(" | ").toStdString();

    setField(w, "txtDLSource", "file://" + mirror.path());
    setField(w, "txtSearch", "zenda");
    w.cmdFind_Click();
    w.cmdDownload_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 30000));
    const QString saved = folder.file("Books/The Prisoner of Zenda  by Anthony Hope - 95-0.txt");
    QFile book(saved);
    ASSERT_TRUE(book.open(QIODevice::ReadOnly)) << boxes.texts.join(" | ").toStdString();
    QFile original(mirror.file("9/95/95-0.txt"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(book.readAll(), original.readAll());

    const QByteArray index = folder.readBytes("GutIndex.txt");
    const QByteArray listing = folder.readBytes("ls-R");
    const struct
    {
        QString catalogue;
        QString message;
    } failures[] = {
        { faults->url("/status/404/text/"),
          "The server answered 404 Not Found for " + faults->url("/status/404/text/ls-R") },
        { faults->url("/status/500/html/"),
          "The server answered 500 Internal Server Error for "
              + faults->url("/status/500/html/ls-R") },
        { mirror.path() + "/missing",
          "The file " + mirror.path() + "/missing/ls-R does not exist." },
    };
    for (const auto &k : failures) {
        SCOPED_TRACE(k.catalogue.toStdString());
        boxes.texts.clear();
        setField(w, "txtCatalogURL", k.catalogue);
        w.cmdUpdateCat_Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 30000));
        // "You already have a catalogue", the question about Australia, then the failure.
        EXPECT_EQ(boxes.texts.mid(2), QStringList { k.message });
        EXPECT_EQ(folder.readBytes("GutIndex.txt"), index);
        EXPECT_EQ(folder.readBytes("ls-R"), listing);
        EXPECT_TRUE(control<QPushButton>(w, "cmdRegenCatalogue")->isEnabled());
    }
    w.cmdRegenCatalogue_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 30000));
    EXPECT_EQ(w.windowTitle(),
              QString("Project Gutenberg: %1 titles.").arg(GutenbergMirror::kBooks));
}

// Download Catalogue against a local mirror: the three stages, the parses, the list, and
// a title found where the server has it.
TEST(fSHAREDGut, CatalogueRoad)
{
    GutenbergMirror mirror;
    if (!mirror.build())
        GTEST_SKIP() << "shared corpora not present";
    // A mirror whose listing is the server's error page.
    mirror.write("broken/ls-R", "<html><body><h1>Not here</h1></body></html>");
    auto server = TestServer::http(mirror.path());
    if (!server)
        GTEST_SKIP() << "python3 not installed";
    TempProgramFolder folder;
    Boxes boxes;
    fSHAREDGut w;
    boxes.texts.clear();

    setField(w, "txtCatalogURL", server->url("/broken"));
    w.cmdUpdateCat_Click();
    EXPECT_TRUE(w.isWorking());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 30000));
    EXPECT_TRUE(
        boxes.texts.contains("File not found on server. Please check the URL and try again."));
    EXPECT_FALSE(QFile::exists(folder.file("ls-R")));
    EXPECT_FALSE(QFile::exists(folder.file("GUTINDEX.ALL")));

    boxes.texts.clear();
    setField(w, "txtCatalogURL", server->url("/"));
    setField(w, "txtDLSource", server->url("/"));
    w.cmdUpdateCat_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isWorking(); }, 60000));
    EXPECT_EQ(boxes.texts.size(), 1) << boxes.texts.join(" | ").toStdString();
    EXPECT_EQ(w.windowTitle(),
              QString("Project Gutenberg: %1 titles.").arg(GutenbergMirror::kBooks));
    EXPECT_TRUE(folder.readBytes("GutFiles.txt").contains("/1/4/0/1404/1404.txt\r\n"));
    EXPECT_TRUE(folder.readBytes("GutIndex.txt")
                    .contains("/7/2/5/9/72593/72593-0.txt, Onnen arkku, by Ilmari Jäämaa\r\n"));

    const std::pair<const char *, const char *> finds[] = {
        { "zenda", "/9/95/95-0.txt" },
        // The author on the line after a long title.
        { "willa cather", "/9/94/94-0.txt" },
        { "JÄÄMAA", "/7/2/5/9/72593/72593-0.txt" },
        { "federalist", "/1/4/0/1404/1404.txt" },
    };
    for (const auto &[search, path] : finds) {
        setField(w, "txtSearch", QString::fromUtf8(search));
        w.cmdFind_Click();
        EXPECT_EQ(text(w, "txtUrl"), server->url(path)) << search;
        EXPECT_TRUE(QFile::exists(mirror.file(QString(path).mid(1)))) << path;
    }

    // A second download asks first; No leaves everything as it is.
    boxes.texts.clear();
    boxes.replace = MessageBoxes::No;
    w.cmdUpdateCat_Click();
    EXPECT_FALSE(w.isWorking());
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts.at(0).startsWith("You already have a catalogue."));
}

} // namespace
