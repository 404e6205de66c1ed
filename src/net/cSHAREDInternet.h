#pragma once

#include "net/TransferView.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class InternetTransfer;

// Blocking transfers over one InternetTransfer (the transfer window's logic, member
// fInet): GetFile and OpenURL return when the transfer has ended, while the event
// loop runs, so every window stays responsive and a Stop or Cancel click is handled
// during the wait. Neither waits past the application's end: when it quits (or
// InternetTransfer::CancelAll runs at close-down) the wait ends as a failure.
class cSHAREDInternet : public QObject
{
    Q_OBJECT
public:
    // The view factory gives GetFile its progress window; without one GetFile shows
    // nothing, whatever its flag says.
    explicit cSHAREDInternet(TransferViewFactory viewFactory = {}, QObject *parent = nullptr);
    ~cSHAREDInternet() override;

    // Downloads sUrl into FileName. True when every byte arrived and the server's answer
    // was a good one; otherwise false, and FileName is as it was before (an older copy
    // stays), also after a cancel or a missing control. LastError says why.
    bool GetFile(const QString &sUrl, const QString &FileName, bool bGetSize = true,
                 bool SuppressAllButDLAndErrors = false, bool SuppressAllButErrors = false,
                 bool WithProgressWindow = false);
    QString OpenURL(const QString &sUrl, bool ShowStatus = false);
    void Cancel();
    void ApplyProxy();
    bool Connected() const;
    qint64 ExpectedFilesize() const;
    void setSuppressAllButDLAndErrors(bool value);
    void setSuppressAllButErrors(bool value);
    // The most a transfer may bring (0: no bound but OpenURL's own).
    void setMaxBytes(qint64 bytes);
    // Why the last GetFile or OpenURL failed; empty when it succeeded.
    QString LastError() const;

    // The last status or progress text.
    QString LastStatus() const { return m_status; }
    InternetTransfer &transfer() { return *fInet; }

signals:
    void Status(const QString &StatusString);
    void Progress(float Percent, const QString &Text);
    void NoInternet();
    void Receiving();
    void DownloadCancelled();

private:
    void fInet_DownloadError(const QString &Message);
    void fInet_DownloadFinished();
    void fInet_DownloadCancelled();
    void fInet_NoInternet();
    void fInet_Status(const QString &StatusString);
    void fInet_Progress(float Percent, const QString &Text);
    void hideView();

    std::unique_ptr<InternetTransfer> fInet;
    std::unique_ptr<TransferView> m_view;
    bool m_finished = false;
    bool m_error = false;
    bool m_cancelled = false;
    QString m_status;
    // Told when the object goes while a GetFile is waiting.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QList<class QEventLoop *> m_waits;
};
