// The real reader in a portable folder, in a display server of its own, updating itself
// from a local server: Check for Update, Download and Install, Yes; OrlinUpdater replaces
// the files and starts the reader again, whose Quit ends the run. A package with a wrong
// checksum never reaches the installer, and one that climbs out of its folder is refused by
// it; both leave the program as it was. Needs xvfb-run and xdotool.
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

enum class Package { Good, WrongChecksum, PathEscape };

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray sha256(const QString &path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256).toHex();
}

class UpdateEndToEnd : public ::testing::TestWithParam<Package>
{
};

TEST_P(UpdateEndToEnd, TheReaderUpdatesItselfOnlyFromAGoodPackage)
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

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prog = dir.filePath("prog");
    ASSERT_TRUE(QDir().mkpath(prog));
    for (const QString name : { "Orlin", "OrlinUpdater" })
        ASSERT_TRUE(QFile::copy(QDir(bin).filePath(name), QDir(prog).filePath(name)))
            << name.toStdString();
    const QString reader = QDir(prog).filePath("Orlin");
    const QByteArray oldReader = sha256(reader);
    QFile ini(QDir(prog).filePath("Orlin.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("UPDATESERVER," + server->url().toUtf8() + "\r\n");
    ini.close();

    // The new reader is the same program with bytes after its end, which it never reads
    // but which show that the file was replaced.
    const QByteArray newReader = fileBytes(reader) + "ORLIN-TEST-PACKAGE";
    QList<ZipItem> items { { "Orlin", newReader },
                           { "OrlinUpdater", fileBytes(QDir(bin).filePath("OrlinUpdater")) },
                           { "whatsnew.txt", "New in 1.0.1" } };
    if (GetParam() == Package::PathEscape)
        items.append(ZipItem("../escaped.txt", "outside"));
    const QString sha = server->putPackage("pkg/OrlinUpd101.zip", items);
    server->putVersionFile("1.0.1", "/pkg/OrlinUpd@@@.zip",
                           "sha256="
                               + (GetParam() == Package::WrongChecksum ? QString(64, '0') : sha));

    // After Download and Install: Yes to "install it now?", then wait for the old reader
    // to end and quit the one the installer started. A refused package gets no question:
    // the reader is told, and quit.
    const QString afterDownload = GetParam() == Package::WrongChecksum ? QStringLiteral(R"(
timeout 120 sh -c 'until grep -q "checksum does not match" log.txt; do sleep 0.2; done'
xdotool mousemove --window "$win" %1 click 1; ends $pid
)")
                                                                       : QStringLiteral(R"(
box=$(timeout 120 xdotool search --sync --onlyvisible --name '^Orlin$' | head -1)
xdotool windowfocus --sync "$box"; xdotool key Return; ends $pid
new=$(timeout 120 xdotool search --sync --onlyvisible --name '^Orlin 1' | head -1)
npid=$(xdotool getwindowpid "$new"); sleep 1
xdotool mousemove --window "$new" %1 click 1
ends "$npid"
)");
    // Every wait is bounded, so a run that goes wrong still ends with its display server.
    const QString script = QStringLiteral(R"(
ends() { for i in $(seq 600); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.2; done; kill "$1"; }
cd "%1"; ./Orlin & pid=$!
win=$(timeout 60 xdotool search --sync --onlyvisible --name '^Orlin 1' | head -1); sleep 1
xdotool mousemove --window "$win" %2 click 1; sleep 1; xdotool key Up Return
timeout 60 sh -c 'until grep -q "Update available" log.txt; do sleep 0.2; done'
upd=$(xdotool search --onlyvisible --name 'Orlin Updater' | head -1)
xdotool windowfocus --sync "$upd"; xdotool key Return
)")
                               .arg(prog, QString::fromLatin1(kSettingsMenu))
        + afterDownload.arg(QString::fromLatin1(kQuit));

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
    const QString updaterLog = QString::fromLatin1(fileBytes(QDir(prog).filePath("updater.log")));
    const QString log = QString::fromLatin1(fileBytes(QDir(prog).filePath("log.txt")));
    EXPECT_EQ(process.exitCode(), 0) << output;

    switch (GetParam()) {
    case Package::Good:
        EXPECT_EQ(fileBytes(reader), newReader) << updaterLog.toStdString() << output;
        EXPECT_EQ(fileBytes(QDir(prog).filePath("whatsnew.txt")), "New in 1.0.1");
        EXPECT_TRUE(updaterLog.contains("Installer started for \"Orlin 1.0.0\""));
        EXPECT_TRUE(updaterLog.contains("Started " + reader + " again"));
        // The log is the restarted reader's: it started and quit.
        EXPECT_TRUE(log.contains("Program startup.  Orlin 1.0.0"));
        EXPECT_FALSE(log.contains("Update available"));
        break;
    case Package::WrongChecksum:
        EXPECT_EQ(sha256(reader), oldReader);
        EXPECT_TRUE(log.contains("Update package refused: its checksum does not match"));
        EXPECT_TRUE(updaterLog.isEmpty()) << "the installer never ran";
        break;
    case Package::PathEscape:
        EXPECT_EQ(sha256(reader), oldReader);
        EXPECT_TRUE(updaterLog.contains("could not be unpacked safely"))
            << updaterLog.toStdString();
        EXPECT_TRUE(updaterLog.contains("Started " + reader + " again"));
        EXPECT_FALSE(QFile::exists(dir.filePath("escaped.txt")));
        break;
    }
    if (GetParam() != Package::Good) {
        EXPECT_FALSE(QFile::exists(QDir(prog).filePath("whatsnew.txt")));
    }
    EXPECT_FALSE(QFile::exists(QDir(prog).filePath("OrlinUpd.zip")));
}

INSTANTIATE_TEST_SUITE_P(Packages, UpdateEndToEnd,
                         ::testing::Values(Package::Good, Package::WrongChecksum,
                                           Package::PathEscape),
                         [](const ::testing::TestParamInfo<Package> &info) {
                             switch (info.param) {
                             case Package::Good:
                                 return "Good";
                             case Package::WrongChecksum:
                                 return "WrongChecksum";
                             default:
                                 return "PathEscape";
                             }
                         });

} // namespace
