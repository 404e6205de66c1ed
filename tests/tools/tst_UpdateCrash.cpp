// A swap cut short: the tests' own OrlinUpdater (test-bin/) installs a package that holds the
// next version of the real reader, and kills itself (SIGKILL) at a step of the swap. The next
// start of Orlin, or of OrlinUpdater, must leave the program folder wholly old or wholly new,
// never mixed, with the user's files untouched.
#include "base/ProgramInfo.h"
#include "support/UpdateSigning.h"
#include "support/ZipBuilder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using Files = QMap<QString, QByteArray>;

QString testBin(const QString &variant)
{
    QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath() + "/../bin";
    return QDir::cleanPath(QDir(bin).filePath("../test-bin/" + variant));
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString nextVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ProgramInfo::versionMajor())
        .arg(ProgramInfo::versionMinor())
        .arg(ProgramInfo::versionRevision() + 1);
}

enum class Restart { Reader, Installer };

struct Case
{
    const char *step; // where the installer dies
    Restart restart;
    bool wholeNew; // what the folder must be afterwards
};

class UpdateCrash : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        for (const char *variant : { "current", "next" }) {
            if (!QFile::exists(testBin(QString::fromLatin1(variant)) + "/Orlin"))
                GTEST_FAIL() << "the update test programs are not built in "
                             << qPrintable(testBin(QString::fromLatin1(variant)));
        }
        folder = dir.filePath("prog");
        ASSERT_TRUE(QDir().mkpath(folder));
        oldFiles = { { "Orlin", bytesOf(testBin("current") + "/Orlin") },
                     { "OrlinUpdater", bytesOf(testBin("current") + "/OrlinUpdater") },
                     { "Languages/de.txt", "Deutsch (old)" },
                     { "data/2.txt", "old 2" } };
        newFiles = oldFiles;
        newFiles["Orlin"] = bytesOf(testBin("next") + "/Orlin");
        newFiles["Languages/de.txt"] = "Deutsch (new)";
        newFiles["Languages/it.txt"] = "Italiano";
        for (int i = 0; i < 6; ++i)
            newFiles[QStringLiteral("data/%1.txt").arg(i)] = "new " + QByteArray::number(i);
        newFiles["docs/news.txt"] = "What is new";
        for (auto it = oldFiles.cbegin(); it != oldFiles.cend(); ++it)
            put(it.key(), it.value(), it.key().startsWith("Orlin"));
        put("ol1dict.txt", userDictionary);

        QList<ZipItem> items;
        for (auto it = newFiles.cbegin(); it != newFiles.cend(); ++it)
            items.append(ZipItem(it.key().toUtf8(), it.value(), ZipItem::File, false));
        // The maker's list never replaces the user's.
        items.append(ZipItem("ol1dict.txt", "maker,list"));
        ASSERT_TRUE(writeZip(path("OrlinUpd.zip"), items));
        put("OrlinUpd.zip.minisig",
            SigningKey::tests().signVersion(bytesOf(path("OrlinUpd.zip")), nextVersion()));
        put("updater.ini", "OrlinUpd.zip\r\nversion=" + nextVersion().toUtf8());
    }

    QString path(const QString &relative) const { return QDir(folder).filePath(relative); }

    void put(const QString &relative, const QByteArray &bytes, bool program = false) const
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        if (program)
            f.setPermissions(f.permissions() | QFile::ExeOwner);
    }

    // Whether every file of files is in the folder as it is there, and no file of the other
    // version that files lacks.
    bool folderHolds(const Files &files, const Files &other) const
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            if (bytesOf(path(it.key())) != it.value()) {
                ADD_FAILURE() << qPrintable(it.key()) << " is not as expected";
                return false;
            }
        }
        for (auto it = other.cbegin(); it != other.cend(); ++it) {
            if (!files.contains(it.key()) && QFile::exists(path(it.key()))) {
                ADD_FAILURE() << qPrintable(it.key()) << " should not be there";
                return false;
            }
        }
        return true;
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    // The installer, dying at step.
    void crashAt(const QString &step)
    {
        QProcess installer;
        QProcessEnvironment env = environment();
        env.insert("ORLIN_TEST_KILL_AT", step);
        installer.setProcessEnvironment(env);
        installer.setProcessChannelMode(QProcess::MergedChannels);
        installer.start(path("OrlinUpdater"), { "--wait-seconds=5", "Orlin" });
        ASSERT_TRUE(installer.waitForFinished(120000));
        ASSERT_EQ(installer.exitStatus(), QProcess::CrashExit) << installer.readAll().constData();
        ASSERT_TRUE(QFile::exists(path(".OrlinUpdate.journal"))) << "killed mid-swap";
    }

    // The reader started as a user would: it puts the folder right before its window shows;
    // then it is told to end, as logging out does.
    QString startReader()
    {
        QProcess reader;
        reader.setProcessEnvironment(environment());
        reader.setWorkingDirectory(folder);
        reader.start(path("Orlin"));
        EXPECT_TRUE(reader.waitForStarted(10000));
        const QDeadlineTimer deadline(60000);
        QByteArray log;
        while (!deadline.hasExpired() && reader.state() == QProcess::Running) {
            log = bytesOf(path("log.txt"));
            if (log.contains("interrupted update") && log.contains("Program startup"))
                break;
            QThread::msleep(100);
        }
        ::kill(pid_t(reader.processId()), SIGTERM);
        if (!reader.waitForFinished(30000)) {
            reader.kill();
            reader.waitForFinished();
        }
        return QString::fromUtf8(bytesOf(path("log.txt")));
    }

    QString startInstaller()
    {
        QProcess installer;
        installer.setProcessEnvironment(environment());
        installer.setProcessChannelMode(QProcess::MergedChannels);
        installer.start(path("OrlinUpdater"), { "--wait-seconds=5", "Orlin" });
        EXPECT_TRUE(installer.waitForFinished(120000));
        // It starts the reader again when done: that one is ended here, by its process id.
        const QString output = QString::fromUtf8(installer.readAll());
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            const QStringList pids = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            bool found = false;
            for (const QString &pid : pids) {
                if (QFile::symLinkTarget("/proc/" + pid + "/exe") == path("Orlin")) {
                    ::kill(pid_t(pid.toInt()), SIGTERM);
                    found = true;
                }
            }
            if (found)
                break;
            QThread::msleep(100);
        }
        return output;
    }

    const QByteArray userDictionary = "colour,color\r\n";
    QTemporaryDir dir;
    QString folder;
    Files oldFiles;
    Files newFiles;
};

