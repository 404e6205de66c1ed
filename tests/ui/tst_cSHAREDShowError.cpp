#include "ui/cSHAREDShowError.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "base/cSharedLogging.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/ShowErr.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(cSHAREDShowError, CaughtFailuresAreNamedWithTheirPlace)
{
    QStringList shown;
    Seam::Override<ShowErrSeam> reporter(
        [&](const QString &message, const QString &help) { shown << message + " | " + help; });
    cSHAREDShowError::instance().ShowErrObj(Failure(53, "File not found"), "LoadDoc", "frmMain",
                                            "opening");
    cSHAREDShowError::instance().ShowErrObj(std::runtime_error("odd"), "Step", "cThing");
    EXPECT_EQ(shown,
              QStringList({ "Error 53 - File not found in LoadDoc of frmMain | opening",
                            "Error 51 - odd in Step of cThing | " }));
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

    Seam::Override<ShowErrSeam> failing(
        [](const QString &, const QString &) { throw Failure(7, "Out of memory"); });
    EXPECT_NO_THROW(ShowErr("lost"));
    EXPECT_EQ(Log().CurrentAction(), "Out of memory (7) in ShowErr of module cShowError");
}

} // namespace
