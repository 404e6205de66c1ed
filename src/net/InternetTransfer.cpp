#include "net/InternetTransfer.h"

#include "base/Failure.h"
#include "base/FileTable.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "base/cSharedText.h"
#include "documents/TextDecoding.h"
#include "net/InetControl.h"
#include "net/LocalFileControl.h"
#include "net/ProxySetup.h"
#include "net/TransferWait.h"
#include "net/UrlText.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kModule = QStringLiteral("fSHAREDInternet");

// Chunks read in one turn of the event loop before the loop gets its turn again, so a
// fast download never freezes the windows.
constexpr int kChunksPerTurn = 512;

QString msg(const char *text)
{
    return Lang().GetTranslation(QString::fromUtf8(text));
}

QString stateLabel(int state)
{
    switch (state) {
    case 1:
        return msg("Resolving Host");
    case 2:
        return msg("Host Resolved");
    case 3:
        return msg("Connecting");
    case 4:
        return msg("Connected");
    case 5:
        return msg("Requesting");
    case 6:
        return msg("Request Sent");
    case 7:
        return msg("Receiving Response");
    case 8:
        return msg("Response Received");
    case 9:
        return msg("Disconnecting");
    case 10:
        return msg("Disconnected");
    case 11:
        return msg("Error");
    case 12:
        return msg("Response Completed");
    default:
        return msg("Other response");
    }
}

QString kilobytes2(qint64 bytes)
{
    return QString::number(double(bytes) / 1024.0, 'f', 2);
}

// Whole numbers with halves to the even neighbour.
qint64 rounded(double value)
{
    return qint64(std::nearbyint(value));
}

// The leading number of a header value ("1234", " 12.5 kb"); 0 when there is none.
double leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    while (end < t.size() && (t.at(end).isDigit() || t.at(end) == QLatin1Char('.')))
        ++end;
    return t.left(end).toDouble();
}

// Every transfer of the process, so close-down can reach the hidden ones too. The main
// thread's only.
QList<InternetTransfer *> &liveTransfers()
{
    static QList<InternetTransfer *> transfers;
    return transfers;
}

// "256 MB", "64 KB": a bound as the user reads it.
QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// An answer that counts as the file: 2xx, or none at all (FTP, a local file).
bool goodAnswer(int statusCode)
{
    return statusCode == 0 || (statusCode >= 200 && statusCode <= 299);
}

// Whether the chunk, read as text up to its first zero byte, holds more than blanks.
bool hasText(const QByteArray &chunk)
{
    for (char c : chunk) {
        if (c == '\0')
            return false;
        if (c != ' ')
            return true;
    }
    return false;
}

} // namespace

InternetTransfer::InternetTransfer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &InternetTransfer::Timer1_Timer);
    Trace::attempt(QStringLiteral("Form_Load"), kModule,
                   [&] { m_control = InetControls::create(); });
    m_local = std::make_unique<LocalFileControl>();
    for (InetControl *c : { m_control.get(), m_local.get() }) {
        if (!c)
            continue;
        connect(c, &InetControl::StateChanged, this, [this, c](int state) {
            if (c == m_active)
                inet1_StateChanged(state);
        });
        connect(c, &InetControl::ChunkArrived, this, [this, c] {
            if (c == m_active)
                drainChunks();
        });
    }
    m_active = m_control ? m_control.get() : m_local.get();
    liveTransfers().append(this);
}

InternetTransfer::~InternetTransfer()
{
    liveTransfers().removeAll(this);
    for (InetControl *c : { m_control.get(), m_local.get() }) {
        if (c)
            c->disconnect(this);
    }
    Trace::quietly([&] {
        cancelControls();
        closeOutput(true);
    });
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
}

void InternetTransfer::CancelAll()
{
    // Each cancel lets its listeners run, which may end other transfers: the list is
    // taken afresh for every one.
    const QList<InternetTransfer *> transfers = liveTransfers();
    for (InternetTransfer *t : transfers) {
        if (liveTransfers().contains(t) && (t->Running() || !t->m_waits.isEmpty()))
            t->Cancel();
    }
}

void InternetTransfer::cancelControls()
{
    if (m_control)
        m_control->Cancel();
    m_local->Cancel();
}

QString InternetTransfer::address() const
{
    return UrlText::withoutCredentials(m_url.trimmed());
}

void InternetTransfer::setInactivityLimit(int ticks, int tickMilliseconds)
{
    m_limit = ticks;
    m_timer.setInterval(tickMilliseconds);
}

