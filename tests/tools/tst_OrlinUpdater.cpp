// The installer end to end: the tests' own build of OrlinUpdater (test-bin/, trusting the
// tests' signing key) in a portable folder of its own, with a stand-in reader (a script
// that says its version when asked and otherwise notes that it was started), installing
// packages built here - good ones, and ones that must change nothing.
#include "base/ProgramInfo.h"
#include "net/UpdateVersion.h"
#include "support/UpdateSigning.h"
#include "support/ZipBuilder.h"
#include "tools/UpdateInstaller.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Snapshot = QMap<QString, QPair<QByteArray, int>>;

QString nextVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ProgramInfo::versionMajor())
        .arg(ProgramInfo::versionMinor())
        .arg(ProgramInfo::versionRevision() + 1);
}

// A reader that answers --version with version and otherwise notes that it was started.
QByteArray reader(const QString &version, const char *mark)
{
    return "#!/bin/sh\n# " + QByteArray(mark) + "\n[ \"$1\" = --version ] && { echo 'Orlin "
        + version.toUtf8() + "'; exit 0; }\necho started >> restarted.txt\n";
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

class Installer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
        if (bin.isEmpty())
            bin = QCoreApplication::applicationDirPath() + "/../bin";
        const QString built = QDir(bin).filePath("../test-bin/current/OrlinUpdater");
        ASSERT_TRUE(QFile::exists(built)) << "OrlinUpdater is not built: " << qPrintable(built);
        folder = dir.filePath("prog");
        ASSERT_TRUE(QDir().mkpath(folder + "/Languages"));
        ASSERT_TRUE(QFile::copy(built, path("OrlinUpdater")));
        write("Orlin", oldReader, true);
        write("Languages/de.txt", "Deutsch (old)");
        write("Orlin.ini", "LANGID,Deutsch\r\n");
        write("BookMarks.ini", "BOOK.TXT, 12\r\n");
    }

    QString path(const QString &relative) const { return QDir(folder).filePath(relative); }

    void write(const QString &relative, const QByteArray &bytes, bool executable = false) const
    {
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        if (executable)
            f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    QByteArray read(const QString &relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    struct Signing
    {
        QString version = nextVersion(); // what the signature names
        QString announced = nextVersion(); // what updater.ini names
        SigningKey key = SigningKey::tests();
        bool signThisPackage = true; // false: a signature of another file
        bool signed_ = true;
        QString checksum; // "good", a wrong value, or none
    };

    void handOver(const QList<ZipItem> &items) { handOver(items, Signing()); }
    // The package in the folder, its signature beside it, and updater.ini naming both.
    void handOver(const QList<ZipItem> &items, const Signing &how)
    {
        ASSERT_TRUE(writeZip(path("OrlinUpd.zip"), items));
        const QByteArray signedBytes =
            how.signThisPackage ? read("OrlinUpd.zip") : QByteArray("another file");
        if (how.signed_)
            write("OrlinUpd.zip.minisig", how.key.signVersion(signedBytes, how.version));
        else
            QFile::remove(path("OrlinUpd.zip.minisig"));
        QString ini = "OrlinUpd.zip\r\nversion=" + how.announced;
        if (how.checksum == "good")
            ini += "\r\nsha256="
                + QCryptographicHash::hash(read("OrlinUpd.zip"), QCryptographicHash::Sha256)
                      .toHex();
        else if (!how.checksum.isEmpty())
            ini += "\r\nsha256=" + how.checksum;
        write("updater.ini", ini.toUtf8());
    }

    int run(int waitSeconds = 10)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(path("OrlinUpdater"),
                { QStringLiteral("--wait-seconds=%1").arg(waitSeconds), "Orlin", "-", "book.txt" });
        EXPECT_TRUE(p.waitForFinished(60000));
        output = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    // Every file of the program folder with its permissions, but the hand-over's own.
    Snapshot snapshot() const
    {
        Snapshot files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString relative = QDir(folder).relativeFilePath(it.next());
            static const QStringList handOver { "OrlinUpd.zip", "OrlinUpd.zip.minisig",
                                                "updater.ini", "updater.log", "restarted.txt" };
            if (!handOver.contains(relative))
                files.insert(relative, { read(relative), int(QFile::permissions(path(relative))) });
        }
        return files;
    }

    // The restarted reader writes its note at once; the installer does not wait for it.
    bool restarted() const
    {
        const QDeadlineTimer deadline(10000);
        while (!QFile::exists(path("restarted.txt")) && !deadline.hasExpired())
            QThread::msleep(20);
        return QFile::exists(path("restarted.txt"));
    }

    const QByteArray oldReader = reader(ProgramInfo::versionText(), "old reader");
    const QByteArray newReader = reader(nextVersion(), "new reader");
    QTemporaryDir dir;
    QString folder;
    QString output;
};

