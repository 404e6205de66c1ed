#include "base/cSHAREDShowError.h"

#include "base/Failure.h"
#include "base/MessageBoxes.h"
#include "base/Seam.h"
#include "base/ShowErr.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct Shown
{
    QStringList messages;
    QStringList helpPages;
    Seam::Override<ShowErrSeam> reporter { [this](const QString &message, const QString &help) {
        messages << message;
        helpPages << help;
    } };
};

TEST(cSHAREDShowError, CaughtFailuresAreNamedWithTheirPlace)
{
    Shown shown;
    cSHAREDShowError::instance().ShowErrObj(Failure(53, "File not found"), "LoadDoc", "frmMain",
                                            "opening");
    cSHAREDShowError::instance().ShowErrObj(std::runtime_error("odd"), "Step", "cThing");
    EXPECT_EQ(shown.messages,
              QStringList({ "Error 53 - File not found in LoadDoc of frmMain",
                            "Error 51 - odd in Step of cThing" }));
    EXPECT_EQ(shown.helpPages, QStringList({ "opening", "" }));
}

// The settings store tells the user through ShowErr when a save fails for a reason other
// than access rights or a full disk.
TEST(cSHAREDShowError, SettingsSaveFailureReachesTheReporter)
{
    TempProgramFolder folder;
    Shown shown;
    Settings().sSet("LastEngine", 2);
    EXPECT_FALSE(Settings().SaveSettings(folder.file("gone/Orlin.ini")));
    EXPECT_EQ(shown.messages, QStringList { "76 - No such file or directory in SaveSettings" });
}

TEST(cSHAREDShowError, WithoutAWindowAMessageBoxAndAFailingReporterIsOnlyLogged)
{
    TempProgramFolder folder;
    QList<MessageBoxes::Message> boxes;
    MessageBoxes::ScopedHandler answer([&](const MessageBoxes::Message &m) {
        boxes << m;
        return int(MessageBoxes::Ok);
    });
    ShowErr("plain");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "Error Reporter");
    EXPECT_EQ(boxes[0].text, "plain");
    EXPECT_EQ(boxes[0].icon, MessageBoxes::Critical);

    Seam::Override<ShowErrSeam> failing(
        [](const QString &, const QString &) { throw Failure(7, "Out of memory"); });
    EXPECT_NO_THROW(ShowErr("lost"));
    EXPECT_EQ(Log().CurrentAction(), "Out of memory (7) in ShowErr of module cShowError");
}

} // namespace
