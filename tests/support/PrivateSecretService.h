#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A Secret Service of its own for the tests of the proxy password: a private session bus
// (dbus-daemon, activating nothing) with GNOME Keyring's daemon on it, its login keyring
// made and unlocked in a temporary home. The test process is pointed at that bus
// (DBUS_SESSION_BUS_ADDRESS), so nothing reaches the user's own keyring. GLib keeps one
// session bus connection per process: make one service per process (shared()).
class PrivateSecretService
{
public:
    ~PrivateSecretService();

    // The one service of this test process, started on first use; null (and the test
    // should skip, saying why()) when dbus-daemon or gnome-keyring-daemon is missing or
    // would not start.
    static PrivateSecretService *shared();
    static QString why();

    // Stops and continues the keyring daemon (SIGSTOP, SIGCONT): a store that does not
    // answer.
    void pause();
    void resume();

private:
    PrivateSecretService() = default;
    bool start();

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
};
