// When the automatic update check is due, from the two settings it keeps.
#include "net/UpdateSchedule.h"

#include "base/cSHAREDSettings.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateSchedule, ACheckIsDueAfterSevenDays)
{
    TempProgramFolder folder;
    const qint64 today = UpdateSchedule::TodayNumber();
    const QDate date = QDate::currentDate();
    struct Case
    {
        QVariant stored; // invalid: never checked
        bool due;
    } cases[] = {
        { QVariant(), true },
        { int(today), false },
        { QStringLiteral(" %1 ").arg(today - 6), false },
        { int(today - 7), true },
        { int(today - 8), true },
        { UpdateSchedule::DateText(date), false },
        { UpdateSchedule::DateText(date.addDays(-8)), true },
        // Written in English on another machine.
        { QLocale::c().toString(date.addDays(-2), QStringLiteral("dd/MMM/yyyy")), false },
        // Unreadable dates would otherwise stop the automatic check for good.
        { QStringLiteral("31/Foo/2024"), true },
        { QStringLiteral("soon"), true },
    };
    for (const Case &c : cases) {
        Settings().DeleteSettingByName(QStringLiteral("LastUpdateCheck"));
        if (c.stored.isValid())
            Settings().sSet(QStringLiteral("LastUpdateCheck"), c.stored);
        EXPECT_EQ(UpdateSchedule::DoCheckNow(today), c.due) << c.stored.toString().toStdString();
    }

    // What a check stores makes the next one wait a week.
    UpdateSchedule::SaveLastCheckDate();
    EXPECT_FALSE(UpdateSchedule::DoCheckNow(today));
    EXPECT_TRUE(UpdateSchedule::DoCheckNow(today + 7));
    UpdateSchedule::SaveFoundDate();
    EXPECT_TRUE(Settings().sGet("LastUpdateCheck").toString().contains('/'));
    EXPECT_FALSE(UpdateSchedule::DoCheckNow(today));
    EXPECT_TRUE(UpdateSchedule::DoCheckNow(today + 8));
}

} // namespace
