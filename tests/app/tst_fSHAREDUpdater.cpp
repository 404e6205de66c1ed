// The update window against a real HTTP server on 127.0.0.1 holding the maker's files.
#include "app/fSHAREDUpdater.h"

#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "net/CurlInetControl.h"
#include "net/UpdateCheck.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateSchedule.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedInetControl.h"
#include "support/TempProgramFolder.h"
#include "support/UpdateServer.h"
#include "ui/MessageBoxes.h"
#include "ui/StatusStrip.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QColor kGreen(0, 128, 0);
const QColor kDarkRed(192, 0, 0);

class UpdaterWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server = UpdateServer::start();
        if (!server)
            GTEST_SKIP() << "python3 is not installed";
        Settings().sSet("UpdateServer", server->url());
        UpdateServer::placeInstaller(folder.path());
    }

    bool check(fSHAREDUpdater &w, bool silent = false)
    {
        return w.CheckForUpdate(silent, UpdateCheck::VersionFileUrl(),
                                UpdateCheck::DetailsFileUrl(), UpdateCheck::PackageFileName(), {});
    }

    QString savedPath() const { return QDir::toNativeSeparators(folder.file("OrlinUpd.zip")); }

    TempProgramFolder folder;
    Seam::Override<UpdateHandOff::InstallFolderSeam> installHere { folder.path() };
    QList<MessageBoxes::Message> boxes;
    int answer = MessageBoxes::Yes;
    MessageBoxes::ScopedHandler handler { [this](const MessageBoxes::Message &m) {
        boxes.append(m);
        return answer;
    } };
    std::unique_ptr<UpdateServer> server;
};

TEST_F(UpdaterWindow, ShowsANewerVersionItsDetailsAndSavesThePackage)
{
    const QString sha = server->putPackage(
        "pkg/OrlinUpd991b.zip", { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } });
    server->putVersionFile("9.9.1b", "/pkg/OrlinUpd@@@.zip", "sha256=" + sha.toUpper());
    server->putFile("versions/ORL1_details.txt", "New in 9.9.1b:\nFaster.\r\nSmaller.");

    fSHAREDUpdater w;
    QSignalSpy finished(&w, &fSHAREDUpdater::Finished);
    EXPECT_EQ(w.windowTitle(), ProgramInfo::exeName() + " Updater");
    EXPECT_TRUE(check(w));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(w.lblUpdate->text(), "Version 9.9.1B is available!");
    EXPECT_EQ(w.lblUpdate->palette().color(QPalette::WindowText), kGreen);
    EXPECT_TRUE(w.cmdDownloadInstall->isVisible());
    EXPECT_TRUE(w.cmdDownloadInstall->isDefault()) << "Return goes on to the update";
    EXPECT_FALSE(w.lblSystemInstall->isVisible());
    EXPECT_TRUE(w.cmdCheckAgain->isEnabled());
    EXPECT_TRUE(Settings().sGet("LastUpdateCheck").toString().contains('/'));
    EXPECT_TRUE(boxes.isEmpty());

    EXPECT_FALSE(w.txtDetails->isVisible());
    w.cmdShowDetail_Click();
    EXPECT_TRUE(w.txtDetails->isVisible());
    EXPECT_EQ(w.txtDetails->toPlainText(), "New in 9.9.1b:\nFaster.\nSmaller.");

    w.cmdDownload_Click();
    QFile served(server->folder() + "/pkg/OrlinUpd991b.zip");
    ASSERT_TRUE(served.open(QIODevice::ReadOnly));
    EXPECT_EQ(folder.readBytes("OrlinUpd.zip"), served.readAll());
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text, "File saved to " + savedPath());
}