TEST_F(Installer, ReplacesTheProgramFilesAndStartsTheReaderAgain)
{
    handOver({ { "Orlin", newReader },
               { "Languages/de.txt", "Deutsch (new)" },
               { "Languages/it.txt", "Italiano" },
               { "docs/", {}, ZipItem::Folder },
               { "docs/news.txt", "What is new" },
               // The maker's settings never replace the user's.
               { "Orlin.ini", "LANGID,English\r\n" } },
             [] {
                 Signing s;
                 s.checksum = "good";
                 return s;
             }());
    EXPECT_EQ(run(), 0) << output.toStdString();
    EXPECT_EQ(read("Orlin"), newReader);
    const mode_t mask = currentUmask();
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path("Orlin")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, UpdateInstaller::installedMode(true, mask)) << "a program";
    ASSERT_EQ(::stat(QFile::encodeName(path("Languages/it.txt")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, UpdateInstaller::installedMode(false, mask));
    EXPECT_EQ(read("Languages/de.txt"), "Deutsch (new)");
    EXPECT_EQ(read("Languages/it.txt"), "Italiano");
    EXPECT_EQ(read("docs/news.txt"), "What is new");
    EXPECT_EQ(read("Orlin.ini"), "LANGID,Deutsch\r\n");
    EXPECT_EQ(read("BookMarks.ini"), "BOOK.TXT, 12\r\n");
    for (const char *gone :
         { "OrlinUpd.zip", "OrlinUpd.zip.minisig", "updater.ini", ".OrlinUpdate.journal" })
        EXPECT_FALSE(QFile::exists(path(gone))) << gone;
    EXPECT_TRUE(QDir(folder).entryList({ ".Orlin*" }, QDir::AllEntries | QDir::Hidden).isEmpty())
        << "no staging or backup folder left";
    const QByteArray log = read("updater.log");
    EXPECT_TRUE(log.contains("Installer started for \"Orlin - book.txt\""));
    EXPECT_TRUE(log.contains("The new program says \"Orlin " + nextVersion().toUtf8() + "\""));
    EXPECT_TRUE(restarted());
}

TEST(InstalledMode, ProgramsAndTheRestWithinTheUmask)
{
    EXPECT_EQ(UpdateInstaller::installedMode(true, 022), 0755u);
    EXPECT_EQ(UpdateInstaller::installedMode(false, 022), 0644u);
    EXPECT_EQ(UpdateInstaller::installedMode(true, 077), 0700u);
    EXPECT_EQ(UpdateInstaller::installedMode(false, 002), 0644u);
}

// A package that must not be installed leaves every file as it was, and the old reader is
// started again.
TEST_F(Installer, APackageThatFailsChangesNothing)
{
    const QList<ZipItem> good { { "Orlin", newReader }, { "Languages/de.txt", "new" } };
    using Adjust = std::function<void(Signing &)>;
    const Adjust asIs = [](Signing &) {};
    const auto versions = [](QString signedAs, QString announced) {
        return [=](Signing &s) {
            s.version = signedAs;
            s.announced = announced;
        };
    };
    struct Case
    {
        const char *name;
        QList<ZipItem> items;
        Adjust signing;
        int exitCode;
    } cases[] = {
        { "unsigned", good, [](Signing &s) { s.signed_ = false; }, 3 },
        { "another key", good, [](Signing &s) { s.key = SigningKey::stranger(); }, 3 },
        { "signature of another file", good, [](Signing &s) { s.signThisPackage = false; }, 3 },
        // A package the maker signed as an older version, offered again as new.
        { "older version replayed", good, versions("0.9.0", "9.9.9"), 3 },
        { "older version", good, versions("0.9.0", "0.9.0"), 3 },
        { "same version", good, versions(ProgramInfo::versionText(), ProgramInfo::versionText()),
          3 },
        { "bad checksum", good, [](Signing &s) { s.checksum = QString(64, '0'); }, 3 },
        { "says another version", { { "Orlin", reader("9.9.9", "liar") } }, asIs, 3 },
        { "no program", { { "readme.txt", "hello" } }, asIs, 3 },
        { "path escape", { { "Orlin", newReader }, { "../escaped.txt", "out" } }, asIs, 1 },
        { "absolute path",
          { { "Orlin", newReader }, { "/tmp/orlin-escaped.txt", "out" } },
          asIs,
          1 },
        { "resource name", { { "Orlin", newReader }, { ":x", "resource?" } }, asIs, 1 },
        { "link",
          { { "Orlin", newReader }, { "Languages/de.txt", "/etc/passwd", ZipItem::Symlink } },
          asIs,
          1 },
        // A file where the folder has a folder: refused before anything moves.
        { "swap fails",
          { { "Orlin", newReader },
            { "Languages/de.txt", "new" },
            { "new/file.txt", "x" },
            { "zz", "a file where a folder is" } },
          asIs,
          1 },
    };
    QDir().mkpath(path("zz"));
    write("zz/keep.txt", "kept");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path("restarted.txt"));
        const Snapshot before = snapshot();
        Signing signing;
        c.signing(signing);
        handOver(c.items, signing);
        EXPECT_EQ(run(), c.exitCode) << output.toStdString();
        EXPECT_EQ(snapshot(), before) << output.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("escaped.txt")));
        EXPECT_FALSE(QFile::exists("/tmp/orlin-escaped.txt"));
        EXPECT_FALSE(QDir(path("new")).exists()) << "a folder the update made goes with it";
        EXPECT_FALSE(QFile::exists(path("OrlinUpd.zip"))) << "a refused package is erased";
        EXPECT_FALSE(QFile::exists(path("OrlinUpd.zip.minisig")));
        EXPECT_TRUE(restarted());
    }
}