TEST_P(UpdateCrash, TheNextStartLeavesTheFolderWhollyOldOrWhollyNew)
{
    const Case c = GetParam();
    crashAt(c.step);
    const QString said = c.restart == Restart::Reader ? startReader() : startInstaller();
    EXPECT_FALSE(QFile::exists(path(".OrlinUpdate.journal"))) << said.toStdString();
    if (c.wholeNew) {
        EXPECT_TRUE(folderHolds(newFiles, oldFiles)) << said.toStdString();
    } else {
        EXPECT_TRUE(folderHolds(oldFiles, newFiles)) << said.toStdString();
    }
    EXPECT_EQ(bytesOf(path("ol1dict.txt")), userDictionary);
    EXPECT_TRUE(QDir(folder).entryList({ ".Orlin*" }, QDir::AllEntries | QDir::Hidden).isEmpty())
        << "no staging or backup folder left";
    if (c.restart == Restart::Reader) {
        EXPECT_TRUE(said.contains(c.wholeNew ? "An interrupted update was completed"
                                             : "An interrupted update was undone"))
            << said.toStdString();
    }
}

// The moves in order: Languages/de.txt (0), Languages/it.txt (1), Orlin (2), OrlinUpdater (3),
// data/0..5.txt (4..9), docs/news.txt (10). Killed after "placed 4" the folder holds the new
// reader, which must put the old one back over itself.
INSTANTIATE_TEST_SUITE_P(
    Steps, UpdateCrash,
    ::testing::Values(Case { "aside 0", Restart::Reader, false },
                      Case { "placed 4", Restart::Reader, false },
                      Case { "commit", Restart::Reader, true },
                      Case { "finish", Restart::Reader, true },
                      // The installer started again undoes the half swap, then installs.
                      Case { "placed 4", Restart::Installer, true }),
    [](const ::testing::TestParamInfo<Case> &info) {
        QString name = QString::fromLatin1(info.param.step).replace(' ', '_');
        return (name + (info.param.restart == Restart::Reader ? "_Reader" : "_Installer"))
            .toStdString();
    });

} // namespace
