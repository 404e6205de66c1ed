#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A server for the transfer tests, run as a child process on 127.0.0.1 at a free port
// and killed when the object goes. Each maker returns null (and the test should skip)
// when the server's program is not installed.
class TestServer
{
public:
    ~TestServer();

    // python3 -m http.server over a folder.
    static std::unique_ptr<TestServer> http(const QString &folder);
    // tests/servers/faultserver.py: stalls, drops, error pages, redirect loops, ...
    static std::unique_ptr<TestServer> faults();
    // tests/servers/ftpserver.py (pyftpdlib) over a folder: anonymous, and the user
    // "reader" with the password "secret pass".
    static std::unique_ptr<TestServer> ftp(const QString &folder);
    // tinyproxy asking for Basic authentication with the given user and password.
    static std::unique_ptr<TestServer> proxy(const QString &user, const QString &password);
    // python3 -m http.server behind TLS with a certificate for 127.0.0.1 signed by a
    // certificate authority of its own (caFile()), over a folder; "/redirect?to=U"
    // answers a redirect to U.
    static std::unique_ptr<TestServer> https(const QString &folder);

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by path (scheme by kind of server).
    QString url(const QString &path = {}) const;
    // What the server has written so far (for tinyproxy: its log of requests).
    QByteArray output();
    QString caFile() const;

    // The system's Python, which has the Debian packages (pyftpdlib) installed.
    static QString python();
    static QString serversFolder();
    static int freePort();

private:
    TestServer() = default;
    bool startWithPortLine(const QString &program, const QStringList &arguments);
    bool waitUntilListening();

    QProcess m_process;
    QByteArray m_output;
    QString m_logFile;
    QString m_scheme = QStringLiteral("http");
    int m_port = 0;
    QTemporaryDir m_dir;
};

// The bytes faultserver.py sends for a body of n bytes (byte i is i % 251).
QByteArray patternBytes(qint64 n);
