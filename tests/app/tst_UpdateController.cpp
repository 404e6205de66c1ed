// The installer hand-off, through a stand-in for the main window: updater.ini says what the
// check found, the installer is started with the window's caption, and the reader closes
// down only when both worked.
#include "app/UpdateController.h"

#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

class FakeWindow : public UpdateController::View
{
public:
    QWidget *window() override { return &widget; }
    QString caption() const override { return "Orlin - book.txt"; }
    void hideForHandOff() override { steps << "hide"; }
    void showAgain() override { steps << "show"; }
    void closeDown() override { steps << "close down"; }

    QWidget widget;
    QStringList steps;
};

TEST(UpdateController, HandsOverOnlyWhenUpdaterIniAndTheInstallerBothWork)
{
    struct Case
    {
        const char *name;
        bool folderThere; // false: updater.ini cannot be written
        bool installerStarts;
        QStringList steps;
        bool started;
    } cases[] = {
        { "hand-off", true, true, { "hide", "close down" }, true },
        { "installer does not start", true, false, { "hide", "show" }, true },
        { "updater.ini not written", false, true, { "hide", "show" }, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempProgramFolder folder;
        const QString programFolder = c.folderThere ? folder.path() : folder.file("gone/deeper");
        Seam::Override<ProgramInfo::FolderSeam> here(programFolder);
        QStringList started;
        Seam::Override<UpdateHandOff::StartSeam> starter(
            [&](const QString &program, const QStringList &arguments, const QString &) {
                started << program << arguments;
                return c.installerStarts;
            });
        QList<MessageBoxes::Message> boxes;
        MessageBoxes::ScopedHandler handler([&](const MessageBoxes::Message &m) {
            boxes.append(m);
            return int(MessageBoxes::Ok);
        });
        FakeWindow window;
        UpdateController controller(window);
        const bool handedOver = controller.HandOver({ "OrlinUpd.zip", "2.4.1 1", "abc" });

        EXPECT_EQ(handedOver, c.steps.last() == "close down");
        EXPECT_EQ(window.steps, c.steps);
        EXPECT_EQ(!started.isEmpty(), c.started);
        if (c.started) {
            EXPECT_EQ(started.value(1), "Orlin - book.txt");
        }
        if (c.folderThere) {
            EXPECT_EQ(folder.readBytes("updater.ini"),
                      "OrlinUpd.zip\r\npackage=OrlinUpd.zip\r\nversion=2.4.1 1\r\nsha256=abc");
        }
        EXPECT_EQ(boxes.size(), handedOver ? 0 : 1);
        if (!handedOver) {
            EXPECT_TRUE(boxes.value(0).text.startsWith("The installer could not be started."));
        }
    }
}

} // namespace
