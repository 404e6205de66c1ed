#include "net/CurlInetControl.h"

#include "base/Failure.h"
#include "base/ProgramInfo.h"
#include "base/cSharedLang.h"
#include "net/SystemProxy.h"
#include "net/UrlText.h"

#include <QMetaObject>
#include <QUrl>

#include <curl/curl.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr long kMaxRedirects = 10;
// The transfer goes on once GetChunk has taken the buffer down to this.
constexpr qint64 kResumeBelow = CurlInetControl::BufferLimit / 4;

QString msg(const char *text)
{
    return Lang().GetTranslation(QString::fromUtf8(text));
}

template<class Fn> void post(CurlInetControl *owner, Fn &&fn)
{
    QMetaObject::invokeMethod(owner, std::forward<Fn>(fn), Qt::QueuedConnection);
}

bool isSecure(const QByteArray &url)
{
    return url.left(8).compare("https://", Qt::CaseInsensitive) == 0;
}

bool curlStarted()
{
    static const bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return started;
}

// Results after which a second attempt of the same request may well succeed.
bool isTransient(int code)
{
    switch (code) {
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return true;
    default:
        return false;
    }
}

// What a server that sends only the number of its answer (HTTP/2) means by it.
QByteArray reasonPhrase(int code)
{
    switch (code) {
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return {};
    }
}

// Every answer libcurl may follow: a 3xx with a Location, but for "not modified".
bool isRedirect(long status)
{
    return status >= 300 && status <= 308 && status != 304;
}

int failureNumber(int code)
{
    if (code == CURLE_OPERATION_TIMEDOUT)
        return InetError::RequestTimedOut;
    return isTransient(code) ? InetError::CannotComplete : InetError::RequestFailed;
}

} // namespace

struct CurlInetControl::Outcome
{
    int code = CURLE_OK;
    QString detail;
    bool proxyRefused = false;
    // The proxy's answer to CONNECT (https through a proxy), 0 when there was none.
    long connectCode = 0;
    bool bodyStarted = false;
    // A secure request that was sent on to an address that is not.
    bool insecureRedirect = false;
    // A redirect to an address of another kind than http, https or ftp.
    QString refusedRedirect;
    // The FTP server's last error reply ("550 No such file or directory").
    QString serverReply;
    QString url;
};

struct CurlInetControl::Request
{
    CurlInetControl *owner = nullptr;
    quint64 generation = 0;
    QByteArray url;
    bool ftp = false;
    int accessType = InetControl::icUseDefault;
    QByteArray proxy;
    QByteArray user;
    QByteArray password;
    QByteArray caBundle;
    long timeout = 60;
    std::atomic<bool> cancelled { false };

    // The worker's own.
    CURL *easy = nullptr;
    bool receiving = false;
    bool bodyStarted = false;
    bool proxyRefused = false;
    QList<QPair<QString, QString>> headers;
    char errorText[CURL_ERROR_SIZE] = {};
    // The answer being read: its status line, and where it sends the request next.
    int statusCode = 0;
    QByteArray statusText;
    QByteArray location;
    // Where the request has got to along a redirect chain, and whether the chain has
    // passed through https: from then on it may lead only to https.
    QUrl hop;
    bool reachedSecure = false;
    QString refusedRedirect;
    QString insecureTarget;
    QByteArray lastReply;

    // Shared with the control's thread.
    mutable std::mutex mutex;
    std::deque<QByteArray> blocks;
    qsizetype frontOffset = 0;
    qint64 buffered = 0;
    qint64 peak = 0;
    bool paused = false;
    bool resumeAsked = false;
    bool notifyPending = false;

    // The control's thread only.
    bool ended = false;
    int failureNumber = 0;
    QString failureText;

    void postState(int state)
    {
        post(owner, [o = owner, g = generation, state] { o->deliverState(g, state); });
    }

