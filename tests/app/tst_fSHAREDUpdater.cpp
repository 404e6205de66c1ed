// The update window against a real HTTP server on 127.0.0.1 holding the maker's files.
#include "app/fSHAREDUpdater.h"

#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "net/CurlInetControl.h"
#include "net/PackageSignature.h"
#include "net/UpdateCheck.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateSchedule.h"
#include "support/NetServers.h"
#include "support/QStringPrinter.h"
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

#include <gtest/gtest.h>

namespace {

const QColor kGreen(0, 128, 0);

// Whether text is one of the "|"-separated patterns, "*" standing for any text.
bool matches(const QString &patterns, const QString &text)
{
    for (const QString &pattern : patterns.split('|')) {
        const QStringList parts = pattern.split('*');
        qsizetype at = 0;
        bool all = text.startsWith(parts.first()) && text.endsWith(parts.last());
        for (const QString &part : parts) {
            at = all ? text.indexOf(part, at) : -1;
            all = at >= 0;
            at += part.size();
        }
        if (all && (parts.size() > 1 || text == pattern))
            return true;
    }
    return false;
}
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
    // What a refused download leaves in the program folder: nothing of its own.
    QStringList leftOver() const
    {
        return QDir(folder.path()).entryList({ "OrlinUpd.*" }, QDir::Files | QDir::Hidden);
    }

    TempProgramFolder folder;
    Seam::Override<PackageSignature::TrustedKeysSeam> trust {
        { SigningKey::tests().publicKeyLine() }
    };
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
    const QString sha = server->putSignedPackage(
        "pkg/OrlinUpd991b.zip", { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } },
        "9.9.1b");
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
    EXPECT_EQ(folder.readBytes("OrlinUpd.zip.minisig"),
              server->fileBytes("pkg/OrlinUpd991b.zip.minisig"));
    EXPECT_EQ(w.check().AnnouncedVersion(), "9.9.1b");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text, "File saved to " + savedPath());
}

// What the check says for each kind of answer the server gives.
TEST_F(UpdaterWindow, SaysWhatTheServerAnswered)
{
    // The transfer's own reason goes between the two.
    const QString failed =
        "Update check failed*Visit " + ProgramInfo::webSite() + " to update this program manually.";
    struct Case
    {
        QByteArray versionFile; // empty: none on the server (an HTML 404 page)
        const char *result;
        QString status; // "*" stands for any text
        bool cut = false;
    } cases[] = {
        { "1.0.0\nhttp://h/p.zip\n", "You're up to date!", "Latest available version is 1.0.0" },
        { "0.9.9z\nhttp://h/p.zip\n", "You're up to date!", "Latest available version is 0.9.9Z" },
        { "9.9.9", "Could not read update status from file",
          "Update check failed, could not read download filename" },
        { "latest\nhttp://h/p.zip\n", "Could not read update status from file",
          "Update check failed, could not read download filename" },
        { "<HTML><body>Moved</body></HTML>\n", "Could not retrieve update status", failed },
        { {}, "Could not retrieve update status", failed },
        // Cut off before its checksum line: no answer, not an update without a checksum.
        { "2.0.0\nhttp://h/p.zip\nsha256=" + QByteArray(64, 'a') + "\n",
          "Could not retrieve update status", failed, true },
        // Larger than a version file is.
        { "2.0.0\nhttp://h/p.zip\n" + QByteArray(20000, 'x'), "Could not retrieve update status",
          failed },
        { "2.0.0" + QByteArray(100, 'b') + "\nhttp://h/p.zip\n",
          "Could not read update status from file",
          "Update check failed, could not read download filename" },
    };
    for (const Case &c : cases) {
        QFile::remove(server->folder() + "/versions/ORL1_current.txt");
        QFile::remove(server->folder() + "/.cut");
        if (!c.versionFile.isEmpty())
            server->putFile("versions/ORL1_current.txt", c.versionFile);
        if (c.cut)
            server->cut("/versions/ORL1_current.txt");
        Settings().DeleteSettingByName("LastUpdateCheck");
        fSHAREDUpdater w;
        EXPECT_FALSE(check(w)) << c.result;
        EXPECT_EQ(w.lblUpdate->text(), QString::fromUtf8(c.result));
        EXPECT_EQ(w.lblUpdate->palette().color(QPalette::WindowText), kDarkRed);
        EXPECT_TRUE(matches(c.status, w.picStatus->text())) << w.picStatus->text().toStdString();
        // Only a check that read the file counts as done.
        EXPECT_EQ(Settings().IsSettingPresent("LastUpdateCheck"), c.result[0] == 'Y');
    }
}

