// The real reader in a portable folder, in a display server of its own, updating itself
// from a local server: Check for Update, Download and Install, Yes; OrlinUpdater verifies and
// replaces the files and starts the new reader, which says its new version in its caption
// and its log. The programs are the tests' own builds (test-bin/), which trust the tests'
// signing key. A package the maker did not sign as the version announced, and a version file
// cut short, are refused by the reader: nothing changes and it keeps running. Needs xvfb-run
// and xdotool.
#include "base/ProgramInfo.h"
#include "support/UpdateServer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The window's Quit button, in pixels from its top-left corner at its starting size, and
// the Settings menu's title.
constexpr const char *kQuit = "584 343";
constexpr const char *kSettingsMenu = "25 10";

enum class Package { Good, Unsigned, OtherKey, OtherFile, OlderReplayed, CutVersionFile };

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray sha256(const QString &path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256).toHex();
}

QString nextVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ProgramInfo::versionMajor())
        .arg(ProgramInfo::versionMinor())
        .arg(ProgramInfo::versionRevision() + 1);
}

class UpdateEndToEnd : public ::testing::TestWithParam<Package>
{
};

TEST_P(UpdateEndToEnd, TheReaderUpdatesItselfOnlyFromAPackageTheMakerSigned)
{
    for (const char *tool : { "xvfb-run", "xdotool" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    }
    auto server = UpdateServer::start();
    if (!server)
        GTEST_SKIP() << "python3 is not installed";
    QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    const QString current = QDir::cleanPath(bin + "/../test-bin/current");
    const QString next = QDir::cleanPath(bin + "/../test-bin/next");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prog = dir.filePath("prog");
    ASSERT_TRUE(QDir().mkpath(prog));
    for (const QString name : { "Orlin", "OrlinUpdater" })
        ASSERT_TRUE(QFile::copy(QDir(current).filePath(name), QDir(prog).filePath(name)))
            << name.toStdString();
    const QString reader = QDir(prog).filePath("Orlin");
    const QByteArray oldReader = sha256(reader);
    QFile ini(QDir(prog).filePath("Orlin.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("UPDATESERVER," + server->url().toUtf8() + "\r\n");
    ini.close();

    // Stored, not compressed: the package is the next build of the reader itself.
    const QByteArray newReader = fileBytes(QDir(next).filePath("Orlin"));
    ASSERT_FALSE(newReader.isEmpty());
    const QList<ZipItem> items { { "Orlin", newReader, ZipItem::File, false },
                                 { "whatsnew.txt", "New in " + nextVersion().toUtf8() } };
    const QString packagePath = "pkg/OrlinUpd" + nextVersion().remove('.') + ".zip";
    const SigningKey key = SigningKey::tests();
    switch (GetParam()) {
    case Package::Unsigned:
        server->putPackage(packagePath, items);
        break;
    case Package::OtherKey:
        server->putSignedPackage(packagePath, items, nextVersion(), SigningKey::stranger());
        break;
    case Package::OtherFile:
        server->putPackage(packagePath, items);
        server->putFile(packagePath + ".minisig", key.signVersion("another file", nextVersion()));
        break;
    case Package::OlderReplayed:
        // The maker's signature names the version running now.
        server->putSignedPackage(packagePath, items, ProgramInfo::versionText());
        break;
    default:
        server->putSignedPackage(packagePath, items, nextVersion());
        break;
    }
    server->putVersionFile(nextVersion(), "/pkg/OrlinUpd@@@.zip");
    if (GetParam() == Package::CutVersionFile)
        server->cut("/versions/ORL1_current.txt");

    // Every wait is bounded, so a run that goes wrong still ends with its display server.
    const QString start = QStringLiteral(R"(
ends() { for i in $(seq 600); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.2; done; kill "$1"; }
waitlog() { timeout 120 sh -c "until grep -q '$1' log.txt; do sleep 0.2; done"; }
cd "%1"; ./Orlin & pid=$!
win=$(timeout 60 xdotool search --sync --onlyvisible --name '^Orlin 1' | head -1); sleep 1
xdotool mousemove --window "$win" %2 click 1; sleep 1; xdotool key Up Return
)")
                              .arg(prog, QString::fromLatin1(kSettingsMenu));
    // Download and Install is the update window's default button.
    const QString download = QStringLiteral(R"(
waitlog 'Update available'
upd=$(xdotool search --onlyvisible --name 'Orlin Updater' | head -1)
xdotool windowfocus --sync "$upd"; xdotool key Return
)");
    // Refused: the reader says so, keeps running, and is quit by the user.
    const QString refused = QStringLiteral(R"(
waitlog '%1'
kill -0 $pid && echo READER-STILL-RUNNING
xdotool mousemove --window "$win" %2 click 1; ends $pid
)");
    QString script = start;
    switch (GetParam()) {
    case Package::Good:
        // Yes to "install it now?", then wait for the old reader to end and quit the one
        // the installer started.
        script += download
            + QStringLiteral(R"(
box=$(timeout 120 xdotool search --sync --onlyvisible --name '^Orlin$' | head -1)
xdotool windowfocus --sync "$box"; xdotool key Return; ends $pid
new=$(timeout 120 xdotool search --sync --onlyvisible --name '^Orlin %1' | head -1)
npid=$(xdotool getwindowpid "$new"); sleep 1
xdotool mousemove --window "$new" %2 click 1
ends "$npid"
)")
                  .arg(nextVersion(), QString::fromLatin1(kQuit));
        break;
    case Package::CutVersionFile:
        script += refused.arg("Update check failed", QString::fromLatin1(kQuit));
        break;
    default:
        script += download + refused.arg("Update package refused", QString::fromLatin1(kQuit));
        break;
    }

    QStringList command { "xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "sh", "-c", script };
    // Real audio needs a sound server; the helper starts a silent one when none runs.
    const QString withAudio = qEnvironmentVariable("ORLIN_SOURCE_DIR") + "/scripts/with-audio";
    if (QFile::exists(withAudio))
        command.prepend(withAudio);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    ASSERT_TRUE(process.waitForFinished(280000)) << "the run did not end";
    const std::string output = process.readAll().toStdString();
    const QString updaterLog = QString::fromUtf8(fileBytes(QDir(prog).filePath("updater.log")));
    const QString log = QString::fromUtf8(fileBytes(QDir(prog).filePath("log.txt")));
    EXPECT_EQ(process.exitCode(), 0) << output;

    if (GetParam() == Package::Good) {
        EXPECT_EQ(fileBytes(reader), newReader) << updaterLog.toStdString() << output;
        EXPECT_EQ(fileBytes(QDir(prog).filePath("whatsnew.txt")), "New in " + nextVersion());
        EXPECT_TRUE(updaterLog.contains("Installer started for \"Orlin "
                                        + ProgramInfo::versionText() + "\""));
        EXPECT_TRUE(updaterLog.contains("The new program says \"Orlin " + nextVersion() + "\""));
        EXPECT_TRUE(updaterLog.contains("Started " + reader + " again"));
        // The log is the restarted reader's: the new version started and quit.
        EXPECT_TRUE(log.contains("Program startup.  Orlin " + nextVersion())) << log.toStdString();
    } else {
        EXPECT_EQ(sha256(reader), oldReader);
        EXPECT_NE(output.find("READER-STILL-RUNNING"), std::string::npos) << output;
        EXPECT_TRUE(updaterLog.isEmpty()) << "the installer never ran";
        EXPECT_FALSE(QFile::exists(QDir(prog).filePath("whatsnew.txt")));
        EXPECT_FALSE(QFile::exists(QDir(prog).filePath("updater.ini")));
        EXPECT_TRUE(QDir(prog).entryList({ "OrlinUpd.*" }, QDir::Files | QDir::Hidden).isEmpty());
        if (GetParam() == Package::CutVersionFile)
            EXPECT_TRUE(log.contains("Update check failed")) << log.toStdString();
        else
            EXPECT_TRUE(log.contains("Update package refused")) << log.toStdString();
    }
    EXPECT_FALSE(QFile::exists(QDir(prog).filePath("OrlinUpd.zip")));
}

INSTANTIATE_TEST_SUITE_P(Packages, UpdateEndToEnd,
                         ::testing::Values(Package::Good, Package::Unsigned, Package::OtherKey,
                                           Package::OtherFile, Package::OlderReplayed,
                                           Package::CutVersionFile),
                         [](const ::testing::TestParamInfo<Package> &info) {
                             switch (info.param) {
                             case Package::Good:
                                 return "Good";
                             case Package::Unsigned:
                                 return "Unsigned";
                             case Package::OtherKey:
                                 return "OtherKey";
                             case Package::OtherFile:
                                 return "SignatureOfAnotherFile";
                             case Package::OlderReplayed:
                                 return "OlderPackageOfferedAsNewer";
                             default:
                                 return "VersionFileCutShort";
                             }
                         });

} // namespace
