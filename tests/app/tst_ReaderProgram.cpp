// The reader's run as main makes it, in a process of its own that ends normally: the log is
// made before any file is opened, and an entry recorded after close-down's last flush still
// reaches log.txt when the process exits, with the sanitizers finding nothing on the way out.
#include "app/ReaderProgram.h"

#include "app/frmMain.h"
#include "base/ProgramInfo.h"
#include "base/cSharedLogging.h"
#include "support/FakeSpeechEngine.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kLateEntry = QStringLiteral("Recorded after close-down's flush");

// Quits the main window as soon as it is shown (start-up has finished then), and records a
// trace entry when its close-down has flushed the log.
class QuitWhenShown : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<frmMain *>(watched);
        if (window && event->type() == QEvent::Show) {
            QObject::connect(window, &frmMain::closedDown,
                             [] { Log().AddAction(kLateEntry, QStringLiteral("test")); });
            QMetaObject::invokeMethod(window, &frmMain::cmdQuit_Click, Qt::QueuedConnection);
        }
        return false;
    }
};

// What the child process runs: main's part after the real parts are installed, here with
// the fake engine, in a program folder of a first start (no Orlin.ini, no log).
[[noreturn]] void runLikeMain(const QString &folder)
{
    ProgramInfo::setProgramFolder(folder);
    FakeSpeechEngine::Scope engines;
    QuitWhenShown quitter;
    QCoreApplication::instance()->installEventFilter(&quitter);
    const int code = ReaderProgram::run(QString());
    QCoreApplication::instance()->removeEventFilter(&quitter);
    std::exit(code);
}

} // namespace

TEST(ReaderProgram, EntriesRecordedAfterCloseDownReachTheLogAtExit)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    // The child is a fork of this process: it ends by exit(), and the folders it shares
    // with this one are removed here, by their owners.
    GTEST_FLAG_SET(death_test_style, "fast");

    EXPECT_EXIT(runLikeMain(folder), ::testing::ExitedWithCode(0), "");

    QFile log(folder + QStringLiteral("/log.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(log.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Program startup.")));
    EXPECT_TRUE(text.contains(kLateEntry + QStringLiteral(" in test"))) << text.toStdString();
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Orlin.ini")));
}

namespace {

// Asks the process to stop as soon as the main window is shown, as a logout or `kill` does.
class TerminateWhenShown : public QObject
{
public:
    explicit TerminateWhenShown(int signal)
        : m_signal(signal)
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (qobject_cast<frmMain *>(watched) && event->type() == QEvent::Show) {
            const int signal = m_signal;
            QTimer::singleShot(0, [signal] {
                ::kill(::getpid(), signal);
                ::kill(::getpid(), signal); // a second request changes nothing
            });
        }
        return false;
    }

private:
    int m_signal;
};

[[noreturn]] void runUntilSignalled(const QString &folder, const QString &document, int signal)
{
    ProgramInfo::setProgramFolder(folder);
    FakeSpeechEngine::Scope engines;
    TerminateWhenShown terminator(signal);
    QCoreApplication::instance()->installEventFilter(&terminator);
    const int code = ReaderProgram::run(document);
    QCoreApplication::instance()->removeEventFilter(&terminator);
    std::exit(code);
}

} // namespace

// Ending the session or being told to stop runs close-down, once: the bookmark of the open
// document and the settings are saved, the process ends normally.
TEST(ReaderProgram, ToldToStopItClosesDownAndSavesOnce)
{
    GTEST_FLAG_SET(death_test_style, "fast");
    for (const int signal : { SIGTERM, SIGHUP }) {
        QTemporaryDir dir;
        const QString document = dir.filePath(QStringLiteral("story.txt"));
        QFile file(document);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("A first sentence. A second one.");
        file.close();

        EXPECT_EXIT(runUntilSignalled(dir.path(), document, signal), ::testing::ExitedWithCode(0),
                    "");

        QFile bookmarks(dir.filePath(QStringLiteral("BookMarks.ini")));
        ASSERT_TRUE(bookmarks.open(QIODevice::ReadOnly)) << signal;
        EXPECT_TRUE(bookmarks.readAll().startsWith("STORY.TXT,")) << signal;
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Orlin.ini")))) << signal;
        QFile log(dir.filePath(QStringLiteral("log.txt")));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        EXPECT_EQ(text.count(QStringLiteral("Asked to stop (signal %1).").arg(signal)), 1)
            << text.toStdString();
    }
}