bool InternetTransfer::haveControl()
{
    if (!m_control)
        m_noControl = true;
    return !m_noControl;
}

void InternetTransfer::DownloadFile(const QString &sUrl, const QString &FileName, bool bGetSize)
{
    const QPointer<InternetTransfer> self(this);
    Trace::attempt(QStringLiteral("DownloadFile"), kModule, [&] {
        m_url = sUrl;
        m_getSize = bGetSize;
        m_lastError.clear();
        const bool local = AllowLocalFiles && UrlText::isLocal(sUrl);
        if (!local && !haveControl()) {
            // Nothing was fetched, and the target (an older copy, perhaps) stays as it is.
            m_done = true;
            m_lastError = msg("No connection to the internet could be made.");
            emit DownloadFinished();
            if (self)
                emit NoInternet();
            return;
        }
        // A transfer still running gives way; its unfinished file goes with it.
        cancelControls();
        closeOutput(true);
        m_active = local ? m_local.get() : m_control.get();
        m_fileText = FileName;
        emit LabelsChanged();
        m_expected = 0;
        m_toFile = true;
        m_target = FileName;
        // The access type stays what ApplyProxy made it: the user's choice of proxy.
        active().RequestTimeout = 60;
        m_inactivity = 0;
        m_timer.start();
        m_done = false;
        m_retried = false;
        m_ftpRoute = !local && UrlText::isFtpRoute(sUrl);
        startRequest();
    });
}

QString InternetTransfer::OpenURL(const QString &sUrl, bool ShowStatus)
{
    const QPointer<InternetTransfer> self(this);
    QString result;
    m_url = sUrl;
    m_lastError.clear();
    const bool local = AllowLocalFiles && UrlText::isLocal(sUrl);
    if (!local && !haveControl()) {
        m_done = true;
        m_lastError = msg("No connection to the internet could be made.");
        emit NoInternet();
        return result;
    }
    Trace::attempt(QStringLiteral("OpenURL"), kModule, [&] {
        SuppressAllButErrors = !ShowStatus;
        cancelControls();
        closeOutput(true);
        m_active = local ? m_local.get() : m_control.get();
        m_inactivity = 0;
        m_timer.start();
        m_expected = 0;
        m_received.clear();
        m_done = false;
        m_toFile = false;
        m_getSize = false;
        m_retried = false;
        m_ftpRoute = false;
        startRequest();
    });
    QEventLoop loop;
    m_waits.append(&loop);
    const bool ended =
        TransferWait::until(loop, [&] { return !self || m_done || !m_timer.isActive(); });
    if (!self)
        return result;
    m_waits.removeOne(&loop);
    if (!ended)
        endAsQuitting();
    // The whole body decoded at once: a character split between two chunks, or a
    // blank at a chunk's edge, comes through unharmed.
    QString text = TextDecoding::decodeDocument(m_received);
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return cSharedText::TrimBlanks(text);
}

void InternetTransfer::startRequest()
{
    m_expected = 0;
    m_announced = -1;
    m_answerFailure.clear();
    m_bytes = 0;
    m_percent = 0;
    m_anyText = false;
    m_received.clear();
    m_inChunkLoop = false;
    if (m_ftpRoute)
        runFtpRoute();
    else
        active().Execute(m_url.trimmed(), QStringLiteral("GET"));
}

// The application is on its way out and the wait for this transfer gave up: the
// transfer ends as a failure, so nothing half-done is kept.
void InternetTransfer::endAsQuitting()
{
    if (m_done)
        return;
    fail(msg("The transfer was stopped because the program is closing."));
}

void InternetTransfer::runFtpRoute()
{
    const UrlText::FtpParts parts = UrlText::splitFtp(m_url);
    if (parts.host.isEmpty()) {
        endTransfer();
        emit DownloadError(msg("No address specified"));
        return;
    }
    const QString host = QStringLiteral("FTP://") + parts.host;
    active().Execute(host, QStringLiteral("CD ") + UrlText::quotedArgument(parts.folder));
    active().Execute(host,
                     QStringLiteral("GET ") + UrlText::quotedArgument(parts.file) + QLatin1Char(' ')
                         + UrlText::quotedArgument(m_target));
    active().Execute(host, QStringLiteral("CLOSE"));
}

