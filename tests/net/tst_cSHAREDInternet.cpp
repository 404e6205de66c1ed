// Blocking transfers through the libcurl control against real servers on 127.0.0.1:
// Python's http.server, a fault-injecting server of our own, pyftpdlib and tinyproxy.
#include "net/cSHAREDInternet.h"

#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "net/CurlInetControl.h"
#include "net/InternetTransfer.h"
#include "net/cSharedEncrypt.h"
#include "support/NetServers.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "support/TransferEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class RealServers : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    QTemporaryDir served;
    QString target = folder.file("download.bin");

    QString serve(const QString &name, const QByteArray &bytes)
    {
        const QString path = served.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray targetBytes() const
    {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void useProxy(int type, const QString &server = {}, const QString &port = {},
                         const QString &user = {}, const QString &password = {})
    {
        Settings().sSet("ProxyType", type);
        Settings().sSet("ProxyServer", server);
        Settings().sSet("ProxyPort", port);
        Settings().sSet("ProxyUser", user);
        Settings().sSet("ProxyPwd", cSharedEncrypt::instance().Encrypt(password));
    }
};

#define REQUIRE_SERVER(s)                                                                          \
    if (!(s))                                                                                      \
    GTEST_SKIP() << "server not available: run scripts/install-deps"

TEST_F(RealServers, HttpDownloadArrivesWholeWithItsEventsInOrder)
{
    const QByteArray bytes = patternBytes(700 * 1024 + 3);
    serve("books/book one.txt", bytes);
    auto http = TestServer::http(served.path());
    REQUIRE_SERVER(http);
    cSHAREDInternet inet;
    TransferEvents events(inet.transfer());
    QList<int> states;
    bool statesOffMainThread = false;
    QObject::connect(inet.transfer().control(), &InetControl::StateChanged, [&](int s) {
        states << s;
        statesOffMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    });

    ASSERT_TRUE(inet.GetFile(http->url("/books/book%20one.txt"), target, true));
    EXPECT_EQ(targetBytes(), bytes);
    EXPECT_EQ(inet.ExpectedFilesize(), bytes.size());
    EXPECT_FALSE(events.offMainThread);
    EXPECT_FALSE(statesOffMainThread);
    ASSERT_TRUE(states.contains(7) && states.contains(8) && states.contains(12)) << states.size();
    EXPECT_LT(states.indexOf(7), states.indexOf(8));
    EXPECT_EQ(states.indexOf(8) + 1, states.indexOf(12));
    EXPECT_FALSE(states.contains(11));
    EXPECT_EQ(events.lines.last(), "Finished");
    EXPECT_LT(events.lines.indexOf("Receiving"), events.lines.indexOf("Finished"));
    EXPECT_EQ(events.only("Status: ").last(), "Downloaded 700.00 kb (100%)");
    EXPECT_FALSE(events.only("Progress: ").isEmpty());
    EXPECT_FALSE(inet.Connected());
}

// Whatever a server does, the download ends in success with every byte, or in one clear
// failure that names the address, and a failure leaves the user's older copy as it was.
TEST_F(RealServers, MisbehavingServersEndInAClearOutcome)
{
    auto faults = TestServer::faults();
    REQUIRE_SERVER(faults);
    struct Case
    {
        QString path;
        QByteArray body; // what arrives; empty with an error
        QString error; // "%1" stands for the address
        qint64 maxBytes = 0;
    };
    const Case cases[] = {
        { "/nolength/200000", patternBytes(200000), {} },
        { "/redirect?to=/file/5000", patternBytes(5000), {} },
        { "/file/0", QByteArray(""), {} },
        { "/error404", {}, "The server answered 404 Not Found for %1" },
        { "/status/404/html", {}, "The server answered 404 Not Found for %1" },
        { "/status/404/text", {}, "The server answered 404 Not Found for %1" },
        { "/status/500/html", {}, "The server answered 500 Internal Server Error for %1" },
        { "/status/500/text", {}, "The server answered 500 Internal Server Error for %1" },
        { "/redirect?to=/status/403/text", {}, "The server answered 403 Forbidden for %1" },
        { "/loop", {}, "The address redirects too often (more than 10 times)." },
        { "/drop/300000", {}, "The download of %1 broke off before the whole file arrived." },
        { "/stall/5000", {}, "Transfer timed out" },
        { "/file/5000", {}, "The file at %1 is larger than 4 KB, so it was not downloaded.", 4096 },
        { "/endless",
          {},
          "The file at %1 is larger than 64 KB, so it was not downloaded.",
          64 * 1024 },
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.path.toStdString());
        folder.writeBytes("download.bin", "the user's older copy");
        cSHAREDInternet inet;
        inet.transfer().setInactivityLimit(4, 100);
        inet.setMaxBytes(k.maxBytes);
        TransferEvents events(inet.transfer());
        const bool ok = inet.GetFile(faults->url(k.path), target, true);
        EXPECT_EQ(ok, k.error.isEmpty()) << events.lines.join(" | ").toStdString();
        if (ok) {
            EXPECT_EQ(targetBytes(), k.body);
            EXPECT_TRUE(inet.LastError().isEmpty());
        } else {
            const QString error =
                k.error.contains("%1") ? k.error.arg(faults->url(k.path)) : k.error;
            EXPECT_EQ(events.only("Error: "), QStringList { error });
            EXPECT_EQ(inet.LastError(), error);
            EXPECT_EQ(targetBytes(), "the user's older copy");
        }
        EXPECT_EQ(QDir(folder.path()).entryList({ ".orlin-part-*" }, QDir::Hidden | QDir::Files),
                  QStringList());
    }
    // The drop was tried twice: once, and once more silently, never in a loop.
    cSHAREDInternet counter;
    EXPECT_EQ(counter.OpenURL(faults->url("/count?path=/drop/300000")), "2");
}