// What the check says for each kind of answer the server gives.
TEST_F(UpdaterWindow, SaysWhatTheServerAnswered)
{
    const QString failed = "Update check failed. Visit " + ProgramInfo::webSite()
        + " to update this program manually.";
    struct Case
    {
        const char *versionFile; // null: none on the server (an HTML 404 page)
        const char *result;
        QString status;
    } cases[] = {
        { "1.0.0\nhttp://h/p.zip\n", "You're up to date!", "Latest available version is 1.0.0" },
        { "0.9.9z\nhttp://h/p.zip\n", "You're up to date!", "Latest available version is 0.9.9Z" },
        { "9.9.9", "Could not read update status from file",
          "Update check failed, could not read download filename" },
        { "latest\nhttp://h/p.zip\n", "Could not read update status from file",
          "Update check failed, could not read download filename" },
        { "<HTML><body>Moved</body></HTML>\n", "Could not retrieve update status", failed },
        { nullptr, "Could not retrieve update status", failed },
    };
    for (const Case &c : cases) {
        QFile::remove(server->folder() + "/versions/ORL1_current.txt");
        if (c.versionFile)
            server->putFile("versions/ORL1_current.txt", c.versionFile);
        Settings().DeleteSettingByName("LastUpdateCheck");
        fSHAREDUpdater w;
        EXPECT_FALSE(check(w)) << c.result;
        EXPECT_EQ(w.lblUpdate->text(), QString::fromUtf8(c.result));
        EXPECT_EQ(w.lblUpdate->palette().color(QPalette::WindowText), kDarkRed);
        EXPECT_EQ(w.picStatus->text(), c.status);
        // Only a check that read the file counts as done.
        EXPECT_EQ(Settings().IsSettingPresent("LastUpdateCheck"), c.result[0] == 'Y');
    }
}

// The package is kept only when it is a whole package that matches its checksum.
TEST_F(UpdaterWindow, KeepsOnlyAPackageThatPassesEveryRule)
{
    const QList<ZipItem> items { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } };
    const QString sha = server->putPackage("pkg/good.zip", items);
    server->putFile("pkg/small.zip", QByteArray(100, 'x'));
    struct Case
    {
        const char *package;
        QString checksumLine;
        QString status; // empty: saved
    } cases[] = {
        { "/pkg/good.zip", "sha256=" + sha, {} },
        { "/pkg/good.zip", {}, {} },
        { "/pkg/good.zip", "sha256=" + QString(64, 'a'),
          "Error - The downloaded file does not match its checksum and was deleted." },
        { "/pkg/good.zip", "sha256=",
          "Error - The downloaded file does not match its checksum "
          "and was deleted." },
        { "/pkg/missing.zip", {}, "Error - File not found on server." },
        { "/pkg/small.zip",
          {},
          "Error - The downloaded file is too small to be an update package." },
    };
    for (const Case &c : cases) {
        server->putVersionFile("9.9.9", c.package, c.checksumLine);
        boxes.clear();
        fSHAREDUpdater w;
        ASSERT_TRUE(check(w));
        w.cmdDownload_Click();
        EXPECT_EQ(QFile::exists(folder.file("OrlinUpd.zip")), c.status.isEmpty()) << c.package;
        if (c.status.isEmpty()) {
            EXPECT_EQ(boxes.size(), 1);
        } else {
            EXPECT_EQ(w.picStatus->text(), c.status) << c.package;
            EXPECT_TRUE(boxes.isEmpty()) << boxes.value(0).text.toStdString();
        }
        QFile::remove(folder.file("OrlinUpd.zip"));
    }
}

// A download that ends short of the size the server announced is no package.
TEST(UpdateCheck, AShortDownloadIsIncomplete)
{
    TempProgramFolder folder;
    ScriptedInetControl::Scope scope;
    UpdateCheck check;
    QTimer::singleShot(0, [&] {
        scope.last()->chunks = { "2.0.0\nhttp://example.org/OrlinUpd.zip\n" };
        scope.last()->raise({ 7, 8, 12 });
    });
    VersionRecord running { 1, 0, 0, {} };
    ASSERT_TRUE(check.Check("http://example.org/v.txt", {}, "OrlinUpd.zip", running).found);
    QSignalSpy status(&check, &UpdateCheck::Status);
    QTimer::singleShot(0, [&] {
        scope.last()->headers["Content-Length"] = "50000";
        scope.last()->chunks = { UpdateServer::noise(30000) };
        scope.last()->raise({ 7, 8, 12 });
    });
    EXPECT_FALSE(check.DownloadFile(folder.path(), "OrlinUpd.zip", check.DownloadURL()));
    EXPECT_FALSE(QFile::exists(folder.file("OrlinUpd.zip")));
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(),
              "Error - Downloaded file is incomplete. Please retry");
}

