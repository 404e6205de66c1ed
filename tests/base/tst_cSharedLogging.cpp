#include "base/cSharedLogging.h"

#include "base/Failure.h"
#include "base/FileTable.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSharedFileSubs.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QRegularExpression>

#include <cerrno>
#include <gtest/gtest.h>

namespace {

class LogFile : public ::testing::Test
{
protected:
    TempProgramFolder folder;

    QStringList lines() const
    {
        const QByteArray bytes = folder.readBytes("log.txt");
        EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
        QStringList result = QString::fromLatin1(bytes).split("\r\n");
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }
    // The text after "N HH:mm:ss, ".
    static QString textOf(const QString &line)
    {
        static const QRegularExpression shape("^\\d+ \\d\\d:\\d\\d:\\d\\d, ");
        const auto match = shape.match(line);
        EXPECT_TRUE(match.hasMatch()) << line.toStdString();
        return line.mid(match.capturedLength());
    }
    QStringList texts() const
    {
        QStringList result;
        for (const QString &line : lines())
            result << textOf(line);
        return result;
    }
};

TEST_F(LogFile, AFreshLogStartsWithTheSixHeaderLines)
{
    folder.writeBytes("log.txt", "1 10:00:00, last run\r\n");
    cSharedLogging log;
    log.LogEvent("Program startup.  Orlin 1.0.0", true);
    EXPECT_EQ(log.CurrentLogFilename(), folder.file("log.txt"));
    const QStringList expected {
        "Log file created ",
        "Operating System: " + cSharedLogging::fOSName(),
        "App: " + ProgramInfo::exeName(),
        "Version: " + ProgramInfo::versionText(),
        "Curdir: " + QDir::currentPath(),
        "App path: " + folder.path(),
        "Program startup.  Orlin 1.0.0",
    };
    EXPECT_EQ(texts(), expected);
    EXPECT_TRUE(lines().first().startsWith("1 "));

    log.LogEvent("second");
    EXPECT_EQ(texts().size(), 8);
    EXPECT_EQ(texts().last(), "second");
}

TEST_F(LogFile, TraceEntriesAreWrittenOnTheTwentyFirstInTheirOrder)
{
    cSharedLogging log;
    log.LogEvent("start", true);
    for (int i = 1; i <= 20; ++i)
        log.AddAction(QString("step %1").arg(i), "Proc", "Mod");
    EXPECT_EQ(texts().size(), 7);
    EXPECT_EQ(log.CurrentAction(), "step 20 in Proc of module Mod");

    // An event goes straight to the file, above the older entries still waiting.
    log.LogEvent("event while pending");
    log.AddDebug("note", "", "Mod");
    const QStringList all = texts();
    ASSERT_EQ(all.size(), 7 + 1 + 21);
    EXPECT_EQ(all[7], "event while pending");
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(all[7 + i], QString("step %1 in Proc of module Mod").arg(i));
    EXPECT_EQ(all.last(), "DBG: note of module Mod");
    EXPECT_EQ(log.CurrentAction(), "");
    EXPECT_EQ(log.PendingCount(), 0);
}

TEST_F(LogFile, EntryTextsAndErrors)
{
    {
        cSharedLogging log;
        log.LogEvent("start", true);
        log.AddAction("plain");
        log.AddAction("sub only", "Sub");
        log.LogError(Failure(61, "Disk full"), "SaveSettings", "cSHAREDSettings");
        log.AddAction("left for the destructor", "", "");
    }
    const QStringList all = texts();
    ASSERT_EQ(all.size(), 11);
    EXPECT_EQ(all.mid(7),
              (QStringList { "Error 61 (Disk full) in SaveSettings of cSHAREDSettings", "plain",
                             "sub only in Sub", "left for the destructor" }));
}

TEST_F(LogFile, NothingIsWrittenBeforeTheFirstEvent)
{
    cSharedLogging log;
    for (int i = 0; i < 25; ++i)
        log.AddAction(QString::number(i));
    EXPECT_EQ(log.PendingCount(), 25);
    EXPECT_TRUE(log.CurrentLogFilename().isEmpty());
    EXPECT_FALSE(QFile::exists(folder.file("log.txt")));
    log.LogEvent("start", true);
    log.WriteActionsToLog();
    EXPECT_EQ(texts().size(), 7 + 25);
}

TEST_F(LogFile, NoLoggingTouchesNothing)
{
    cSharedLogging log;
    log.setNOLOGGING(true);
    log.LogEvent("start", true);
    log.AddAction("x");
    log.LogError(Failure(5, "Invalid call"), "a", "b");
    log.WriteActionsToLog();
    EXPECT_EQ(log.PendingCount(), 0);
    EXPECT_EQ(log.CurrentAction(), "");
    EXPECT_FALSE(QFile::exists(folder.file("log.txt")));
}

TEST_F(LogFile, OverrideLogFilenameFallsBackToTheProgramFolder)
{
    cSharedLogging log;
    QDir(folder.path()).mkdir("logs");
    log.OverrideLogFilename(folder.file("logs/other.txt"));
    EXPECT_EQ(log.CurrentLogFilename(), folder.file("logs/other.txt"));
    log.OverrideLogFilename(folder.file("missing/other.txt"));
    EXPECT_EQ(log.CurrentLogFilename(), folder.file("other.txt"));
    log.OverrideLogFilename("bare.txt");
    EXPECT_EQ(log.CurrentLogFilename(), folder.file("bare.txt"));
    log.LogEvent("into bare");
    EXPECT_TRUE(folder.readBytes("bare.txt").endsWith(", into bare\r\n"));
}

TEST_F(LogFile, TheFirstFieldIsTheFileNumberInUse)
{
    const int other = cSharedFileSubs::CreateOutputFile(folder.file("other.txt"));
    ASSERT_EQ(other, 1);
    cSharedLogging log;
    log.LogEvent("start", true);
    cSharedFileSubs::CloseFile(other);
    for (const QString &line : lines())
        EXPECT_TRUE(line.startsWith("2 ")) << line.toStdString();
}

TEST_F(LogFile, AnEventThatCannotBeWrittenWaitsInsteadOfThrowing)
{
    cSharedLogging log;
    log.LogEvent("start", true);
    {
        Seam::Override<FileTable::WriteFaultSeam> full([](const QString &) { return ENOSPC; });
        EXPECT_NO_THROW(log.LogEvent("while the disk is full"));
        EXPECT_THROW(log.LogToFile(log.CurrentLogFilename(), "direct", false), Failure);
        log.WriteActionsToLog();
    }
    EXPECT_EQ(texts().size(), 7);
    EXPECT_GE(log.PendingCount(), 2);
    log.WriteActionsToLog();
    const QStringList all = texts();
    EXPECT_EQ(all[7], "while the disk is full");
    EXPECT_EQ(all[8], "No space left on device (61) in LogEvent of module cSharedLogging");
    EXPECT_EQ(log.PendingCount(), 0);
}

TEST(LogOsName, DistributionIdAndMajorVersion)
{
    const std::pair<const char *, const char *> cases[] = {
        { "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\nVERSION_ID=\"12\"\n",
          "debian12" },
        { "NAME=Ubuntu\nVERSION_ID='22.04'\nID=ubuntu\n", "ubuntu22" },
        { "ID=arch\nBUILD_ID=rolling\n", "arch" },
        { "# nothing\n", "" },
    };
    for (const auto &[text, name] : cases)
        EXPECT_EQ(cSharedLogging::osNameFromRelease(text), name) << text;
    EXPECT_FALSE(cSharedLogging::fOSName().isEmpty());
}

} // namespace