TEST_F(RealServers, OnlyHttpHttpsAndFtpAreFetched)
{
    const QString unknownHost = QString(64, 'a') + ".invalid"; // fails without asking DNS
    const struct
    {
        QString url;
        QString error;
    } cases[] = {
        { "file:///etc/hostname", "Only http, https and ftp addresses can be fetched" },
        { "gopher://127.0.0.1/", "Only http, https and ftp addresses can be fetched" },
        { "dict://127.0.0.1/d:word", "Only http, https and ftp addresses can be fetched" },
        { "ldap://127.0.0.1/", "Only http, https and ftp addresses can be fetched" },
        { "ftps://127.0.0.1/x", "Only http, https and ftp addresses can be fetched" },
        { "mailto:someone@example.org", "Only http, https and ftp addresses can be fetched" },
        { QStringLiteral("http://127.0.0.1:%1/x").arg(TestServer::freePort()),
          "Could not connect to the server" },
        { "http://" + unknownHost + "/x", "The server's address could not be found" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.url.toStdString());
        cSHAREDInternet inet;
        TransferEvents events(inet.transfer());
        EXPECT_FALSE(inet.GetFile(k.url, target, true));
        ASSERT_EQ(events.only("Error: ").size(), 1);
        EXPECT_TRUE(events.only("Error: ")[0].startsWith(k.error))
            << events.only("Error: ")[0].toStdString();
        EXPECT_FALSE(QFile::exists(target));
    }
}

TEST_F(RealServers, FtpDownloadsThroughCdGetClose)
{
    const QByteArray bytes = patternBytes(300 * 1024);
    serve("pub/moby dick.txt", bytes);
    auto ftp = TestServer::ftp(served.path());
    REQUIRE_SERVER(ftp);
    Log().LogEvent("start", true);
    const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(ftp->port());
    const struct
    {
        QString url;
        QString error;
    } cases[] = {
        { "ftp://" + hostPort + "/pub/moby dick.txt", {} },
        { "ftp://reader:secret%20pass@" + hostPort + "/pub/moby%20dick.txt", {} },
        { "ftp://reader:wrongpw@" + hostPort + "/pub/moby%20dick.txt",
          "The server refused the user name or password." },
        { "ftp://" + hostPort + "/pub/missing.txt",
          "The server answered 550 /pub/missing.txt is not retrievable for ftp://" + hostPort
              + "/pub/missing.txt" },
        { "ftp:///pub/moby dick.txt", "No address specified" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.url.toStdString());
        QFile::remove(target);
        cSHAREDInternet inet;
        TransferEvents events(inet.transfer());
        const bool ok = inet.GetFile(k.url, target, true);
        EXPECT_EQ(ok, k.error.isEmpty()) << events.lines.join(" | ").toStdString();
        if (ok) {
            EXPECT_EQ(targetBytes(), bytes);
            EXPECT_EQ(inet.ExpectedFilesize(), bytes.size()) << "the size the server announced";
        } else {
            EXPECT_EQ(events.only("Error: "), QStringList { k.error });
            EXPECT_FALSE(QFile::exists(target));
        }
    }
    Log().WriteActionsToLog();
    EXPECT_FALSE(folder.readBytes("log.txt").contains("wrongpw"));
}