// A check made over https vouches only for a package that comes over https too.
TEST_F(UpdaterWindow, AnHttpsCheckTakesOnlyAnHttpsPackage)
{
    QTemporaryDir secureFolder;
    QDir(secureFolder.path()).mkpath("versions");
    auto https = TestServer::https(secureFolder.path());
    if (!https)
        GTEST_SKIP() << "openssl is not installed";
    server->putPackage("pkg/p.zip",
                       { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } });
    QFile versionFile(secureFolder.filePath("versions/ORL1_current.txt"));
    ASSERT_TRUE(versionFile.open(QIODevice::WriteOnly));
    versionFile.write((QStringLiteral("9.9.9\n") + server->url("/pkg/p.zip") + "\n").toUtf8());
    versionFile.close();
    const QString ca = https->caFile();
    Seam::Override<InetControls::FactorySeam> trusting([ca] {
        auto control = std::make_unique<CurlInetControl>();
        control->setCaBundle(ca);
        return control;
    });
    Settings().sSet("UpdateServer", https->url());

    fSHAREDUpdater w;
    ASSERT_TRUE(check(w));
    w.cmdDownload_Click();
    EXPECT_EQ(w.picStatus->text(),
              "Error - The update package must come over a secure connection (https).");
    EXPECT_FALSE(QFile::exists(folder.file("OrlinUpd.zip")));
    EXPECT_FALSE(server->requests().contains("/pkg/p.zip")) << "nothing was asked of http";
}

TEST_F(UpdaterWindow, AnInstallForAllUsersIsUpdatedByThePackageManager)
{
    QTemporaryDir system;
    UpdateServer::placeInstaller(system.path());
    Seam::Override<UpdateHandOff::InstallFolderSeam> elsewhere(system.path());
    server->putPackage("pkg/p.zip",
                       { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } });
    server->putVersionFile("9.9.9", "/pkg/p.zip");

    fSHAREDUpdater w;
    ASSERT_TRUE(check(w));
    EXPECT_FALSE(w.cmdDownloadInstall->isVisible());
    EXPECT_TRUE(w.lblSystemInstall->isVisible());
    EXPECT_TRUE(w.lblSystemInstall->text().contains("package manager"));
    EXPECT_TRUE(w.cmdDownload->isDefault());
    QSignalSpy install(&w, &fSHAREDUpdater::InstallFile);
    w.cmdDownloadInstall_Click();
    EXPECT_EQ(install.count(), 0);
    EXPECT_FALSE(server->requests().contains("/pkg/p.zip"));
}

TEST_F(UpdaterWindow, ExitAndTheCloseBoxStoreTheCheckBox)
{
    server->putVersionFile("1.0.0", "/pkg/p.zip");
    for (const bool byCloseBox : { false, true }) {
        Settings().DeleteSettingByName("DisableAutoUpdateCheck");
        fSHAREDUpdater w;
        QSignalSpy closed(&w, &fSHAREDUpdater::FormClosed);
        check(w);
        EXPECT_TRUE(w.chkDisableAutoUpdate->isChecked()) << "off until the user says otherwise";
        w.chkDisableAutoUpdate->setChecked(false);
        if (byCloseBox)
            w.close();
        else
            w.cmdExit->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(closed.count(), 1);
        EXPECT_FALSE(UpdateSchedule::AutoCheckDisabled());
    }
}

} // namespace
