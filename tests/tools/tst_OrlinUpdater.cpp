// The installer end to end: the built OrlinUpdater in a portable folder of its own, with a
// stand-in reader (a script that notes that it was started), installing packages built
// here - good ones, and ones that must change nothing.
#include "support/ZipBuilder.h"

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

#include <gtest/gtest.h>

namespace {

const QByteArray kOldReader = "#!/bin/sh\n# old reader\necho started >> restarted.txt\n";
const QByteArray kNewReader = "#!/bin/sh\n# new reader\necho started >> restarted.txt\n";

using Snapshot = QMap<QString, QPair<QByteArray, int>>;

class Installer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
        if (bin.isEmpty())
            bin = QCoreApplication::applicationDirPath() + "/../bin";
        const QString built = QDir(bin).filePath("OrlinUpdater");
        ASSERT_TRUE(QFile::exists(built)) << "OrlinUpdater is not built: " << qPrintable(built);
        folder = dir.filePath("prog");
        ASSERT_TRUE(QDir().mkpath(folder + "/Languages"));
        ASSERT_TRUE(QFile::copy(built, path("OrlinUpdater")));
        write("Orlin", kOldReader, true);
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

    // The package in the folder and updater.ini naming it; checksum: the line to write
    // ("" for none, "good" for the package's own).
    void handOver(const QList<ZipItem> &items, const QString &checksum = "good")
    {
        ASSERT_TRUE(writeZip(path("OrlinUpd.zip"), items));
        QString ini = "OrlinUpd.zip";
        if (checksum == "good")
            ini += "\r\nsha256="
                + QCryptographicHash::hash(read("OrlinUpd.zip"), QCryptographicHash::Sha256)
                      .toHex();
        else if (!checksum.isEmpty())
            ini += "\r\nsha256=" + checksum;
        write("updater.ini", ini.toLatin1());
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
            static const QStringList handOver { "OrlinUpd.zip", "updater.ini", "updater.log",
                                                "restarted.txt" };
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

    QTemporaryDir dir;
    QString folder;
    QString output;
};

TEST_F(Installer, ReplacesTheProgramFilesAndStartsTheReaderAgain)
{
    handOver({ { "Orlin", kNewReader },
               { "Languages/de.txt", "Deutsch (new)" },
               { "Languages/it.txt", "Italiano" },
               { "docs/", {}, ZipItem::Folder },
               { "docs/news.txt", "What is new" },
               // The maker's settings never replace the user's.
               { "Orlin.ini", "LANGID,English\r\n" } });
    EXPECT_EQ(run(), 0) << output.toStdString();
    EXPECT_EQ(read("Orlin"), kNewReader);
    EXPECT_TRUE(QFile::permissions(path("Orlin")) & QFile::ExeOwner) << "still a program";
    EXPECT_EQ(read("Languages/de.txt"), "Deutsch (new)");
    EXPECT_EQ(read("Languages/it.txt"), "Italiano");
    EXPECT_FALSE(QFile::permissions(path("Languages/it.txt")) & QFile::ExeOwner);
    EXPECT_EQ(read("docs/news.txt"), "What is new");
    EXPECT_EQ(read("Orlin.ini"), "LANGID,Deutsch\r\n");
    EXPECT_EQ(read("BookMarks.ini"), "BOOK.TXT, 12\r\n");
    EXPECT_FALSE(QFile::exists(path("OrlinUpd.zip")));
    EXPECT_FALSE(QFile::exists(path("updater.ini")));
    EXPECT_TRUE(QDir(folder).entryList({ ".Orlin*" }, QDir::AllEntries | QDir::Hidden).isEmpty())
        << "no staging or backup folder left";
    EXPECT_TRUE(read("updater.log").contains("Installer started for \"Orlin - book.txt\""));
    EXPECT_TRUE(restarted());
}

// A package that must not be installed leaves every file as it was, and the old reader is
// started again.
TEST_F(Installer, APackageThatFailsChangesNothing)
{
    struct Case
    {
        const char *name;
        QList<ZipItem> items;
        QString checksum;
        int exitCode;
    } cases[] = {
        { "bad checksum", { { "Orlin", kNewReader } }, QString(64, '0'), 3 },
        { "path escape", { { "Orlin", kNewReader }, { "../escaped.txt", "out" } }, "good", 1 },
        { "absolute path",
          { { "Orlin", kNewReader }, { "/tmp/orlin-escaped.txt", "out" } },
          "good",
          1 },
        { "link",
          { { "Orlin", kNewReader }, { "Languages/de.txt", "/etc/passwd", ZipItem::Symlink } },
          "good",
          1 },
        { "no program", { { "readme.txt", "hello" } }, "", 3 },
        { "not a zip", {}, "", 1 },
        // "zz" meets a folder after Orlin and Languages/de.txt were moved in: both go back.
        { "swap fails",
          { { "Orlin", kNewReader },
            { "Languages/de.txt", "new" },
            { "new/file.txt", "x" },
            { "zz", "a file where a folder is" } },
          "good",
          1 },
    };
    QDir().mkpath(path("zz"));
    write("zz/keep.txt", "kept");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path("restarted.txt"));
        const Snapshot before = snapshot();
        if (c.items.isEmpty()) {
            write("OrlinUpd.zip", "PK but not really a zip file");
            write("updater.ini", "OrlinUpd.zip");
        } else {
            handOver(c.items, c.checksum);
        }
        EXPECT_EQ(run(), c.exitCode) << output.toStdString();
        EXPECT_EQ(snapshot(), before) << output.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("escaped.txt")));
        EXPECT_FALSE(QFile::exists("/tmp/orlin-escaped.txt"));
        EXPECT_FALSE(QDir(path("new")).exists()) << "a folder the update made goes with it";
        EXPECT_FALSE(QFile::exists(path("OrlinUpd.zip"))) << "a refused package is erased";
        EXPECT_TRUE(restarted());
    }
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
        QProcess reader;
        reader.start(path("Orlin"), { QString::number(seconds) });
        ASSERT_TRUE(reader.waitForStarted());
        handOver({ { "Orlin", kNewReader } });
        const Snapshot before = snapshot();
        if (seconds == 30) {
            EXPECT_EQ(run(1), 2) << output.toStdString();
            EXPECT_EQ(snapshot(), before);
            EXPECT_TRUE(QFile::exists(path("OrlinUpd.zip"))) << "kept for the next try";
            EXPECT_FALSE(QFile::exists(path("restarted.txt")));
            reader.kill();
            reader.waitForFinished();
        } else {
            EXPECT_EQ(run(20), 0) << output.toStdString();
            EXPECT_TRUE(output.contains("Waiting for Orlin to end")) << output.toStdString();
            EXPECT_EQ(read("Orlin"), kNewReader);
            EXPECT_TRUE(restarted());
            EXPECT_TRUE(reader.waitForFinished());
        }
    }
}

} // namespace