TEST_F(RealServers, OpenUrlReturnsTheWholeDocumentAsText)
{
    auto faults = TestServer::faults();
    REQUIRE_SERVER(faults);
    cSHAREDInternet inet;
    EXPECT_EQ(inet.OpenURL(faults->url("/utf8")),
              QString::fromUtf8("Grüße aus Köln: naïve café, 1½ € \r\nzweite Zeile"));
    EXPECT_TRUE(inet.LastError().isEmpty());
    // Error pages come back as they are, and the answer says that they are no document.
    EXPECT_TRUE(inet.OpenURL(faults->url("/error404")).contains("<h1>Not Found</h1>"));
    EXPECT_EQ(inet.LastError(),
              "The server answered 404 Not Found for " + faults->url("/error404"));
    EXPECT_TRUE(inet.OpenURL(faults->url("/status/404/text")).startsWith("404 Not Found"));
    EXPECT_FALSE(inet.LastError().isEmpty());
    EXPECT_EQ(inet.OpenURL(faults->url("/loop")), "");
}

TEST_F(RealServers, CancelInMidTransferEndsAtOnceAndLeavesNoFile)
{
    auto faults = TestServer::faults();
    REQUIRE_SERVER(faults);
    cSHAREDInternet inet;
    TransferEvents events(inet);
    QElapsedTimer sinceCancel;
    // Cancelled from a handler of its own progress, as a Stop click would arrive.
    QObject::connect(&inet, &cSHAREDInternet::Progress, &inet, [&] {
        if (!sinceCancel.isValid()) {
            sinceCancel.start();
            inet.Cancel();
        }
    });
    EXPECT_FALSE(inet.GetFile(faults->url("/slow/4000000"), target, true));
    ASSERT_TRUE(sinceCancel.isValid());
    EXPECT_LT(sinceCancel.elapsed(), 2000);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(events.only("Cancelled").size(), 1);

    // The same object downloads again afterwards.
    QObject::disconnect(&inet, &cSHAREDInternet::Progress, &inet, nullptr);
    EXPECT_TRUE(inet.GetFile(faults->url("/file/3000"), target, true));
    EXPECT_EQ(targetBytes(), patternBytes(3000));
}

TEST_F(RealServers, NamedProxyWithBasicAuthentication)
{
    auto faults = TestServer::faults();
    auto proxy = TestServer::proxy("orlin", "s3cr3t");
    REQUIRE_SERVER(faults && proxy);
    const QString url = faults->url("/file/100000");
    const QString port = QString::number(proxy->port());

    useProxy(2, "127.0.0.1", port, "orlin", "s3cr3t");
    cSHAREDInternet inet;
    inet.ApplyProxy();
    ASSERT_TRUE(inet.GetFile(url, target, true));
    EXPECT_EQ(targetBytes(), patternBytes(100000));
    EXPECT_TRUE(proxy->output().contains(("GET " + url).toUtf8())) << proxy->output().data();

    // Refused without credentials (407), and with the wrong ones on a tunnel (tinyproxy
    // answers those with 401, which over plain HTTP is a page like any other).
    const struct
    {
        QString user;
        QString password;
        QString url;
    } refusals[] = {
        { "", "", url },
        { "orlin", "wrong", QStringLiteral("https://127.0.0.1:%1/x").arg(faults->port()) },
    };
    for (const auto &k : refusals) {
        SCOPED_TRACE(k.url.toStdString());
        QFile::remove(target);
        useProxy(2, "127.0.0.1", port, k.user, k.password);
        inet.ApplyProxy();
        TransferEvents events(inet.transfer());
        EXPECT_FALSE(inet.GetFile(k.url, target, true));
        EXPECT_EQ(events.only("Error: "),
                  QStringList { "The proxy server refused the user name or password." });
        EXPECT_FALSE(QFile::exists(target));
    }
}

