#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The states a transfer control reports through StateChanged, in the numbering its
// listeners (the transfer window's state table) use.
namespace InetState {
constexpr int ResolvingHost = 1;
constexpr int HostResolved = 2;
constexpr int Connecting = 3;
constexpr int Connected = 4;
constexpr int Requesting = 5;
constexpr int RequestSent = 6;
constexpr int ReceivingResponse = 7;
constexpr int ResponseReceived = 8;
constexpr int Disconnecting = 9;
constexpr int Disconnected = 10;
constexpr int Error = 11;
constexpr int ResponseCompleted = 12;
} // namespace InetState

// The failure numbers GetChunk throws once the body has begun.
namespace InetError {
constexpr int RequestFailed = 35764;
constexpr int RequestTimedOut = 35761;
// The request broke off in a way a fresh attempt may get past.
constexpr int CannotComplete = 35756;
} // namespace InetError

// One HTTP/FTP transfer control: one request at a time, started by Execute and
// reported through StateChanged on the thread the control lives on.
//
// A request reports 1 to 7 as it connects and the response begins, then 8 and 12
// together when the body can be read (also for an empty body), or 11 when it fails
// before that, with ResponseInfo saying why. From 12 on the body is read with
// GetChunk whenever ChunkWaiting says so; ChunkArrived says that it has become so. A
// failure after 12 is thrown by GetChunk, once the bytes before it have been read.
class InetControl : public QObject
{
    Q_OBJECT
public:
    enum AccessTypes { icUseDefault = 0, icDirect = 1, icNamedProxy = 2 };

    explicit InetControl(QObject *parent = nullptr);
    ~InetControl() override;

    // Operation "GET" fetches an http, https or ftp URL (another scheme ends in 11).
    // Against "FTP://host" the FTP commands run in order: "CD folder" sets the folder,
    // "GET remote local" fetches the remote file, whose bytes are read through
    // GetChunk like an HTTP body (the caller writes them to local, so one writer deals
    // with a full disk and a cancel on both routes), "CLOSE" ends the session. Names
    // holding blanks are written in double quotes. A request still running is
    // cancelled by a new one.
    virtual void Execute(const QString &URL, const QString &Operation) = 0;
    // Abandons the current request at once: no event of it arrives afterwards.
    virtual void Cancel() = 0;
    // Up to Size bytes (at most 1024) of the body. Empty when the body is exhausted;
    // throws Failure with an InetError number when the transfer failed after 12.
    virtual QByteArray GetChunk(int Size) = 0;
    // Whether GetChunk answers at once: body bytes are waiting, or the body is over.
    virtual bool ChunkWaiting() const = 0;
    // A response header of the current request ("Content-Length"), empty when absent.
    virtual QString GetHeader(const QString &HeaderName) const = 0;
    virtual bool StillExecuting() const = 0;
    // What went wrong, in words for the user.
    virtual QString ResponseInfo() const = 0;
    // The final HTTP answer of the current request once 8 has come ("404 Not Found" is
    // 404 and that text); 0 and empty where there is none (FTP, a local file), which
    // counts as a good answer: those fail through 11 instead.
    virtual int StatusCode() const { return 0; }
    virtual QString StatusText() const { return {}; }

    // The proxy configuration; UserName and Password are the proxy's credentials and
    // are never sent to the server the URL names.
    int AccessType = icUseDefault;
    QString Proxy;
    QString UserName;
    QString Password;
    // Seconds a request may go without receiving anything.
    int RequestTimeout = 60;

signals:
    void StateChanged(int State);
    void ChunkArrived();
};

// Where the transfer logic gets its controls. A maker that throws or returns null means
// "no control".
namespace InetControls {
using Factory = std::function<std::unique_ptr<InetControl>()>;
// Who makes the controls (see base/Seam.h): tests put in scripted controls or a libcurl
// control that trusts their own authority. Empty: the libcurl control.
struct FactorySeam
{
    using Type = Factory;
};
std::unique_ptr<InetControl> create();
} // namespace InetControls
