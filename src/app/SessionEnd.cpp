#include "app/SessionEnd.h"

#include "base/Trace.h"
#include "base/cSharedLogging.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = { SIGTERM, SIGHUP, SIGINT };
int g_pipe[2] = { -1, -1 };

extern "C" void onStopSignal(int signal)
{
    // Only what is safe inside a signal handler: one byte into the pipe.
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SessionEnd::SessionEnd(std::function<void()> closeDown, QObject *parent)
    : QObject(parent)
    , m_closeDown(std::move(closeDown))
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // The session manager asks for the user's data first; a quit follows.
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
            Log().LogEvent(QStringLiteral("The desktop session is ending."));
            runCloseDown();
        });
    }
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &SessionEnd::runCloseDown);

    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Log().LogEvent(QStringLiteral("Cannot watch for the request to stop: ")
                       + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::signalArrived);
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

SessionEnd::~SessionEnd()
{
    for (const int signal : kSignals)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SessionEnd::signalArrived()
{
    char bytes[16];
    ssize_t got = 0;
    int signal = 0;
    while ((got = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        signal = bytes[got - 1];
    if (!m_ran)
        Log().LogEvent(QStringLiteral("Asked to stop (signal %1).").arg(signal));
    runCloseDown();
}

void SessionEnd::runCloseDown()
{
    if (m_ran)
        return;
    m_ran = true;
    Trace::quietly("close-down traces each of its own steps; the session ends either way",
                   [&] { m_closeDown(); });
}
