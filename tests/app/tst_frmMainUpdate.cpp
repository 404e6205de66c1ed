// The main window's side of the update check: the one-shot timer, the menu item and the
// hand-over to the installer.
#include "app/fSHAREDUpdater.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "net/PackageSignature.h"
#include "net/UpdateCheck.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateSchedule.h"
#include "support/MainWindowHarness.h"
#include "support/UpdateServer.h"
#include "ui/StatusStrip.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Started
{
    QString program;
    QStringList arguments;
    QString folder;
};

class MainWindowUpdates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = UpdateServer::start();
        if (!server)
            GTEST_SKIP() << "python3 is not installed";
        sha = server->putSignedPackage(
            "pkg/OrlinUpd200.zip",
            { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } }, "2.0.0");
        server->putVersionFile("2.0.0", "/pkg/OrlinUpd@@@.zip", "sha256=" + sha);
        UpdateServer::placeInstaller(harness.folder.path());
    }

    // Start-up loads Orlin.ini, so the settings a test wants are written into it first.
    void startWith(const QByteArray &settings, const QString &commandLine = {})
    {
        harness.folder.writeBytes("Orlin.ini",
                                  "UPDATESERVER," + server->url().toUtf8() + "\r\n" + settings);
        ASSERT_TRUE(harness.start(commandLine));
    }
    // Whether the version file was asked for since the last call.
    bool versionFileAsked()
    {
        const QByteArray all = server->requests();
        const bool asked = all.mid(m_seen).contains("/versions/ORL1_current.txt");
        m_seen = all.size();
        return asked;
    }

    MainWindowHarness harness;
    Seam::Override<PackageSignature::TrustedKeysSeam> trust {
        { SigningKey::tests().publicKeyLine() }
    };
    Seam::Override<UpdateHandOff::InstallFolderSeam> installHere { harness.folder.path() };
    QList<MessageBoxes::Message> boxes;
    int answer = MessageBoxes::Yes;
    MessageBoxes::ScopedHandler handler { [this](const MessageBoxes::Message &m) {
        boxes.append(m);
        return answer;
    } };
    QList<Started> started;
    bool startWorks = true;
    Seam::Override<UpdateHandOff::StartSeam> starter {
        [this](const QString &program, const QStringList &arguments, const QString &folder) {
            started.append({ program, arguments, folder });
            return startWorks;
        }
    };
    std::unique_ptr<UpdateServer> server;
    QString sha;

private:
    qsizetype m_seen = 0;
};

// The automatic check runs only when the user switched it on and a week has passed.
TEST_F(MainWindowUpdates, TheTimerChecksOnlyWhenAllowedAndDue)
{
    const QByteArray today = QByteArray::number(UpdateSchedule::TodayNumber());
    struct Case
    {
        QByteArray settings;
        bool checks;
    } cases[] = {
        { "", false },
        { "DISABLEAUTOUPDATECHECK,-1\r\n", false },
        { "DISABLEAUTOUPDATECHECK, 0 \r\nLASTUPDATECHECK, " + today + " \r\n", false },
        { "DISABLEAUTOUPDATECHECK, 0 \r\n", true },
    };
    for (const Case &c : cases) {
        boxes.clear();
        versionFileAsked();
        startWith(c.settings);
        ASSERT_NE(harness.window->Updater(), nullptr) << "made at start-up, not shown";
        EXPECT_FALSE(harness.window->Updater()->isVisible());
        answer = MessageBoxes::No;
        harness.window->Timer3_Timer();
        EXPECT_FALSE(control<QTimer>(*harness.window, "Timer3")->isActive());
        EXPECT_EQ(versionFileAsked(), c.checks) << c.settings.constData();
        if (c.checks) {
            // Silent: the user is asked, and said No, so no window.
            ASSERT_EQ(boxes.size(), 1);
            EXPECT_EQ(boxes.first().text,
                      "An update is available. Would you like to view the details now?");
            EXPECT_FALSE(harness.window->Updater()->isVisible());
        } else {
            EXPECT_TRUE(boxes.isEmpty());
        }
        harness.window->CloseDown();
        harness.window.reset();
    }
}

// Yes to the silent check's question shows the window modally, until Exit.
TEST_F(MainWindowUpdates, ASilentCheckShowsTheWindowWhenTheUserWantsIt)
{
    startWith("DISABLEAUTOUPDATECHECK, 0 \r\n");
    fSHAREDUpdater *updater = harness.window->Updater();
    bool shownModally = false;
    MessageBoxes::ScopedHandler yes([&](const MessageBoxes::Message &) {
        // Runs once the window is held modally, not in the check's own wait before it.
        QTimer::singleShot(0, [&] {
            shownModally = QApplication::activeModalWidget() == updater;
            updater->cmdExit->click();
        });
        return int(MessageBoxes::Yes);
    });
    harness.window->Timer3_Timer();
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(updater->isVisible());
    EXPECT_EQ(updater->lblUpdate->text(), "Version 2.0.0 is available!");
}

TEST_F(MainWindowUpdates, InstallHandsOverToTheInstallerAndClosesDown)
{
    startWith("DISABLEAUTOUPDATECHECK, 0 \r\n");
    frmMain &w = *harness.window;
    const QString caption = w.windowTitle();
    w.mnuCheckForUpdate_Click();
    EXPECT_FALSE(control<QTimer>(w, "Timer3")->isActive()) << "the menu stops the timer too";
    fSHAREDUpdater *updater = w.Updater();
    ASSERT_TRUE(updater->isVisible());
    EXPECT_EQ(updater->lblUpdate->text(), "Version 2.0.0 is available!");

    updater->cmdDownloadInstall_Click();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text, "The update has been downloaded. Do you want to install it now?");
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started.first().program, QDir(harness.folder.path()).filePath("OrlinUpdater"));
    EXPECT_EQ(started.first().arguments, QStringList { caption });
    EXPECT_EQ(started.first().folder, harness.folder.path());
    EXPECT_EQ(harness.folder.readBytes("updater.ini"),
              "OrlinUpd.zip\r\npackage=OrlinUpd.zip\r\nversion=2.0.0\r\nsha256=" + sha.toLatin1());
    EXPECT_TRUE(QFile::exists(harness.folder.file("OrlinUpd.zip")));
    EXPECT_TRUE(QFile::exists(harness.folder.file("OrlinUpd.zip.minisig")));
    EXPECT_TRUE(w.isClosedDown());
    EXPECT_FALSE(updater->isVisible());
    // Close-down saved the settings, the check box's choice among them.
    EXPECT_TRUE(harness.folder.readBytes("Orlin.ini").contains("DISABLEAUTOUPDATECHECK, 0"));
}

TEST_F(MainWindowUpdates, AnInstallerThatDoesNotStartLeavesTheReaderRunning)
{
    startWith({});
    startWorks = false;
    frmMain &w = *harness.window;
    w.mnuCheckForUpdate_Click();
    w.Updater()->cmdDownloadInstall_Click();
    EXPECT_EQ(started.size(), 1);
    EXPECT_FALSE(w.isClosedDown());
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes.last().text.startsWith("The installer could not be started."));
}

} // namespace
