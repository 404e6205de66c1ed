#include "ui/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace MessagePump {

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void Sleep(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        DoEvents();
        QThread::msleep(10);
    }
}

} // namespace MessagePump
