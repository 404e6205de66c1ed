#include "support/TransferEvents.h"

#include "net/InternetTransfer.h"
#include "net/cSHAREDInternet.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

TransferEvents::TransferEvents(InternetTransfer &t)
{
    connect(&t, &InternetTransfer::Status, this, [this](const QString &s) { add("Status: " + s); });
    connect(&t, &InternetTransfer::Progress, this, [this](float p, const QString &s) {
        add(QStringLiteral("Progress: %1 %2").arg(double(p)).arg(s));
    });
    connect(&t, &InternetTransfer::DownloadFinished, this, [this] { add("Finished"); });
    connect(&t, &InternetTransfer::DownloadCancelled, this, [this] { add("Cancelled"); });
    connect(&t, &InternetTransfer::DownloadError, this,
            [this](const QString &s) { add("Error: " + s); });
    connect(&t, &InternetTransfer::Receiving, this, [this] { add("Receiving"); });
    connect(&t, &InternetTransfer::NoInternet, this, [this] { add("NoInternet"); });
}

TransferEvents::TransferEvents(cSHAREDInternet &i)
{
    connect(&i, &cSHAREDInternet::Status, this, [this](const QString &s) { add("Status: " + s); });
    connect(&i, &cSHAREDInternet::Progress, this, [this](float p, const QString &s) {
        add(QStringLiteral("Progress: %1 %2").arg(double(p)).arg(s));
    });
    connect(&i, &cSHAREDInternet::DownloadCancelled, this, [this] { add("Cancelled"); });
    connect(&i, &cSHAREDInternet::Receiving, this, [this] { add("Receiving"); });
    connect(&i, &cSHAREDInternet::NoInternet, this, [this] { add("NoInternet"); });
}

void TransferEvents::add(const QString &line)
{
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        offMainThread = true;
    lines << line;
    if (m_loop && ended())
        m_loop->quit();
}

QStringList TransferEvents::only(const QString &prefix) const
{
    QStringList out;
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            out << line.mid(prefix.size());
    }
    return out;
}

bool TransferEvents::ended() const
{
    for (const QString &line : lines) {
        if (line == "Finished" || line == "Cancelled" || line == "NoInternet"
            || line.startsWith("Error: "))
            return true;
    }
    return false;
}

bool TransferEvents::waitForEnd(int milliseconds)
{
    if (ended())
        return true;
    QEventLoop loop;
    m_loop = &loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    m_loop = nullptr;
    return ended();
}