    void startBody()
    {
        bodyStarted = true;
        QList<QPair<QString, QString>> answer = headers;
        if (ftp) {
            // FTP has no headers; the size the server announced stands in for one.
            curl_off_t length = -1;
            answer.clear();
            if (curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK
                && length >= 0)
                answer.append({ QStringLiteral("Content-Length"), QString::number(length) });
        }
        QString status;
        if (!ftp && statusCode > 0) {
            QByteArray text = statusText;
            if (text.trimmed() == QByteArray::number(statusCode))
                text = QByteArray::number(statusCode) + ' ' + reasonPhrase(statusCode);
            status = QString::fromLatin1(text.trimmed());
        }
        post(owner, [o = owner, g = generation, answer, code = ftp ? 0 : statusCode, status] {
            o->deliverBodyStart(g, answer, code, status);
        });
    }
};

namespace {

using Request = CurlInetControl::Request;

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *r = static_cast<Request *>(user);
    const size_t total = size * count;
    if (r->cancelled)
        return 0;
    if (total == 0)
        return 0;
    if (!r->bodyStarted) {
        long status = 0;
        curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
        // A proxy's own refusal page is no answer from the server the user asked for.
        if (status == 407) {
            r->proxyRefused = true;
            return 0;
        }
        r->startBody();
    }
    bool notify = false;
    {
        std::lock_guard lock(r->mutex);
        if (r->buffered >= CurlInetControl::BufferLimit) {
            r->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        r->blocks.emplace_back(data, qsizetype(total));
        r->buffered += qint64(total);
        r->peak = std::max(r->peak, r->buffered);
        notify = !r->notifyPending;
        r->notifyPending = true;
    }
    if (notify)
        post(r->owner, [o = r->owner, g = r->generation] { o->deliverChunks(g); });
    return total;
}

// At the end of an answer's headers: whether libcurl may follow the redirect it names.
// Only http, https and ftp addresses are followed, and once the chain has reached https
// it never goes back to a plain address; a refusal ends the transfer with its reason.
bool mayFollow(Request &r)
{
    if (!isRedirect(r.statusCode) || r.location.isEmpty())
        return true;
    const QUrl target = r.hop.resolved(QUrl(QString::fromUtf8(r.location)));
    const QString scheme = target.scheme().toLower();
    const QString shown = target.toString(QUrl::RemoveUserInfo);
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")
        && scheme != QLatin1String("ftp")) {
        r.refusedRedirect = shown;
        return false;
    }
    if (r.reachedSecure && scheme != QLatin1String("https")) {
        r.insecureTarget = shown;
        return false;
    }
    r.hop = target;
    r.reachedSecure = r.reachedSecure || scheme == QLatin1String("https");
    return true;
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *r = static_cast<Request *>(user);
    const size_t total = size * count;
    if (r->cancelled)
        return 0;
    if (!r->receiving) {
        r->receiving = true;
        r->postState(InetState::ReceivingResponse);
    }
    const QByteArray line = QByteArray(data, qsizetype(total)).trimmed();
    if (r->ftp) {
        // FTP has no headers: the callback sees the server's replies instead. The error
        // is kept; the goodbye that follows it is not the answer.
        if (line.size() >= 3 && (line.at(0) == '4' || line.at(0) == '5'))
            r->lastReply = line;
        return total;
    }
    // Each response of a redirect chain starts afresh; the last one is the answer.
    if (line.startsWith("HTTP/")) {
        r->headers.clear();
        r->location.clear();
        const qsizetype blank = line.indexOf(' ');
        r->statusText = blank < 0 ? QByteArray() : line.mid(blank + 1).trimmed();
        r->statusCode = r->statusText.left(3).toInt();
    } else if (line.isEmpty()) {
        if (!mayFollow(*r))
            return 0;
    } else {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            const QString name = QString::fromLatin1(line.left(colon)).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name.compare(QLatin1String("Location"), Qt::CaseInsensitive) == 0)
                r->location = value;
            r->headers.append({ name, QString::fromLatin1(value) });
        }
    }
    return total;
}

int onSocket(void *user, curl_socket_t, curlsocktype)
{
    auto *r = static_cast<Request *>(user);
    r->postState(InetState::HostResolved);
    r->postState(InetState::Connecting);
    return CURL_SOCKOPT_OK;
}

