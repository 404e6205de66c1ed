// The transfer window over its logic: labels, Stop, and the progress window that
// cSHAREDInternet shows while GetFile waits.
#include "app/fSHAREDInternet.h"

#include "net/InternetTransfer.h"
#include "net/cSHAREDInternet.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedInetControl.h"
#include "support/TempProgramFolder.h"
#include "support/TransferEvents.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(fSHAREDInternet, LabelsFollowTheTransferAndStopCancelsIt)
{
    TempProgramFolder folder;
    ScriptedInetControl::Scope scope;
    fSHAREDInternet w;
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(w.cmdStop->text(), "Stop");
    TransferEvents events(w.transfer());
    const QString target = folder.file("book.txt");
    w.transfer().DownloadFile("http://example.org/book.txt", target, true);
    EXPECT_EQ(w.lblFile->text(), target);
    scope.last()->bodyOver = false;
    scope.last()->headers["Content-Length"] = "4096";
    scope.last()->raise({ 1, 7, 8 });
    EXPECT_EQ(w.lblProgress->text(), "File size: 4096");
    scope.last()->raise({ 12 });
    EXPECT_EQ(w.lblProgress->text(), "Response Completed");
    w.cmdStop->click();
    EXPECT_EQ(events.lines.last(), "Cancelled");
    EXPECT_FALSE(QFile::exists(target));
}

TEST(fSHAREDInternet, GetFileShowsItModallyUntilTheTransferEnds)
{
    TempProgramFolder folder;
    ScriptedInetControl::Scope scope;
    cSHAREDInternet inet(fSHAREDInternet::viewFactory());
    const QString target = folder.file("book.txt");
    struct Seen
    {
        bool modal = false;
        bool minimised = true;
        QString file;
    } seen;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<fSHAREDInternet *>(QApplication::activeModalWidget());
        if (!w)
            return;
        seen.modal = w->isVisible();
        seen.minimised = w->windowState() & Qt::WindowMinimized;
        seen.file = w->lblFile->text();
        scope.last()->chunks = { "the whole book" };
        scope.last()->raise({ 7, 8, 12 });
    });
    EXPECT_TRUE(inet.GetFile("http://example.org/book.txt", target, true, false, false, true));
    EXPECT_TRUE(seen.modal);
    EXPECT_FALSE(seen.minimised) << "a progress window asked for is one the user can see";
    EXPECT_EQ(seen.file, target);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Closing the window stops the download, and GetFile fails; the book that came first
    // stays as it was.
    QTimer::singleShot(0, [&] {
        if (auto *w = QApplication::activeModalWidget()) {
            scope.last()->bodyOver = false;
            scope.last()->raise({ 7, 8, 12 });
            scope.last()->arrive("half a book");
            w->close();
        }
    });
    EXPECT_FALSE(inet.GetFile("http://example.org/book.txt", target, true, false, false, true));
    EXPECT_EQ(folder.readBytes("book.txt"), "the whole book");
}

} // namespace