// The package is kept only when it is a whole package that the maker signed as the version
// the check compared; a refused one leaves nothing in the program folder.
TEST_F(UpdaterWindow, KeepsOnlyAPackageThatPassesEveryRule)
{
    const QList<ZipItem> items { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } };
    const QString sha = server->putSignedPackage("pkg/good.zip", items, "9.9.9");
    server->putSignedPackage("pkg/stranger.zip", items, "9.9.9", SigningKey::stranger());
    server->putSignedPackage("pkg/old.zip", items, "9.9.8");
    server->putPackage("pkg/unsigned.zip", items);
    server->putPackage("pkg/otherfile.zip", items);
    server->putFile("pkg/otherfile.zip.minisig",
                    SigningKey::tests().signVersion("another file", "9.9.9"));
    server->putFile("pkg/small.zip", QByteArray(100, 'x'));
    server->putFile("pkg/small.zip.minisig",
                    SigningKey::tests().signVersion(QByteArray(100, 'x'), "9.9.9"));
    server->putSignedPackage("pkg/cut.zip", items, "9.9.9");
    server->cut("/pkg/cut.zip");
    const QString notSigned =
        "This update is not signed by the maker; download it from " + ProgramInfo::webSite();
    struct Case
    {
        const char *package;
        QString checksumLine;
        QString status; // empty: saved; "*" stands for any text
    } cases[] = {
        { "/pkg/good.zip", "sha256=" + sha, {} },
        { "/pkg/good.zip", {}, {} },
        { "/pkg/good.zip", "sha256=" + QString(64, 'a'),
          "Error - The downloaded file does not match its checksum and was deleted." },
        { "/pkg/unsigned.zip", {}, notSigned },
        { "/pkg/stranger.zip", {}, notSigned },
        { "/pkg/otherfile.zip", {}, notSigned },
        // Signed by the maker, but as an older version than the one announced.
        { "/pkg/old.zip", {}, notSigned },
        // Refused at its signature, or, where the transfer takes a 404 page for a file, as
        // the error page it is.
        { "/pkg/missing.zip", {}, notSigned + "|Error - File not found on server." },
        { "/pkg/cut.zip", {}, "Error - Download failed: *" },
        { "/pkg/small.zip",
          {},
          "Error - The downloaded file is too small to be an update package." },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.package);
        server->putVersionFile("9.9.9", c.package, c.checksumLine);
        boxes.clear();
        fSHAREDUpdater w;
        ASSERT_TRUE(check(w));
        w.cmdDownload_Click();
        EXPECT_EQ(QFile::exists(folder.file("OrlinUpd.zip")), c.status.isEmpty());
        if (c.status.isEmpty()) {
            EXPECT_EQ(boxes.size(), 1);
            EXPECT_EQ(leftOver(), QStringList({ "OrlinUpd.zip", "OrlinUpd.zip.minisig" }));
        } else {
            EXPECT_TRUE(matches(c.status, w.picStatus->text()))
                << w.picStatus->text().toStdString();
            EXPECT_TRUE(boxes.isEmpty()) << boxes.value(0).text.toStdString();
            EXPECT_TRUE(leftOver().isEmpty()) << leftOver().join(' ').toStdString();
        }
        QFile::remove(folder.file("OrlinUpd.zip"));
        QFile::remove(folder.file("OrlinUpd.zip.minisig"));
    }
}

// Text from the server is shown as text, and a message longer than the status strip is
// shown whole.
TEST_F(UpdaterWindow, ShowsServerTextAsPlainTextAndWholeMessages)
{
    server->putVersionFile("9.9.9<b>x", "/pkg/p.zip");
    fSHAREDUpdater w;
    for (QLabel *label : w.findChildren<QLabel *>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    check(w);
    EXPECT_EQ(w.lblUpdate->text(), "Could not read update status from file");

    const QString longMessage = "Error - The downloaded file does not match its checksum and was "
                                "deleted, and this sentence goes on well past the strip: "
        + QString(300, 'x');
    w.ShowStatus(longMessage);
    EXPECT_EQ(w.picStatus->toolTip(), longMessage);
    EXPECT_FALSE(w.lblStatusFull->isHidden());
    EXPECT_EQ(w.lblStatusFull->text().remove(QChar(0x200B)), longMessage);
    EXPECT_LT(w.sizeHint().width(), 1000) << "the window does not grow with the message";
    w.ShowStatus("Data retrieved");
    EXPECT_TRUE(w.lblStatusFull->isHidden());
}

// A check made over https vouches only for a package that comes over https too.
TEST_F(UpdaterWindow, AnHttpsCheckTakesOnlyAnHttpsPackage)
{
    QTemporaryDir secureFolder;
    QDir(secureFolder.path()).mkpath("versions");
    auto https = TestServer::https(secureFolder.path());
    if (!https)
        GTEST_SKIP() << "openssl is not installed";
    server->putSignedPackage(
        "pkg/p.zip", { { "Orlin", UpdateServer::noise(40000), ZipItem::File, false } }, "9.9.9");
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
