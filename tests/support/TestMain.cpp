// Every test binary runs inside a QApplication on the offscreen platform, with the
// program folder pointed at a fresh temporary folder.
#include "support/TempProgramFolder.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    TempProgramFolder folder; // the default for tests that make no folder of their own
    return RUN_ALL_TESTS();
}
