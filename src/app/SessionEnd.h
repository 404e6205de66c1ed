#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Runs the reader's close-down when its life ends from outside: the desktop session ends
// (commitDataRequest, then aboutToQuit) or the process is asked to stop (SIGTERM, SIGHUP,
// SIGINT). The signal only writes a byte to a pipe of its own; close-down runs from the
// event loop, and once, however many of these arrive. While it lives, the three signals
// no longer end the process at once; afterwards their usual handling comes back.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(std::function<void()> closeDown, QObject *parent = nullptr);
    ~SessionEnd() override;

private:
    void runCloseDown();
    void signalArrived();

    std::function<void()> m_closeDown;
    bool m_ran = false;
    QSocketNotifier *m_notifier = nullptr;
};