int onConnected(void *user, char *, char *, int, int)
{
    auto *r = static_cast<Request *>(user);
    r->postState(InetState::Connected);
    r->postState(InetState::Requesting);
    r->postState(InetState::RequestSent);
    return CURL_PREREQFUNC_OK;
}

} // namespace

// One thread per control running libcurl's multi interface, one transfer at a time.
// curl_multi_wakeup interrupts its wait, so a cancel or a drained buffer is acted on
// at once.
class CurlInetControl::Worker
{
public:
    Worker()
        : m_multi(curl_multi_init())
    {
        if (!m_multi)
            throw Failure(FailureCode::TransferControlMissing,
                          QStringLiteral("The transfer control could not be started"));
        m_thread = std::thread([this] { run(); });
    }

    ~Worker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        wake();
        m_thread.join();
        curl_multi_cleanup(m_multi);
    }

    void submit(std::shared_ptr<Request> request)
    {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(request));
        }
        wake();
    }

    void wake() { curl_multi_wakeup(m_multi); }

private:
    void run()
    {
        SystemProxy systemProxy;
        std::shared_ptr<Request> active;
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (m_stop)
                    break;
                if (!active && !m_queue.empty()) {
                    active = std::move(m_queue.front());
                    m_queue.pop_front();
                }
            }
            if (active && !active->easy) {
                if (active->cancelled || !begin(*active, systemProxy)) {
                    active.reset();
                    continue;
                }
            }
            if (active) {
                if (active->cancelled) {
                    drop(*active);
                    active.reset();
                    continue;
                }
                resumeIfDrained(*active);
                int running = 0;
                curl_multi_perform(m_multi, &running);
                int left = 0;
                while (CURLMsg *m = curl_multi_info_read(m_multi, &left)) {
                    if (m->msg == CURLMSG_DONE && active && m->easy_handle == active->easy) {
                        finish(*active, m->data.result);
                        drop(*active);
                        active.reset();
                    }
                }
                if (!active)
                    continue;
            }
            curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
        }
        if (active)
            drop(*active);
    }

    bool begin(Request &r, SystemProxy &systemProxy)
    {
        CURL *e = curl_easy_init();
        if (!e) {
            Outcome o;
            o.code = CURLE_FAILED_INIT;
            post(r.owner, [own = r.owner, g = r.generation, o] { own->deliverEnd(g, o); });
            return false;
        }
        r.easy = e;
        static const QByteArray agent = "Orlin/" + ProgramInfo::versionText().toLatin1();
        curl_easy_setopt(e, CURLOPT_URL, r.url.constData());
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        // libcurl's own guard behind mayFollow: from an https address only to https.
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR,
                         isSecure(r.url) ? "https" : "http,https,ftp");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
        // Closing a transfer never waits for a slow name lookup to finish: the program
        // ends when the user quits, whatever the network is doing.
        curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
