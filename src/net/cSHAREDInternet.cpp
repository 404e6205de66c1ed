#include "net/cSHAREDInternet.h"

#include "base/Trace.h"
#include "net/InternetTransfer.h"
#include "net/TransferWait.h"

#include <QEventLoop>

namespace {
const QString kModule = QStringLiteral("cSHAREDInternet");
}

cSHAREDInternet::cSHAREDInternet(TransferViewFactory viewFactory, QObject *parent)
    : QObject(parent)
    , fInet(std::make_unique<InternetTransfer>())
{
    InternetTransfer *w = fInet.get();
    connect(w, &InternetTransfer::DownloadError, this, &cSHAREDInternet::fInet_DownloadError);
    connect(w, &InternetTransfer::UploadError, this, &cSHAREDInternet::fInet_DownloadError);
    connect(w, &InternetTransfer::DownloadFinished, this, &cSHAREDInternet::fInet_DownloadFinished);
    connect(w, &InternetTransfer::DownloadCancelled, this,
            &cSHAREDInternet::fInet_DownloadCancelled);
    connect(w, &InternetTransfer::NoInternet, this, &cSHAREDInternet::fInet_NoInternet);
    connect(w, &InternetTransfer::Status, this, &cSHAREDInternet::fInet_Status);
    connect(w, &InternetTransfer::Progress, this, &cSHAREDInternet::fInet_Progress);
    connect(w, &InternetTransfer::Receiving, this, &cSHAREDInternet::Receiving);
    if (viewFactory)
        Trace::attempt(QStringLiteral("Class_Initialize"), kModule,
                       [&] { m_view = viewFactory(*fInet); });
}

cSHAREDInternet::~cSHAREDInternet()
{
    *m_alive = false;
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
    fInet->disconnect(this);
    Trace::attempt(QStringLiteral("Class_Terminate"), kModule, [&] { fInet->Cancel(); });
    m_view.reset();
    fInet.reset();
}

bool cSHAREDInternet::GetFile(const QString &sUrl, const QString &FileName, bool bGetSize,
                              bool SuppressAllButDLAndErrors, bool SuppressAllButErrors,
                              bool WithProgressWindow)
{
    const std::shared_ptr<bool> alive = m_alive;
    fInet->SuppressAllButDLAndErrors = SuppressAllButDLAndErrors;
    fInet->SuppressAllButErrors = SuppressAllButErrors;
    if (fInet->Connected())
        fInet->Cancel();
    // Cleared after that cancel, whose DownloadCancelled would otherwise end this
    // download before it began.
    m_cancelled = false;
    m_finished = false;
    m_error = false;
    fInet->DownloadFile(sUrl, FileName, bGetSize);
    const auto ended = [&] { return !*alive || m_finished || m_error || m_cancelled; };
    if (WithProgressWindow && m_view && !ended())
        m_view->showModal();
    QEventLoop loop;
    if (*alive)
        m_waits.append(&loop);
    const bool waited = TransferWait::until(loop, ended);
    if (!*alive)
        return false;
    m_waits.removeOne(&loop);
    if (!waited) {
        // The program is closing: the download ends here, and FileName stays as it was.
        fInet->Cancel();
        return false;
    }
    // A download that did not finish never reached FileName: an older copy is still there.
    return !(m_error || m_cancelled);
}

QString cSHAREDInternet::OpenURL(const QString &sUrl, bool ShowStatus)
{
    m_cancelled = false;
    return fInet->OpenURL(sUrl, ShowStatus);
}

void cSHAREDInternet::Cancel()
{
    fInet->Cancel();
    m_cancelled = true;
}

void cSHAREDInternet::ApplyProxy()
{
    fInet->ApplyProxy();
}

bool cSHAREDInternet::Connected() const
{
    return fInet->Connected();
}

qint64 cSHAREDInternet::ExpectedFilesize() const
{
    return fInet->ExpectedFilesize();
}

void cSHAREDInternet::setSuppressAllButDLAndErrors(bool value)
{
    fInet->SuppressAllButDLAndErrors = value;
}

void cSHAREDInternet::setMaxBytes(qint64 bytes)
{
    fInet->MaxBytes = bytes;
}

QString cSHAREDInternet::LastError() const
{
    return fInet->LastError();
}

void cSHAREDInternet::setSuppressAllButErrors(bool value)
{
    fInet->SuppressAllButErrors = value;
}

void cSHAREDInternet::hideView()
{
    if (m_view)
        Trace::quietly([&] { m_view->hideView(); });
}

void cSHAREDInternet::fInet_DownloadError(const QString &)
{
    hideView();
    m_error = true;
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
}

void cSHAREDInternet::fInet_DownloadFinished()
{
    hideView();
    m_finished = true;
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
}

void cSHAREDInternet::fInet_DownloadCancelled()
{
    const std::shared_ptr<bool> alive = m_alive;
    m_cancelled = true;
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
    emit DownloadCancelled();
    if (*alive)
        hideView();
}

// A missing control fails the download (the window reports DownloadFinished first,
// but nothing was fetched); the caller tells the user.
void cSHAREDInternet::fInet_NoInternet()
{
    m_error = true;
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
    emit NoInternet();
}

void cSHAREDInternet::fInet_Status(const QString &StatusString)
{
    m_status = StatusString;
    emit Status(StatusString);
}

void cSHAREDInternet::fInet_Progress(float Percent, const QString &Text)
{
    m_status = Text;
    emit Progress(Percent, Text);
}
