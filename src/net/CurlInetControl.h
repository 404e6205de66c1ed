#pragma once

#include "net/InetControl.h"

#include <QList>
#include <QPair>

#include <memory>

// The transfer control over libcurl. Each control has one worker thread that runs
// libcurl's multi interface; the thread only moves bytes into a bounded buffer and
// posts what happened to the control's thread, where every state change and every
// ChunkArrived is emitted. When the buffer is full the transfer pauses until GetChunk
// has made room, so memory stays bounded whatever the size of the file.
class CurlInetControl : public InetControl
{
    Q_OBJECT
public:
    // Throws Failure 339 when libcurl cannot be started.
    explicit CurlInetControl(QObject *parent = nullptr);
    ~CurlInetControl() override;

    void Execute(const QString &URL, const QString &Operation) override;
    void Cancel() override;
    QByteArray GetChunk(int Size) override;
    bool ChunkWaiting() const override;
    QString GetHeader(const QString &HeaderName) const override;
    bool StillExecuting() const override;
    QString ResponseInfo() const override;
    int StatusCode() const override { return m_statusCode; }
    QString StatusText() const override { return m_statusText; }

    // The certificate authorities to trust instead of the system's store (tests that
    // run their own HTTPS server); empty for the system's store.
    void setCaBundle(const QString &path) { m_caBundle = path; }

    // The body bytes held between the network and GetChunk now, and at most so far.
    qint64 bufferedBytes() const;
    qint64 peakBufferedBytes() const;

    // What the buffer may hold before the transfer pauses.
    static constexpr qint64 BufferLimit = 1024 * 1024;

    struct Request;
    struct Outcome;

    // What the worker thread posts, run on the control's thread; each drops what
    // belongs to a request that is no longer the current one.
    void deliverState(quint64 generation, int state);
    void deliverBodyStart(quint64 generation, const QList<QPair<QString, QString>> &headers,
                          int statusCode, const QString &statusText);
    void deliverChunks(quint64 generation);
    void deliverEnd(quint64 generation, const Outcome &outcome);

private:
    class Worker;
    friend class Worker;

    void startRequest(const QString &url);
    void failAtOnce(const QString &info);
    QString describe(const Outcome &outcome) const;

    std::shared_ptr<Request> m_request;
    std::unique_ptr<Worker> m_worker;
    quint64 m_generation = 0;
    bool m_executing = false;
    QString m_responseInfo;
    QList<QPair<QString, QString>> m_headers;
    int m_statusCode = 0;
    QString m_statusText;
    QString m_ftpFolder;
    QString m_caBundle;
};
