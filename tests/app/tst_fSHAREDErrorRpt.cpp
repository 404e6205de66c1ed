#include "app/fSHAREDErrorRpt.h"

#include "app/SettingsSaver.h"

#include "base/Desktop.h"
#include "base/ErrorReport.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/ShowErr.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A program folder with a log, a private runtime folder for the report, and a desktop that
// records what it is asked to open instead of opening it.
struct ReportSetting
{
    TempProgramFolder folder;
    QTemporaryDir runtime;
    QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    QList<QUrl> opened;
    bool desktopOpens = true;
    Seam::Override<Desktop::OpenSeam> desktop { [this](const QUrl &url) {
        opened << url;
        return desktopOpens;
    } };

    ReportSetting()
    {
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        Log().LogEvent("Program startup.", true);
    }
    ~ReportSetting() { qputenv("XDG_RUNTIME_DIR", previousRuntime); }
};

void useTheWindow(fSHAREDErrorRpt &w, ReportSetting &s)
{
    const QString error = "Cannot save the settings to " + s.folder.file("gone/Orlin.ini")
        + ": No such file or directory";
    EXPECT_EQ(w.windowTitle(), "Error Reporter");
    EXPECT_EQ(w.txtError->toPlainText(), error);
    EXPECT_TRUE(w.txtLog->toPlainText().contains("Program startup."));
    EXPECT_EQ(w.Frame2->title(), Log().CurrentLogFilename());
    EXPECT_TRUE(w.Frame2->isHidden());
    EXPECT_TRUE(w.Frame3->isHidden());

    w.cmdViewLog->click();
    EXPECT_TRUE(w.Frame2->isVisible());
    EXPECT_TRUE(w.cmdViewLog->isHidden());
    w.cmdShowComments->click();
    EXPECT_TRUE(w.Frame3->isVisible());
    EXPECT_TRUE(w.cmdShowComments->isHidden());
    QTest::keyClicks(w.txtUserMessage, "Saved & lost 5%");

    w.cmdViewReport->click();
    w.cmdEmail->click();
    w.cmdHelp->click();
    ASSERT_EQ(s.opened.size(), 3);

    const QString reportFile = s.runtime.path() + "/orlin/FullLog.txt";
    EXPECT_EQ(s.opened[0], QUrl::fromLocalFile(reportFile));
    QFile file(reportFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString report = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(report.contains(error + "\r\n\r\nSaved & lost 5%\r\n\r\n1 "))
        << report.toStdString();

    EXPECT_EQ(s.opened[1].scheme(), "mailto");
    EXPECT_TRUE(QUrlQuery(s.opened[1])
                    .queryItemValue("body", QUrl::FullyDecoded)
                    .contains("\r\n\r\nUser: Saved & lost 5%\r\n" + error));
    EXPECT_EQ(s.opened[2], QUrl(ProgramInfo::helpPage({})));
}

TEST(fSHAREDErrorRpt, SettingsFailureOpensTheWindowThatWritesAndMailsTheReport)
{
    ReportSetting s;
    Seam::Override<ShowErrSeam> window(&fSHAREDErrorRpt::ShowErrWindow);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<fSHAREDErrorRpt *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        shown = true;
        useTheWindow(*w, s);
        w->cmdExit->click();
        EXPECT_TRUE(w->Closed());
    });
    Settings().sSet("LastEngine", 2);
    EXPECT_FALSE(SettingsSaver::Save(
        [&] { return Settings().SaveSettings(s.folder.file("gone/Orlin.ini")); }));
    EXPECT_TRUE(shown);
}

TEST(fSHAREDErrorRpt, OnlyTheUsersOwnTouchBringsTheCommentsIn)
{
    ReportSetting s;
    fSHAREDErrorRpt w;
    w.show();
    w.cmdShowComments->click();
    w.txtUserMessage->setPlainText("set by the program");
    w.MakeClean();
    EXPECT_FALSE(w.Report().mailBody().contains("User:"));
    EXPECT_FALSE(w.Report().fullReport().contains("set by the program"));

    // A click into the box, without typing, counts.
    QTest::mouseClick(w.txtUserMessage->viewport(), Qt::LeftButton);
    EXPECT_TRUE(w.CommentsTouched());
    EXPECT_TRUE(w.Report().mailBody().contains("User: set by the program"));

    EXPECT_FALSE(w.Closed());
    w.close();
    EXPECT_TRUE(w.Closed());
}

TEST(fSHAREDErrorRpt, WhatTheDesktopCannotOpenIsLoggedAndSkipped)
{
    ReportSetting s;
    s.desktopOpens = false;
    fSHAREDErrorRpt w;
    const std::pair<QPushButton *, const char *> buttons[] = {
        { w.cmdViewReport, "cmdViewReport_Click" },
        { w.cmdEmail, "cmdEmail_Click" },
        { w.cmdHelp, "cmdHelp_Click" },
    };
    for (const auto &[button, procedure] : buttons) {
        button->click();
        EXPECT_TRUE(Log().CurrentAction().endsWith(
            QStringLiteral("(31) in %1 of module fSHAREDErrorRpt").arg(procedure)))
            << Log().CurrentAction().toStdString();
    }
    EXPECT_EQ(s.opened.size(), 3);
}

} // namespace
