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
// during the wait.
class cSHAREDInternet : public QObject
{
    Q_OBJECT
public:
    // The view factory gives GetFile its progress window; without one GetFile shows
    // nothing, whatever its flag says.
    explicit cSHAREDInternet(TransferViewFactory viewFactory = {}, QObject *parent = nullptr);
    ~cSHAREDInternet() override;

    // Downloads sUrl into FileName. True when every byte arrived; otherwise false, and
    // FileName does not exist (also after a cancel or a missing control).
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