void InternetTransfer::inet1_StateChanged(int State)
{
    // A request that has ended (or was never started) has nothing more to say; above
    // all, a late 12 must not open and empty the target again.
    if (m_done)
        return;
    const QPointer<InternetTransfer> self(this);
    setProgressText(stateLabel(State));
    m_inactivity = 0;
    switch (State) {
    case 1:
        status(msg("Resolving host"));
        break;
    case 2:
        status(msg("Resolved host"));
        break;
    case 3:
        status(msg("Connecting"));
        break;
    case 4:
        status(msg("Connected"));
        break;
    case 5:
    case 6:
    case 9:
    case 10:
        break;
    case 7:
        emit Receiving();
        break;
    case 8:
        sizeCheck();
        break;
    case 11: {
        QString info = active().ResponseInfo();
        if (info.trimmed().isEmpty())
            info = msg("Download failed. Please try again.");
        Log().AddAction(UrlText::withoutCredentials(info), QStringLiteral("inet1_StateChanged"),
                        kModule);
        closeOutput(true);
        endTransfer();
        m_lastError = info;
        emit Status(info);
        if (self)
            emit DownloadError(info);
        break;
    }
    case 12:
        beginChunkLoop();
        break;
    default:
        if (SuppressAllButErrors || SuppressAllButDLAndErrors)
            break;
        if (m_expected > 0)
            status(msg("File Size: %1 kb.  Downloaded %2 kb (%3%)")
                       .arg(kilobytes2(m_expected), kilobytes2(0))
                       .arg(0));
        else
            status(msg("Downloaded %1kb").arg(kilobytes2(0)));
        break;
    }
}

void InternetTransfer::status(const QString &text)
{
    if (!SuppressAllButErrors)
        emit Status(text);
}

void InternetTransfer::setProgressText(const QString &text)
{
    m_progressText = text;
    emit LabelsChanged();
}

void InternetTransfer::sizeCheck()
{
    if (m_expected != 0)
        return;
    m_expected = -1;
    // Asked whatever get-size says: it tells a body cut short and one over the bound.
    const QString header = active().GetHeader(QStringLiteral("Content-Length"));
    m_announced = header.trimmed().isEmpty() ? -1 : rounded(leadingNumber(header));
    if (!m_getSize || m_announced < 0)
        return;
    m_expected = m_announced;
    setProgressText(msg("File size: %1").arg(m_expected));
}

bool InternetTransfer::overLimit(qint64 bytes) const
{
    const qint64 limit =
        m_toFile ? MaxBytes : (MaxBytes > 0 ? std::min(MaxBytes, MaxTextBytes) : MaxTextBytes);
    return limit > 0 && bytes > limit;
}

void InternetTransfer::failTooLarge()
{
    const qint64 limit =
        m_toFile || (MaxBytes > 0 && MaxBytes < MaxTextBytes) ? MaxBytes : MaxTextBytes;
    fail(msg("The file at %1 is larger than %2, so it was not downloaded.")
             .arg(address(), sizeText(limit)));
}

// The body goes to a file of its own beside the target, made afresh, which becomes the
// target only once the last byte has arrived.
void InternetTransfer::openPartial()
{
    closeOutput(true);
    const QDir folder = QFileInfo(m_target).absoluteDir();
    // A name nobody has, made with the user's usual permissions (the kernel applies
    // the umask).
    for (int attempt = 0;; ++attempt) {
        const QString candidate = folder.filePath(
            QStringLiteral(".orlin-part-%1")
                .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_partial = candidate;
            break;
        }
        if (errno != EEXIST || attempt > 100)
            throwErrno(errno, m_target);
    }
    m_file = FileTable::open(m_partial, FileTable::Mode::Output);
}

void InternetTransfer::beginChunkLoop()
{
    if (m_expected == 0) {
        // No size check ran: the size is unknown. The body is already on its way, so
        // it is read as it is rather than asked for a second time.
        m_getSize = false;
        m_expected = -1;
    }
    if (m_announced >= 0 && overLimit(m_announced)) {
        failTooLarge();
        return;
    }
    const int code = active().StatusCode();
    if (!goodAnswer(code)) {
        QString answer = active().StatusText().simplified();
        if (answer.isEmpty())
            answer = QString::number(code);
        m_answerFailure = msg("The server answered %1 for %2").arg(answer, address());
        // A download has no use for an error page; OpenURL reads it for its caller.
        if (m_toFile) {
            fail(m_answerFailure);
            return;
        }
    }
    status(msg("Downloading"));
    if (m_toFile) {
        try {
            openPartial();
        } catch (const std::exception &e) {
            saveFailed(Trace::asFailure(e));
            return;
        }
    }
    m_bytes = 0;
    m_percent = 0;
    m_anyText = false;
    m_inChunkLoop = true;
    drainChunks();
}