#endif
        curl_easy_setopt(e, CURLOPT_USERAGENT, agent.constData());
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r.errorText);
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, r.timeout);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, r.timeout);
        curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 64L * 1024);
        curl_easy_setopt(e, CURLOPT_TCP_KEEPALIVE, 1L);
        // Each request on a connection of its own: a kept connection would carry the
        // proxy's earlier authentication over to changed settings.
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
        curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, onSocket);
        curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, &r);
        curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, onConnected);
        curl_easy_setopt(e, CURLOPT_PREREQDATA, &r);
        if (!r.caBundle.isEmpty())
            curl_easy_setopt(e, CURLOPT_CAINFO, r.caBundle.constData());

        switch (r.accessType) {
        case InetControl::icDirect:
            // An empty proxy also keeps libcurl from reading the proxy variables.
            curl_easy_setopt(e, CURLOPT_PROXY, "");
            break;
        case InetControl::icNamedProxy:
            curl_easy_setopt(e, CURLOPT_PROXY, r.proxy.constData());
            if (!r.proxy.isEmpty() && !(r.user.isEmpty() && r.password.isEmpty())) {
                curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, r.user.constData());
                curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, r.password.constData());
                curl_easy_setopt(e, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
            }
            break;
        default:
            if (const auto proxy = systemProxy.proxyFor(r.url))
                curl_easy_setopt(e, CURLOPT_PROXY, proxy->constData());
            break;
        }
        curl_multi_add_handle(m_multi, e);
        r.postState(InetState::ResolvingHost);
        return true;
    }

    void resumeIfDrained(Request &r)
    {
        {
            std::lock_guard lock(r.mutex);
            if (!r.paused || !r.resumeAsked)
                return;
            r.paused = false;
            r.resumeAsked = false;
        }
        // May hand the held data to onBody at once, which may pause again.
        curl_easy_pause(r.easy, CURLPAUSE_CONT);
    }

    void finish(Request &r, CURLcode code)
    {
        Outcome o;
        o.code = code;
        long connectCode = 0;
        long status = 0;
        curl_easy_getinfo(r.easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        curl_easy_getinfo(r.easy, CURLINFO_RESPONSE_CODE, &status);
        // Some proxies answer a wrong password to CONNECT with 401 instead of 407.
        o.proxyRefused = r.proxyRefused || connectCode == 407 || connectCode == 401
            || (!r.bodyStarted && status == 407);
        o.connectCode = connectCode;
        o.detail = QString::fromLocal8Bit(r.errorText[0] ? r.errorText : curl_easy_strerror(code));
        o.url = QString::fromUtf8(r.url);
        if (r.ftp && code != CURLE_OK)
            o.serverReply = QString::fromLatin1(r.lastReply);
        o.refusedRedirect = r.refusedRedirect;
        if (!r.insecureTarget.isEmpty()) {
            o.insecureRedirect = true;
            o.detail = r.insecureTarget;
        }
        if (code == CURLE_UNSUPPORTED_PROTOCOL && isSecure(r.url) && !o.insecureRedirect) {
            char *next = nullptr;
            curl_easy_getinfo(r.easy, CURLINFO_REDIRECT_URL, &next);
            long redirects = 0;
            curl_easy_getinfo(r.easy, CURLINFO_REDIRECT_COUNT, &redirects);
            if (next || redirects > 0) {
                o.insecureRedirect = true;
                // libcurl names the refused address on the first hop only; later ones
                // are in the last answer's Location header.
                if (next) {
                    o.detail = QString::fromUtf8(next);
                } else {
                    for (const auto &[name, value] : r.headers) {
                        if (name.compare(QLatin1String("Location"), Qt::CaseInsensitive) == 0)
                            o.detail = value;
                    }
                }
            }
        }
        if (code == CURLE_OK && !o.proxyRefused && !r.bodyStarted)
            r.startBody();
        o.bodyStarted = r.bodyStarted;
        post(r.owner, [own = r.owner, g = r.generation, o] { own->deliverEnd(g, o); });
    }

    void drop(Request &r)
    {
        if (!r.easy)
            return;
        curl_multi_remove_handle(m_multi, r.easy);
        curl_easy_cleanup(r.easy);
        r.easy = nullptr;
    }

    CURLM *m_multi = nullptr;
    std::mutex m_mutex;
    std::deque<std::shared_ptr<Request>> m_queue;
    bool m_stop = false;
    std::thread m_thread;
};

CurlInetControl::CurlInetControl(QObject *parent)
    : InetControl(parent)
{
    if (!curlStarted())
        throw Failure(FailureCode::TransferControlMissing,
                      QStringLiteral("The transfer library could not be started"));
}

CurlInetControl::~CurlInetControl()
{
    Cancel();
    m_worker.reset();
}

void CurlInetControl::Execute(const QString &URL, const QString &Operation)
{
    const QStringList words = UrlText::splitArguments(Operation.trimmed());
    const QString verb = words.value(0).toUpper();
    const QString url = URL.trimmed();
    const bool ftpSession = url.startsWith(QLatin1String("FTP://"), Qt::CaseInsensitive);
    if (ftpSession && verb == QLatin1String("CD")) {
        m_ftpFolder = words.value(1);
        return;
    }
    if (ftpSession && verb == QLatin1String("CLOSE")) {
        m_ftpFolder.clear();
        return;
    }
    if (ftpSession && verb == QLatin1String("GET") && words.size() > 1) {
        QString folder = m_ftpFolder;
        if (!folder.startsWith(QLatin1Char('/')))
            folder.prepend(QLatin1Char('/'));
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        QString host = url.mid(6);
        while (host.endsWith(QLatin1Char('/')))
            host.chop(1);
        startRequest(QStringLiteral("ftp://") + host + folder + words.at(1));
        return;
    }
    if (verb.isEmpty() || verb == QLatin1String("GET")) {
        startRequest(url);
        return;
    }
    Cancel();
    failAtOnce(msg("The transfer control cannot run the command %1.").arg(verb));
}