TEST_F(RealServers, HttpsIsVerifiedAndTunnelsThroughTheProxy)
{
    serve("secure.txt", "only over TLS");
    auto https = TestServer::https(served.path());
    auto proxy = TestServer::proxy("orlin", "s3cr3t");
    REQUIRE_SERVER(https && proxy);
    useProxy(2, "127.0.0.1", QString::number(proxy->port()), "orlin", "s3cr3t");

    // The system's store does not know the test's own authority.
    {
        cSHAREDInternet inet;
        inet.ApplyProxy();
        TransferEvents events(inet.transfer());
        EXPECT_FALSE(inet.GetFile(https->url("/secure.txt"), target, true));
        ASSERT_EQ(events.only("Error: ").size(), 1);
        EXPECT_TRUE(
            events.only("Error: ")[0].startsWith("The secure connection could not be made"));
    }
    const QString ca = https->caFile();
    {
        Seam::Override<InetControls::FactorySeam> trusting([ca] {
            auto control = std::make_unique<CurlInetControl>();
            control->setCaBundle(ca);
            return control;
        });
        cSHAREDInternet inet;
        inet.ApplyProxy();
        EXPECT_TRUE(inet.GetFile(https->url("/secure.txt"), target, true));
        EXPECT_EQ(targetBytes(), "only over TLS");
    }
    EXPECT_TRUE(proxy->output().contains(
        QStringLiteral("CONNECT 127.0.0.1:%1").arg(https->port()).toUtf8()))
        << proxy->output().data();
}

// What was asked for over a secure connection never arrives over a plain one.
TEST_F(RealServers, SecureAddressesRedirectOnlyToSecureOnes)
{
    serve("secure.txt", "only over TLS");
    auto https = TestServer::https(served.path());
    auto http = TestServer::http(served.path());
    REQUIRE_SERVER(https && http);
    const QString ca = https->caFile();
    Seam::Override<InetControls::FactorySeam> trusting([ca] {
        auto control = std::make_unique<CurlInetControl>();
        control->setCaBundle(ca);
        return control;
    });
    auto faults = TestServer::faults();
    REQUIRE_SERVER(faults);
    const QString plain = http->url("/secure.txt");
    const QString refused =
        "The secure address redirects to an address that is not secure (" + plain + ").";
    const struct
    {
        QString url;
        QString error;
    } cases[] = {
        { https->url("/redirect?to=/secure.txt"), {} },
        { https->url("/redirect?to=" + plain), refused },
        { https->url("/redirect?to=" + https->url("/redirect?to=" + plain)), refused },
        // A plain address may lead to a secure one, but never back from it.
        { faults->url("/redirect?to=" + https->url("/secure.txt")), {} },
        { faults->url("/redirect?to=" + https->url("/redirect?to=" + plain)), refused },
        // Nothing a server names is read from this computer.
        { faults->url("/redirect?to=file:///etc/hostname"),
          "The address redirects to file:///etc/hostname, but only http, https and ftp "
          "addresses can be fetched." },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.url.toStdString());
        QFile::remove(target);
        cSHAREDInternet inet;
        TransferEvents events(inet.transfer());
        EXPECT_EQ(inet.GetFile(k.url, target, true), k.error.isEmpty());
        if (k.error.isEmpty()) {
            EXPECT_EQ(targetBytes(), "only over TLS");
        } else {
            EXPECT_EQ(events.only("Error: "), QStringList { k.error });
            EXPECT_FALSE(QFile::exists(target));
        }
    }
}

// Close-down reaches every transfer, also a hidden one that a blocking wait sits on
// (a silent update check), and ends every wait at once as a failure.
TEST_F(RealServers, CancelAllEndsEveryTransferAndWait)
{
    auto faults = TestServer::faults();
    REQUIRE_SERVER(faults);
    folder.writeBytes("download.bin", "the user's older copy");
    cSHAREDInternet check;
    cSHAREDInternet package;
    bool gotFile = true;
    QString text = "not yet";
    // A download waits inside the check's wait, as nested waits do in the program.
    QTimer::singleShot(100, &package, [&] {
        gotFile = package.GetFile(faults->url("/late/15/pkg.zip"), target, true);
    });
    QTimer::singleShot(500, &check, [] { InternetTransfer::CancelAll(); });
    text = check.OpenURL(faults->url("/late/15/versions/ORL1_current.txt"));
    EXPECT_EQ(text, "");
    EXPECT_EQ(check.LastError(), "Download cancelled");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gotFile; }, 5000));
    EXPECT_EQ(package.LastError(), "Download cancelled");
    EXPECT_EQ(targetBytes(), "the user's older copy");
}

