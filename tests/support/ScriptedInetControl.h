#pragma once

#include "base/Failure.h"
#include "base/Seam.h"
#include "net/InetControl.h"

#include <QList>
#include <QMap>
#include <QPointer>

#include <optional>

// A transfer control whose every answer the test writes: it records the requests and
// cancels it is given, hands out the chunks the test queued, and raises the states
// the test asks for.
class ScriptedInetControl : public InetControl
{
    Q_OBJECT
public:
    struct Call
    {
        QString url;
        QString operation;
    };
    QList<Call> calls;
    int cancels = 0;
    bool executing = false;

    // What GetChunk hands out, in order. Once they are gone the body is over (GetChunk
    // returns an empty chunk), or, with failure set, GetChunk throws it.
    QList<QByteArray> chunks;
    std::optional<Failure> failure;
    // False while more body is still to come: ChunkWaiting is then false once the
    // queued chunks are gone.
    bool bodyOver = true;
    QMap<QString, QString> headers;
    QString responseInfo;
    // The answer's HTTP status (0: none, as over FTP).
    int statusCode = 0;
    QString statusText;

    void Execute(const QString &URL, const QString &Operation) override;
    void Cancel() override;
    QByteArray GetChunk(int Size) override;
    bool ChunkWaiting() const override;
    QString GetHeader(const QString &HeaderName) const override;
    bool StillExecuting() const override { return executing; }
    QString ResponseInfo() const override { return responseInfo; }
    int StatusCode() const override { return statusCode; }
    QString StatusText() const override { return statusText; }

    void raise(std::initializer_list<int> states);
    // Queues more body and says so, as data arriving from the network would.
    void arrive(const QByteArray &chunk);

    // While it lives, every transfer gets a scripted control (or none at all).
    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
        // The control made last; null before any.
        ScriptedInetControl *last() const { return m_last; }
        // Makes the next controls missing, as if the component were not installed.
        bool missing = false;

    private:
        QPointer<ScriptedInetControl> m_last;
        Seam::Override<InetControls::FactorySeam> m_factory;
    };
};
