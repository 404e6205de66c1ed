#include "support/PrivateSecretService.h"

#include "net/ProxySecretStore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

namespace {

constexpr int kStartMs = 15000;
QString g_why;

// A session bus that starts no services by itself: only what the test runs is on it.
const char kBusConfig[] =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateSecretService::~PrivateSecretService()
{
    resume();
    for (QProcess *p : { &m_keyring, &m_bus }) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
}

PrivateSecretService *PrivateSecretService::shared()
{
    static std::unique_ptr<PrivateSecretService> service = [] {
        std::unique_ptr<PrivateSecretService> s(new PrivateSecretService);
        if (!s->start())
            s.reset();
        return s;
    }();
    return service.get();
}

QString PrivateSecretService::why()
{
    return g_why;
}

bool PrivateSecretService::start()
{
    for (const char *tool : { "dbus-daemon", "gnome-keyring-daemon" }) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            g_why = QStringLiteral("%1 is not installed (scripts/install-deps)").arg(tool);
            return false;
        }
    }
    const QDir dir(m_dir.path());
    for (const char *sub : { "home", "runtime", "bus" })
        dir.mkpath(QLatin1String(sub));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile config(dir.filePath(QStringLiteral("session.conf")));
    if (!config.open(QIODevice::WriteOnly)
        || config.write(
               QString::fromLatin1(kBusConfig).arg(dir.filePath(QStringLiteral("bus"))).toUtf8())
            < 0) {
        g_why = QStringLiteral("cannot write the bus configuration");
        return false;
    }
    config.close();

    m_bus.start(QStringLiteral("dbus-daemon"),
                { QStringLiteral("--config-file=") + config.fileName(),
                  QStringLiteral("--print-address=1"), QStringLiteral("--nofork") });
    QByteArray address;
    const QDeadlineTimer deadline(kStartMs);
    while (!address.contains('\n') && !deadline.hasExpired()
           && m_bus.state() != QProcess::NotRunning) {
        m_bus.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1)));
        address += m_bus.readAllStandardOutput();
    }
    address = address.trimmed();
    if (address.isEmpty()) {
        g_why = QStringLiteral("dbus-daemon did not start: ")
            + QString::fromLocal8Bit(m_bus.readAllStandardError());
        return false;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLatin1(address));
    env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("home/data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("home/config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_keyring.setProcessEnvironment(env);
    // It talks of its own bookkeeping on standard error; the tests check what it keeps.
    m_keyring.setStandardOutputFile(QProcess::nullDevice());
    m_keyring.setStandardErrorFile(QProcess::nullDevice());
    // The login keyring is made with this password and left unlocked.
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    { QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                      QStringLiteral("--components=secrets") });
    if (!m_keyring.waitForStarted(kStartMs)) {
        g_why = QStringLiteral("gnome-keyring-daemon did not start");
        return false;
    }
    m_keyring.write("test-password");
    m_keyring.closeWriteChannel();

    // Ready once it answers on the bus.
    const ProxySecretStore store(QString::fromLatin1(ProxySecretStore::kDesktopService),
                                 std::chrono::seconds(2));
    const bool answered = QTest::qWaitFor(
        [&] {
            return m_keyring.state() == QProcess::NotRunning
                || store.lookup({ QStringLiteral("probe"), {}, {} }).reachable;
        },
        kStartMs);
    if (!answered || m_keyring.state() == QProcess::NotRunning) {
        g_why = QStringLiteral("gnome-keyring-daemon did not answer on the private bus");
        return false;
    }
    return true;
}

void PrivateSecretService::pause()
{
    if (m_keyring.state() == QProcess::Running)
        ::kill(pid_t(m_keyring.processId()), SIGSTOP);
}

void PrivateSecretService::resume()
{
    if (m_keyring.state() == QProcess::Running)
        ::kill(pid_t(m_keyring.processId()), SIGCONT);
}