void InternetTransfer::drainChunks()
{
    m_drainQueued = false;
    if (!m_inChunkLoop || !m_active)
        return;
    const QPointer<InternetTransfer> self(this);
    int budget = kChunksPerTurn;
    while (m_inChunkLoop && active().ChunkWaiting()) {
        if (--budget < 0) {
            if (!m_drainQueued) {
                m_drainQueued = true;
                QTimer::singleShot(0, this, &InternetTransfer::drainChunks);
            }
            return;
        }
        QByteArray chunk;
        try {
            chunk = active().GetChunk(1024);
        } catch (const std::exception &e) {
            controlFailed(Trace::asFailure(e));
            return;
        }
        m_inactivity = 0;
        if (chunk.isEmpty()) {
            finishChunkLoop();
            return;
        }
        if (overLimit(m_bytes + chunk.size())) {
            failTooLarge();
            return;
        }
        if (m_toFile) {
            try {
                FileTable::write(m_file, chunk);
            } catch (const std::exception &e) {
                saveFailed(Trace::asFailure(e));
                return;
            }
        } else {
            m_received += chunk;
        }
        // Every byte counts, a chunk of one byte included.
        m_bytes += chunk.size();
        if (!m_anyText)
            m_anyText = hasText(chunk);
        chunkProgress();
        if (!self)
            return;
    }
}

void InternetTransfer::chunkProgress()
{
    if (SuppressAllButDLAndErrors || SuppressAllButErrors)
        return;
    if (m_expected > 0 && m_anyText)
        m_percent = float(rounded(std::min(100.0, double(m_bytes) / double(m_expected) * 100)));
    // Most chunks fall inside the quarter second: their text is never made.
    if (m_lastProgress.isValid() && m_lastProgress.elapsed() <= 250)
        return;
    if (m_expected > 0) {
        if (m_getSize)
            reportProgress(m_percent,
                           msg("%1 kb of %2 kb (%3%)")
                               .arg(rounded(double(m_bytes) / 1024))
                               .arg(rounded(double(m_expected) / 1024))
                               .arg(qint64(m_percent)));
        else
            reportProgress(0, msg("%1 kb downloaded").arg(rounded(double(m_bytes) / 1024)));
    } else {
        reportProgress(100, msg("Downloaded %1kb").arg(kilobytes2(m_bytes)));
    }
}

void InternetTransfer::reportProgress(float percent, const QString &text)
{
    // A monotonic clock: one counted from midnight would stop reports after midnight.
    if (m_lastProgress.isValid() && m_lastProgress.elapsed() <= 250)
        return;
    m_lastProgress.start();
    const QPointer<InternetTransfer> self(this);
    emit Status(text);
    if (self)
        emit Progress(percent, text);
}

void InternetTransfer::finishChunkLoop()
{
    m_inChunkLoop = false;
    if (m_announced >= 0 && m_bytes != m_announced) {
        fail(msg("The download of %1 broke off: %2 of %3 bytes arrived.")
                 .arg(address())
                 .arg(m_bytes)
                 .arg(m_announced));
        return;
    }
    if (!m_answerFailure.isEmpty()) {
        fail(m_answerFailure);
        return;
    }
    if (m_toFile) {
        try {
            const int file = std::exchange(m_file, 0);
            FileTable::close(file);
            if (std::rename(QFile::encodeName(m_partial).constData(),
                            QFile::encodeName(m_target).constData())
                != 0)
                throwErrno(errno, m_target);
            m_partial.clear();
        } catch (const std::exception &e) {
            saveFailed(Trace::asFailure(e));
            return;
        }
    }
    const QString text = msg("Downloaded %1 kb (100%)").arg(kilobytes2(m_bytes));
    const QPointer<InternetTransfer> self(this);
    endTransfer();
    emit Status(text);
    if (self)
        emit DownloadFinished();
}

void InternetTransfer::controlFailed(const Failure &failure)
{
    Trace::record(failure, QStringLiteral("inet1_StateChanged"), kModule);
    switch (failure.code()) {
    case 35756:
        // Once per request: a server that breaks off every time gets an error, not an
        // endless round of silent retries.
        if (!m_retried) {
            m_retried = true;
            active().Cancel();
            closeOutput(true);
            m_getSize = false;
            m_inactivity = 0;
            startRequest();
            return;
        }
        fail(msg("The download of %1 broke off before the whole file arrived.").arg(address()));
        return;
    case 35761:
        fail(msg("Download timed out. Please try again."));
        return;
    default:
        fail(msg("Download failed. Please try again."));
        return;
    }
}

