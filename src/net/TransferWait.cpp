#include "net/TransferWait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace TransferWait {

bool until(QEventLoop &loop, const std::function<bool()> &ended)
{
    while (!ended()) {
        if (!QCoreApplication::instance() || QCoreApplication::closingDown())
            return false;
        // exec() refuses to run (-1) once the application has been told to exit.
        if (loop.exec() < 0)
            return ended();
    }
    return true;
}

} // namespace TransferWait
