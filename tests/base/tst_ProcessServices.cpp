#include "base/ProcessServices.h"

#include "base/ProgramInfo.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QString logText(const TempProgramFolder &folder)
{
    return QString::fromLatin1(folder.readBytes(QStringLiteral("log.txt")));
}

} // namespace

TEST(ProcessServices, StandInForTheOnesBeforeWhileTheyLive)
{
    TempProgramFolder folder;
    cSharedLogging *outerLog = &Log();
    cSHAREDSettings *outerSettings = &Settings();
    cSharedLang *outerLang = &Lang();
    Settings().sSet(QStringLiteral("Kept"), 1);
    {
        ProcessServices inner;
        EXPECT_EQ(&Log(), &inner.log());
        EXPECT_EQ(&Settings(), &inner.settings());
        EXPECT_EQ(&Lang(), &inner.lang());
        EXPECT_NE(&Log(), outerLog);
        EXPECT_FALSE(Settings().IsSettingPresent(QStringLiteral("Kept")));
    }
    EXPECT_EQ(&Log(), outerLog);
    EXPECT_EQ(&Settings(), outerSettings);
    EXPECT_EQ(&Lang(), outerLang);
    EXPECT_TRUE(Settings().IsSettingPresent(QStringLiteral("Kept")));
}

TEST(ProcessServices, TheLogEndsLastAndWritesWhatIsPending)
{
    TempProgramFolder folder;
    {
        ProcessServices services;
        services.log().LogEvent(QStringLiteral("Program startup."), true);
        // Fewer than the batch that writes on its own: these wait in memory.
        Log().AddAction(QStringLiteral("pending while running"));
        // The settings end before the log: what they trace on the way still has a log.
        Settings().DeleteSetting(1);
        EXPECT_GE(services.log().PendingCount(), 2);
        EXPECT_FALSE(logText(folder).contains(QStringLiteral("pending while running")));
    }
    const QString text = logText(folder);
    EXPECT_TRUE(text.contains(QStringLiteral("pending while running"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Subscript out of range (9) in DeleteSetting")))
        << text.toStdString();
}