// Writing the target failed: the download ends, and with it the partial file.
void InternetTransfer::saveFailed(const Failure &failure)
{
    Trace::record(failure, QStringLiteral("inet1_StateChanged"), kModule);
    fail(failure.code() == FailureCode::DiskFull
             ? msg("The disk is full: the download could not be saved to %1.").arg(m_target)
             : msg("The download could not be saved to %1: %2")
                   .arg(m_target, failure.description()));
}

void InternetTransfer::fail(const QString &message)
{
    cancelControls();
    closeOutput(true);
    endTransfer();
    m_lastError = message;
    emit DownloadError(message);
}

void InternetTransfer::endTransfer()
{
    m_done = true;
    m_inChunkLoop = false;
    m_timer.stop();
    for (QEventLoop *loop : std::as_const(m_waits))
        loop->quit();
}

void InternetTransfer::closeOutput(bool eraseUnfinished)
{
    if (m_file != 0) {
        const int file = std::exchange(m_file, 0);
        Trace::attempt(QStringLiteral("closeOutput"), kModule, [&] { FileTable::close(file); });
    }
    // Only the temporary file goes: the target is never touched by a download that did
    // not finish.
    if (eraseUnfinished && !m_partial.isEmpty()) {
        QFile::remove(m_partial);
        m_partial.clear();
    }
}

void InternetTransfer::Timer1_Timer()
{
    ++m_inactivity;
    if (m_inactivity <= m_limit)
        return;
    Trace::quietly([&] { cancelControls(); });
    closeOutput(true);
    endTransfer();
    m_lastError = msg("Transfer timed out");
    emit DownloadError(m_lastError);
}

void InternetTransfer::Cancel()
{
    Trace::attempt(QStringLiteral("Cancel"), kModule, [&] { cancelControls(); });
    closeOutput(true);
    endTransfer();
    m_lastError = msg("Download cancelled");
    const QPointer<InternetTransfer> self(this);
    emit Progress(0, msg("Download cancelled"));
    if (self)
        emit DownloadCancelled();
}

void InternetTransfer::CancelDownload()
{
    m_timer.stop();
    Trace::attempt(QStringLiteral("CancelDownload"), kModule, [&] { cancelControls(); });
    // Only the file still being written goes: a download that has already finished is
    // the user's file now.
    closeOutput(true);
    endTransfer();
    m_lastError = msg("Download cancelled");
    emit DownloadError(m_lastError);
}

bool InternetTransfer::Connected() const
{
    return m_active && m_active->StillExecuting();
}

qint64 InternetTransfer::ExpectedFilesize() const
{
    return m_expected;
}

void InternetTransfer::ApplyProxy()
{
    try {
        if (!m_control)
            throw Failure(FailureCode::TransferControlMissing,
                          QStringLiteral("The transfer control is not installed"));
        const int type = settingToInt(Settings().sGet(QStringLiteral("ProxyType"), 1), 1);
        m_control->AccessType = type;
        m_control->UserName.clear();
        m_control->Password.clear();
        if (type == InetControl::icNamedProxy) {
            const QString server =
                Settings().sGet(QStringLiteral("ProxyServer"), QString()).toString();
            const QString port = Settings().sGet(QStringLiteral("ProxyPort"), QString()).toString();
            if (!server.isEmpty() && !port.isEmpty())
                m_control->Proxy = server + QLatin1Char(':') + port;
            else
                m_control->Proxy.clear();
        } else if (type == InetControl::icDirect) {
            m_control->Proxy.clear();
        }
        // A server typed as "user:password@host" keeps its password out of the log.
        Log().AddAction(QStringLiteral("Proxy set to: ") + QString::number(type) + QLatin1Char(' ')
                            + UrlText::withoutCredentials(m_control->Proxy),
                        QStringLiteral("ApplyProxy"), kModule);
        if (type == InetControl::icNamedProxy) {
            m_control->UserName = ProxyUser();
            m_control->Password = ProxyPassword();
            Log().AddDebug(QStringLiteral("Proxy username/password set"),
                           QStringLiteral("ApplyProxy"), kModule);
        }
    } catch (const std::exception &e) {
        const Failure f = Trace::asFailure(e);
        if (f.code() == FailureCode::TransferControlMissing)
            m_noControl = true;
        Trace::record(f, QStringLiteral("ApplyProxy"), kModule);
    }
}

QString InternetTransfer::ProxyUser() const
{
    return Settings().sGet(QStringLiteral("ProxyUser"), QString()).toString();
}

QString InternetTransfer::ProxyPassword() const
{
    return ProxySetup::password();
}
