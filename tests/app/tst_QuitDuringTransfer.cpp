// The real reader, in a display server of its own, asked to end while its silent update
// check waits on a server that answers only after 15 seconds: by its Quit button and by
// SIGTERM, the process is gone within 2 seconds, as a user expects of Quit. Needs
// xvfb-run and xdotool.
#include "net/cSHAREDInternet.h"
#include "support/NetServers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>

namespace {

// The window's Quit button, in pixels from its top-left corner at its starting size.
constexpr const char *kQuit = "584 343";

enum class Ending { QuitButton, Terminate };

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

bool alive(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

class QuitDuringTransfer : public ::testing::TestWithParam<Ending>
{
};

TEST_P(QuitDuringTransfer, TheProcessEndsAtOnce)
{
    for (const char *tool : { "xvfb-run", "xdotool" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    }
    auto faults = TestServer::faults();
    if (!faults)
        GTEST_SKIP() << "python3 is not installed";
    QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString prog = dir.filePath("prog");
    ASSERT_TRUE(QDir().mkpath(prog));
    ASSERT_TRUE(QFile::copy(QDir(bin).filePath("Orlin"), QDir(prog).filePath("Orlin")));
    // Automatic checks on and never made: the check comes 30 seconds after the start.
    QFile ini(QDir(prog).filePath("Orlin.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("UPDATESERVER," + faults->url("/late/15").toUtf8()
              + "\r\nDISABLEAUTOUPDATECHECK,0\r\n");
    ini.close();

    const QString script = QStringLiteral(R"(
cd "%1"; ./Orlin & pid=$!
echo "$DISPLAY" > display; echo "$XAUTHORITY" > xauthority; echo "$pid" > pid
wait $pid
)")
                               .arg(prog);
    QStringList command { "xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "sh", "-c", script };
    const QString withAudio = qEnvironmentVariable("ORLIN_SOURCE_DIR") + "/scripts/with-audio";
    if (QFile::exists(withAudio))
        command.prepend(withAudio);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(command.takeFirst(), command);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileText(prog + "/pid").isEmpty(); }, 30000));
    const qint64 pid = fileText(prog + "/pid").toLongLong();
    // Whatever the test finds, the reader it started does not outlive it.
    struct Reaper
    {
        qint64 pid;
        QProcess &run;
        ~Reaper()
        {
            if (alive(pid))
                ::kill(pid_t(pid), SIGKILL);
            run.waitForFinished(30000);
        }
    } reaper { pid, run };

    // The silent check has asked the server, which keeps it waiting.
    const QString asked = "/late/15/versions/ORL1_current.txt";
    cSHAREDInternet counter;
    const QDeadlineTimer deadline(120000);
    while (counter.OpenURL(faults->url("/count?path=" + asked)) != "1" && !deadline.hasExpired()
           && alive(pid))
        QTest::qWait(250);
    ASSERT_TRUE(alive(pid)) << run.readAll().toStdString();
    ASSERT_FALSE(deadline.hasExpired()) << "the automatic check never asked the server";
    QTest::qWait(500);

    QElapsedTimer sinceAsked;
    if (GetParam() == Ending::Terminate) {
        sinceAsked.start();
        ::kill(pid_t(pid), SIGTERM);
    } else {
        QProcessEnvironment display = QProcessEnvironment::systemEnvironment();
        display.insert("DISPLAY", fileText(prog + "/display"));
        display.insert("XAUTHORITY", fileText(prog + "/xauthority"));
        QProcess find;
        find.setProcessEnvironment(display);
        find.start("xdotool", { "search", "--sync", "--onlyvisible", "--name", "^Orlin 1" });
        ASSERT_TRUE(find.waitForFinished(10000));
        const QString window =
            QString::fromLatin1(find.readAllStandardOutput()).section('\n', 0, 0);
        ASSERT_FALSE(window.isEmpty()) << "no reader window";
        QProcess click;
        click.setProcessEnvironment(display);
        sinceAsked.start();
        click.start("xdotool",
                    QStringList { "mousemove", "--window", window }
                        + QString::fromLatin1(kQuit).split(' ') + QStringList { "click", "1" });
        ASSERT_TRUE(click.waitForFinished(10000));
    }
    while (alive(pid) && sinceAsked.elapsed() < 20000)
        QTest::qWait(20);
    const qint64 took = sinceAsked.elapsed();
    ASSERT_FALSE(alive(pid)) << "still running 20 s after being asked to end";
    // Quit means gone, whatever the network is doing.
    EXPECT_LT(took, 2000) << "took " << took << " ms";
    EXPECT_TRUE(fileText(prog + "/log.txt").contains("Program startup"));
}

INSTANTIATE_TEST_SUITE_P(Endings, QuitDuringTransfer,
                         ::testing::Values(Ending::QuitButton, Ending::Terminate),
                         [](const ::testing::TestParamInfo<Ending> &info) {
                             return info.param == Ending::QuitButton ? "QuitButton" : "Terminate";
                         });

} // namespace