void CurlInetControl::startRequest(const QString &url)
{
    Cancel();
    if (!UrlText::isAllowed(url)) {
        failAtOnce(msg("Only http, https and ftp addresses can be fetched, not %1.")
                       .arg(UrlText::withoutCredentials(url)));
        return;
    }
    auto r = std::make_shared<Request>();
    r->owner = this;
    r->generation = m_generation;
    r->url = UrlText::normalized(url).toUtf8();
    r->ftp = UrlText::scheme(QString::fromUtf8(r->url)) == QLatin1String("ftp");
    r->accessType = AccessType;
    r->proxy = Proxy.trimmed().toUtf8();
    r->user = UserName.toUtf8();
    r->password = Password.toUtf8();
    r->caBundle = m_caBundle.toLocal8Bit();
    r->timeout = std::max(1, RequestTimeout);
    r->hop = QUrl(QString::fromUtf8(r->url));
    r->reachedSecure = isSecure(r->url);
    try {
        if (!m_worker)
            m_worker = std::make_unique<Worker>();
    } catch (const std::exception &) {
        failAtOnce(msg("The transfer could not be started."));
        return;
    }
    m_request = r;
    m_executing = true;
    m_responseInfo.clear();
    m_headers.clear();
    m_statusCode = 0;
    m_statusText.clear();
    m_worker->submit(std::move(r));
}

void CurlInetControl::failAtOnce(const QString &info)
{
    m_executing = true;
    post(this, [this, g = m_generation, info] {
        if (g != m_generation)
            return;
        m_executing = false;
        m_responseInfo = info;
        emit StateChanged(InetState::Error);
    });
}

void CurlInetControl::Cancel()
{
    if (m_request) {
        m_request->cancelled = true;
        if (m_worker)
            m_worker->wake();
        m_request.reset();
    }
    ++m_generation;
    m_executing = false;
}

QByteArray CurlInetControl::GetChunk(int Size)
{
    if (!m_request)
        return {};
    Request &r = *m_request;
    const qsizetype wanted = Size <= 0 || Size > 1024 ? 1024 : Size;
    QByteArray out;
    bool wake = false;
    {
        std::lock_guard lock(r.mutex);
        if (r.buffered > 0) {
            const QByteArray &front = r.blocks.front();
            const qsizetype n = std::min(wanted, front.size() - r.frontOffset);
            out = front.mid(r.frontOffset, n);
            r.frontOffset += n;
            if (r.frontOffset == front.size()) {
                r.blocks.pop_front();
                r.frontOffset = 0;
            }
            r.buffered -= n;
            if (r.paused && !r.resumeAsked && r.buffered <= kResumeBelow) {
                r.resumeAsked = true;
                wake = true;
            }
        }
    }
    if (wake && m_worker)
        m_worker->wake();
    if (!out.isEmpty())
        return out;
    if (!r.ended)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("No data has arrived yet"));
    if (r.failureNumber != 0)
        throw Failure(r.failureNumber, r.failureText);
    return {};
}

bool CurlInetControl::ChunkWaiting() const
{
    if (!m_request)
        return false;
    std::lock_guard lock(m_request->mutex);
    return m_request->buffered > 0 || m_request->ended;
}