// Whatever starts it, the installer changes nothing in an installation the system's
// package manager looks after (a bin/ with share/orlin beside it), and starts nothing.
TEST_F(Installer, LeavesASystemInstallationAlone)
{
    ASSERT_TRUE(QDir().mkpath(dir.filePath("share/orlin")));
    handOver({ { "Orlin", newReader } });
    const Snapshot before = snapshot();
    EXPECT_EQ(run(), 4) << output.toStdString();
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(output.contains("package manager")) << output.toStdString();
    EXPECT_TRUE(QFile::exists(path("OrlinUpd.zip")));
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(path("restarted.txt")));
}

// The reader must have ended before anything is replaced; one that does not end in time
// keeps its files, and is not started a second time.
TEST_F(Installer, WaitsForTheReaderToEnd)
{
    const QString sleep = QStandardPaths::findExecutable("sleep");
    if (sleep.isEmpty())
        GTEST_SKIP() << "no sleep program";
    for (const int seconds : { 30, 1 }) {
        // The running reader: a program whose file is the folder's Orlin.
        QFile::remove(path("Orlin"));
        ASSERT_TRUE(QFile::copy(sleep, path("Orlin")));
        QProcess running;
        running.start(path("Orlin"), { QString::number(seconds) });
        ASSERT_TRUE(running.waitForStarted());
        handOver({ { "Orlin", newReader } });
        const Snapshot before = snapshot();
        if (seconds == 30) {
            EXPECT_EQ(run(1), 2) << output.toStdString();
            EXPECT_EQ(snapshot(), before);
            EXPECT_TRUE(QFile::exists(path("OrlinUpd.zip"))) << "kept for the next try";
            EXPECT_FALSE(QFile::exists(path("restarted.txt")));
            running.kill();
            running.waitForFinished();
        } else {
            EXPECT_EQ(run(20), 0) << output.toStdString();
            EXPECT_TRUE(output.contains("Waiting for Orlin to end")) << output.toStdString();
            EXPECT_EQ(read("Orlin"), newReader);
            EXPECT_TRUE(restarted());
            EXPECT_TRUE(running.waitForFinished());
        }
    }
}

} // namespace
