#pragma once

#include <QObject>
#include <QStringList>

class InternetTransfer;
class cSHAREDInternet;

// Records the events of a transfer in the order they come, as short lines:
// "Status: text", "Progress: 50 text", "Finished", "Cancelled", "Error: text",
// "Receiving", "NoInternet". Also notes whether every event came on the main thread.
class TransferEvents : public QObject
{
    Q_OBJECT
public:
    explicit TransferEvents(InternetTransfer &transfer);
    explicit TransferEvents(cSHAREDInternet &internet);

    QStringList lines;
    bool offMainThread = false;

    // The lines that start with the prefix, the prefix taken off.
    QStringList only(const QString &prefix) const;
    // Whether the transfer has ended (Finished, Error, Cancelled or NoInternet).
    bool ended() const;
    // Runs the event loop until the transfer has ended or the time is up.
    bool waitForEnd(int milliseconds = 20000);

private:
    void add(const QString &line);

    class QEventLoop *m_loop = nullptr;
};