QString CurlInetControl::GetHeader(const QString &HeaderName) const
{
    for (const auto &[name, value] : m_headers) {
        if (name.compare(HeaderName, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool CurlInetControl::StillExecuting() const
{
    return m_executing;
}

QString CurlInetControl::ResponseInfo() const
{
    return m_responseInfo;
}

qint64 CurlInetControl::bufferedBytes() const
{
    if (!m_request)
        return 0;
    std::lock_guard lock(m_request->mutex);
    return m_request->buffered;
}

qint64 CurlInetControl::peakBufferedBytes() const
{
    if (!m_request)
        return 0;
    std::lock_guard lock(m_request->mutex);
    return m_request->peak;
}

void CurlInetControl::deliverState(quint64 generation, int state)
{
    if (generation == m_generation)
        emit StateChanged(state);
}

void CurlInetControl::deliverBodyStart(quint64 generation,
                                       const QList<QPair<QString, QString>> &headers,
                                       int statusCode, const QString &statusText)
{
    if (generation != m_generation)
        return;
    m_headers = headers;
    m_statusCode = statusCode;
    m_statusText = statusText;
    emit StateChanged(InetState::ResponseReceived);
    if (generation == m_generation)
        emit StateChanged(InetState::ResponseCompleted);
}

void CurlInetControl::deliverChunks(quint64 generation)
{
    if (generation != m_generation || !m_request)
        return;
    {
        std::lock_guard lock(m_request->mutex);
        m_request->notifyPending = false;
    }
    emit ChunkArrived();
}

void CurlInetControl::deliverEnd(quint64 generation, const Outcome &outcome)
{
    if (generation != m_generation || !m_request)
        return;
    m_executing = false;
    if (!outcome.bodyStarted) {
        m_responseInfo = describe(outcome);
        m_request.reset();
        emit StateChanged(InetState::Error);
        return;
    }
    Request &r = *m_request;
    r.ended = true;
    if (outcome.code != CURLE_OK || outcome.proxyRefused) {
        r.failureNumber = failureNumber(outcome.code);
        r.failureText = describe(outcome);
    }
    emit ChunkArrived();
}

QString CurlInetControl::describe(const Outcome &o) const
{
    const QString detail = UrlText::withoutCredentials(o.detail);
    if (o.proxyRefused)
        return msg("The proxy server refused the user name or password.");
    if (o.code != CURLE_OK && o.connectCode >= 300)
        return msg("The proxy server refused the connection (%1).").arg(o.connectCode);
    if (o.insecureRedirect)
        return msg("The secure address redirects to an address that is not secure (%1).")
            .arg(detail);
    if (!o.refusedRedirect.isEmpty())
        return msg("The address redirects to %1, but only http, https and ftp addresses can be "
                   "fetched.")
            .arg(UrlText::withoutCredentials(o.refusedRedirect));
    if (!o.serverReply.isEmpty() && o.code != CURLE_LOGIN_DENIED) {
        QString reply = o.serverReply.simplified();
        while (reply.endsWith(u'.'))
            reply.chop(1);
        return msg("The server answered %1 for %2").arg(reply, UrlText::withoutCredentials(o.url));
    }
    switch (o.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return msg("The server's address could not be found (%1).").arg(detail);
    case CURLE_COULDNT_RESOLVE_PROXY:
        return msg("The proxy server's address could not be found (%1).").arg(detail);
    case CURLE_COULDNT_CONNECT:
        return msg("Could not connect to the server (%1).").arg(detail);
    case CURLE_OPERATION_TIMEDOUT:
        return msg("The server did not answer in time.");
    case CURLE_TOO_MANY_REDIRECTS:
        return msg("The address redirects too often (more than %1 times).").arg(kMaxRedirects);
    case CURLE_UNSUPPORTED_PROTOCOL:
        return msg("Only http, https and ftp addresses can be fetched, not %1.")
            .arg(UrlText::withoutCredentials(o.url));
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
        return msg("The secure connection could not be made (%1).").arg(detail);
    case CURLE_LOGIN_DENIED:
        return msg("The server refused the user name or password.");
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
        return msg("The file was not found on the server.");
    case CURLE_REMOTE_ACCESS_DENIED:
        return msg("The server refused access to the file.");
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return msg("The connection broke off before the whole file arrived (%1).").arg(detail);
    default:
        return msg("The transfer failed (%1).").arg(detail);
    }
}
