#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class Failure;
class InetControl;
class QEventLoop;

// What the transfer window fSHAREDInternet does, without the window: it drives one
// transfer control, turns its states into status and progress text, writes the body
// to the target file (DownloadFile) or gathers it as text (OpenURL), and counts the
// seconds without a sign of life. The window shows FileText and ProgressText and
// calls Cancel from its Stop button; cSHAREDInternet owns one of these directly.
//
// One transfer at a time. Every transfer ends in exactly one of DownloadFinished,
// DownloadError, DownloadCancelled or NoInternet. A download is written to a temporary
// file beside its target and renamed over it only when every byte has arrived, so one
// that does not finish leaves the target as it was (an older copy stays). An HTTP answer
// outside 2xx, an FTP error reply, a body cut short or one over MaxBytes ends in
// DownloadError with a message that names the address.
class InternetTransfer : public QObject
{
    Q_OBJECT
public:
    explicit InternetTransfer(QObject *parent = nullptr);
    ~InternetTransfer() override;

    // No progress text while the body is read.
    bool SuppressAllButDLAndErrors = false;
    // No status text for the connection states and no progress text; errors still.
    bool SuppressAllButErrors = false;
    // The most a transfer may bring, in bytes (0: no bound but OpenURL's own); a larger
    // one ends in DownloadError and leaves nothing.
    qint64 MaxBytes = 0;
    // Whether a "file:" address or an absolute path given by the caller is read from
    // this computer (a mirror on a USB disk); otherwise only http, https and ftp are.
    bool AllowLocalFiles = false;

    // Starts downloading sUrl into FileName (an existing file is erased first) and
    // returns at once. With bGetSize the Content-Length is asked for and progress
    // reported against it. http, https and ftp ("ftp://host/path" or "ftp.host/path").
    void DownloadFile(const QString &sUrl, const QString &FileName, bool bGetSize);
    // The document at sUrl as text; waits for the end of the transfer while the event
    // loop runs, and returns whatever arrived, also after a failure (an error page's
    // text, say): LastError tells whether it failed. The wait ends, as a failure, when
    // the application quits.
    QString OpenURL(const QString &sUrl, bool ShowStatus);
    // Why the last transfer failed (its DownloadError message, or "Download cancelled");
    // empty when it succeeded or is still running.
    QString LastError() const { return m_lastError; }
    // Close-down: cancels every transfer of the process, shown or hidden, and ends every
    // blocking wait on them.
    static void CancelAll();
    void Cancel();
    // Ends the transfer as a failure ("Download cancelled"), erasing the target when it was
    // still being written; a finished download stays.
    void CancelDownload();
    bool Connected() const;
    // Whether a transfer has started and not yet ended.
    bool Running() const { return !m_done; }
    // 0 not yet known, -1 no usable size, otherwise the announced size in bytes.
    qint64 ExpectedFilesize() const;
    // The proxy settings (ProxyType, ProxyServer, ProxyPort, ProxyUser, ProxyPwd) onto
    // the control; a missing control makes every later request end in NoInternet.
    void ApplyProxy();
    QString ProxyUser() const;
    QString ProxyPassword() const;

    // The texts of the window's two labels: the target file, and the state or size.
    QString FileText() const { return m_fileText; }
    QString ProgressText() const { return m_progressText; }

    void inet1_StateChanged(int State);
    void Timer1_Timer();

    // Ticks without a sign of life before "Transfer timed out", and the tick's length.
    void setInactivityLimit(int ticks, int tickMilliseconds = 1000);
    // The network control (the local one is made when first needed).
    InetControl *control() const { return m_control.get(); }
    bool timerActive() const { return m_timer.isActive(); }

    // OpenURL keeps at most this much; a larger document ends in DownloadError.
    static constexpr qint64 MaxTextBytes = 64 * 1024 * 1024;

signals:
    void Status(const QString &StatusString);
    void Progress(float Percent, const QString &Text);
    void DownloadFinished();
    void DownloadCancelled();
    void DownloadError(const QString &Message);
    void UploadError(const QString &Message);
    void Receiving();
    void NoInternet();
    // FileText or ProgressText changed.
    void LabelsChanged();

private:
    bool haveControl();
    InetControl &active() const { return *m_active; }
    void cancelControls();
    QString address() const;
    bool overLimit(qint64 bytes) const;
    void failTooLarge();
    void openPartial();
    void endAsQuitting();
    void startRequest();
    void runFtpRoute();
    void sizeCheck();
    void beginChunkLoop();
    void drainChunks();
    void finishChunkLoop();
    void chunkProgress();
    void reportProgress(float percent, const QString &text);
    void status(const QString &text);
    void controlFailed(const Failure &failure);
    void saveFailed(const Failure &failure);
    void fail(const QString &message);
    void endTransfer();
    void closeOutput(bool eraseUnfinished);
    void setProgressText(const QString &text);

    std::unique_ptr<InetControl> m_control;
    std::unique_ptr<InetControl> m_local;
    // The control of the current request: the network's or the local one.
    InetControl *m_active = nullptr;
    QTimer m_timer;
    int m_limit = 60;
    qint64 m_expected = 0;
    QByteArray m_received;
    bool m_done = true;
    bool m_toFile = false;
    bool m_getSize = false;
    bool m_ftpRoute = false;
    QString m_target;
    // The temporary file beside the target that the body is written to.
    QString m_partial;
    // The Content-Length of the answer, -1 when it gave none.
    qint64 m_announced = -1;
    // Set when the server's answer is a failure whose body OpenURL still reads.
    QString m_answerFailure;
    QString m_lastError;
    qint16 m_inactivity = 0;
    bool m_noControl = false;
    QString m_url;
    QElapsedTimer m_lastProgress;
    qint64 m_bytes = 0;
    float m_percent = 0;
    bool m_anyText = false;
    bool m_retried = false;
    bool m_inChunkLoop = false;
    bool m_drainQueued = false;
    int m_file = 0;
    QString m_fileText;
    QString m_progressText;
    QList<QEventLoop *> m_waits;
};
