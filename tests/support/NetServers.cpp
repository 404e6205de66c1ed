#include "support/NetServers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kStartMs = 15000;
}

TestServer::~TestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString TestServer::python()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3"))
        ? QStringLiteral("/usr/bin/python3")
        : QStandardPaths::findExecutable(QStringLiteral("python3"));
}

QString TestServer::serversFolder()
{
    return qEnvironmentVariable("ORLIN_SOURCE_DIR") + QStringLiteral("/tests/servers");
}

int TestServer::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &length) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

QString TestServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_scheme).arg(m_port).arg(path);
}

QByteArray TestServer::output()
{
    if (!m_logFile.isEmpty()) {
        QFile log(m_logFile);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }
    m_output += m_process.readAll();
    return m_output;
}

bool TestServer::waitUntilListening()
{
    // tinyproxy says nothing on a pipe until it ends, so it is asked directly.
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(quint16(m_port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool up =
            fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        if (fd >= 0)
            ::close(fd);
        if (up)
            return true;
        m_process.waitForFinished(20);
    }
    return false;
}

QString TestServer::caFile() const
{
    return m_dir.filePath(QStringLiteral("ca.pem"));
}

bool TestServer::startWithPortLine(const QString &program, const QStringList &arguments)
{
    static const QRegularExpression portLine(QStringLiteral("(?:PORT |port )(\\d+)"));
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(kStartMs))
        return false;
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(int(deadline.remainingTime()));
        m_output += m_process.readAll();
        const QRegularExpressionMatch m = portLine.match(QString::fromUtf8(m_output));
        if (m.hasMatch()) {
            m_port = m.captured(1).toInt();
            return true;
        }
    }
    return false;
}

std::unique_ptr<TestServer> TestServer::http(const QString &folder)
{
    std::unique_ptr<TestServer> s(new TestServer);
    if (python().isEmpty()
        || !s->startWithPortLine(python(),
                                 { QStringLiteral("-u"), QStringLiteral("-m"),
                                   QStringLiteral("http.server"), QStringLiteral("0"),
                                   QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                                   QStringLiteral("--directory"), folder }))
        return nullptr;
    return s;
}

std::unique_ptr<TestServer> TestServer::faults()
{
    std::unique_ptr<TestServer> s(new TestServer);
    if (python().isEmpty()
        || !s->startWithPortLine(python(), { serversFolder() + QStringLiteral("/faultserver.py") }))
        return nullptr;
    return s;
}

std::unique_ptr<TestServer> TestServer::ftp(const QString &folder)
{
    std::unique_ptr<TestServer> s(new TestServer);
    s->m_scheme = QStringLiteral("ftp");
    if (python().isEmpty()
        || !s->startWithPortLine(python(),
                                 { serversFolder() + QStringLiteral("/ftpserver.py"), folder }))
        return nullptr;
    return s;
}

std::unique_ptr<TestServer> TestServer::proxy(const QString &user, const QString &password)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
    if (program.isEmpty())
        return nullptr;
    std::unique_ptr<TestServer> s(new TestServer);
    s->m_port = freePort();
    const QString config = s->m_dir.filePath(QStringLiteral("tinyproxy.conf"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly))
        return nullptr;
    s->m_logFile = s->m_dir.filePath(QStringLiteral("tinyproxy.log"));
    f.write(QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\n"
                           "BasicAuth %2 %3\nLogLevel Connect\nLogFile \"%4\"\n"
                           "Allow 127.0.0.1\nDisableViaHeader Yes\n")
                .arg(s->m_port)
                .arg(user, password, s->m_logFile)
                .toUtf8());
    f.close();
    s->m_process.setProcessChannelMode(QProcess::MergedChannels);
    s->m_process.start(program, { QStringLiteral("-d"), QStringLiteral("-c"), config });
    if (!s->m_process.waitForStarted(kStartMs) || !s->waitUntilListening())
        return nullptr;
    return s;
}

std::unique_ptr<TestServer> TestServer::https(const QString &folder)
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty() || python().isEmpty())
        return nullptr;
    std::unique_ptr<TestServer> s(new TestServer);
    s->m_scheme = QStringLiteral("https");
    const QString dir = s->m_dir.path();
    const auto run = [&](const QStringList &arguments) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(openssl, arguments);
        return p.waitForFinished(kStartMs) && p.exitCode() == 0;
    };
    QFile ext(s->m_dir.filePath(QStringLiteral("ext.cnf")));
    if (!ext.open(QIODevice::WriteOnly))
        return nullptr;
    ext.write("subjectAltName=IP:127.0.0.1\n");
    ext.close();
    const bool made = run({ "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                            "/CN=Orlin Test CA", "-keyout", "ca.key", "-out", "ca.pem" })
        && run({ "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                 "server.key", "-out", "server.csr" })
        && run({ "x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                 "-CAcreateserial", "-days", "2", "-extfile", "ext.cnf", "-out", "server.pem" });
    if (!made)
        return nullptr;
    const QString script = QStringLiteral(
        "import http.server, ssl, sys, functools, urllib.parse\n"
        "class H(http.server.SimpleHTTPRequestHandler):\n"
        "    def do_GET(self):\n"
        "        u = urllib.parse.urlsplit(self.path)\n"
        "        if u.path != '/redirect':\n"
        "            return super().do_GET()\n"
        "        self.send_response(302)\n"
        "        self.send_header('Location', urllib.parse.parse_qs(u.query)['to'][0])\n"
        "        self.send_header('Content-Length', '0')\n"
        "        self.end_headers()\n"
        "h = functools.partial(H, directory=sys.argv[1])\n"
        "s = http.server.ThreadingHTTPServer(('127.0.0.1', 0), h)\n"
        "c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)\n"
        "c.load_cert_chain(sys.argv[2], sys.argv[3])\n"
        "s.socket = c.wrap_socket(s.socket, server_side=True)\n"
        "print('PORT', s.server_address[1], flush=True)\n"
        "s.serve_forever()\n");
    if (!s->startWithPortLine(python(),
                              { QStringLiteral("-c"), script, folder,
                                s->m_dir.filePath(QStringLiteral("server.pem")),
                                s->m_dir.filePath(QStringLiteral("server.key")) }))
        return nullptr;
    return s;
}

QByteArray patternBytes(qint64 n)
{
    QByteArray out(n, Qt::Uninitialized);
    for (qint64 i = 0; i < n; ++i)
        out[i] = char(i % 251);
    return out;
}