// A mirror on this computer, for the callers that allow it: an absolute path or a file:
// address is read through the same road as a download.
TEST_F(RealServers, LocalMirrorsAreReadWhereTheCallerAllowsIt)
{
    const QByteArray bytes = patternBytes(300 * 1024 + 7);
    const QString book = serve("mirror/7/74/74 0.txt", bytes);
    const struct
    {
        QString url;
        QString error;
    } cases[] = {
        { book, {} },
        { QUrl::fromLocalFile(book).toString(), {} },
        { "file://" + book, {} },
        { served.filePath("mirror/missing.txt"),
          "The file " + served.filePath("mirror/missing.txt") + " does not exist." },
        { served.filePath("mirror/7"), served.filePath("mirror/7") + " is not a file." },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.url.toStdString());
        QFile::remove(target);
        cSHAREDInternet inet;
        inet.transfer().AllowLocalFiles = true;
        TransferEvents events(inet.transfer());
        EXPECT_EQ(inet.GetFile(k.url, target, true), k.error.isEmpty());
        if (k.error.isEmpty()) {
            EXPECT_EQ(targetBytes(), bytes);
            EXPECT_EQ(events.only("Status: ").last(), "Downloaded 300.01 kb (100%)");
        } else {
            EXPECT_EQ(events.only("Error: "), QStringList { k.error });
            EXPECT_FALSE(QFile::exists(target));
        }
    }
    // Without the caller's leave a file: address is refused like any other scheme.
    cSHAREDInternet inet;
    EXPECT_FALSE(inet.GetFile("file://" + book, target, true));
    EXPECT_TRUE(inet.LastError().startsWith("Only http, https and ftp addresses can be fetched"));
}

TEST_F(RealServers, DirectAndSystemDefaultFollowTheEnvironmentAsTheUserChose)
{
    serve("page.txt", "straight from the server");
    auto http = TestServer::http(served.path());
    auto fakeProxy = TestServer::faults(); // answers "PROXIED <url>" to a proxy request
    REQUIRE_SERVER(http && fakeProxy);
    const QByteArray previousProxy = qgetenv("http_proxy");
    const QByteArray previousNoProxy = qgetenv("no_proxy");
    qputenv("http_proxy", fakeProxy->url().toUtf8());
    qunsetenv("no_proxy");
    const QString page = http->url("/page.txt");
    const struct
    {
        const char *name;
        int type;
        const char *noProxy;
        QString expected;
    } cases[] = {
        { "no proxy ignores the environment", 1, nullptr, "straight from the server" },
        { "system default uses http_proxy", 0, nullptr, "PROXIED " + page },
        { "system default honours no_proxy", 0, "127.0.0.1", "straight from the server" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        if (k.noProxy)
            qputenv("no_proxy", k.noProxy);
        useProxy(k.type);
        cSHAREDInternet inet;
        inet.ApplyProxy();
        EXPECT_EQ(inet.OpenURL(page), k.expected);
    }
    qputenv("http_proxy", previousProxy);
    qputenv("no_proxy", previousNoProxy);
}

TEST_F(RealServers, MemoryStaysBoundedWhenTheReaderFallsBehind)
{
    auto faults = TestServer::faults();
    REQUIRE_SERVER(faults);
    constexpr qint64 size = 24 * 1024 * 1024;
    InternetTransfer t;
    TransferEvents events(t);
    auto *control = dynamic_cast<CurlInetControl *>(t.control());
    ASSERT_NE(control, nullptr);
    t.DownloadFile(faults->url(QStringLiteral("/file/%1").arg(size)), target, true);
    // The reader runs on this thread: while it is blocked here the network side must
    // stop at the buffer's limit instead of taking in the whole file.
    QElapsedTimer waited;
    waited.start();
    while (control->bufferedBytes() < CurlInetControl::BufferLimit && waited.elapsed() < 10000)
        QThread::msleep(2);
    ASSERT_GE(control->bufferedBytes(), CurlInetControl::BufferLimit);
    QThread::msleep(300);
    EXPECT_LE(control->peakBufferedBytes(), CurlInetControl::BufferLimit + 256 * 1024);
    ASSERT_TRUE(events.waitForEnd(60000));
    EXPECT_EQ(events.lines.last(), "Finished");
    EXPECT_EQ(QFileInfo(target).size(), size);
    EXPECT_EQ(targetBytes(), patternBytes(size));
}

} // namespace
