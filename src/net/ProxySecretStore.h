#pragma once

#include <QString>

#include <chrono>
#include <optional>

// The proxy password in the desktop's secret store (the Secret Service of GNOME Keyring or
// KWallet) rather than scrambled in Orlin.ini. Every call talks D-Bus on a
// thread of its own and is given up (cancelled) after a bounded wait, so a store that
// hangs or waits on a prompt never freezes the caller; a store that did not answer in time
// is left alone for the rest of the process. Nothing here is kept between calls.
class ProxySecretStore
{
public:
    // Whose password: the proxy account, as the settings name it.
    struct Account
    {
        QString server;
        QString port;
        QString user;
    };
    // Whether two accounts name the same entry of the store (a server typed with
    // "user:password@" in front is the same server).
    static bool sameEntry(const Account &a, const Account &b);

    struct Lookup
    {
        // Whether a secret store answered: only then does the password live there.
        bool reachable = false;
        // The password it keeps for the account, if any.
        std::optional<QString> password;
    };

    // busName: the D-Bus name of the Secret Service to use on the session bus; empty for
    // none at all (no connection is made).
    explicit ProxySecretStore(QString busName,
                              std::chrono::milliseconds wait = std::chrono::seconds(5));

    Lookup lookup(const Account &account) const;
    // True when the store now keeps exactly this password for the account.
    bool store(const Account &account, const QString &password) const;
    // True when the store now keeps no password for the account.
    bool clear(const Account &account) const;

    // The store the program uses: the desktop's Secret Service, unless ServiceSeam says
    // otherwise.
    static ProxySecretStore desktop();
    // Which Secret Service desktop() talks to (see base/Seam.h): unset, the desktop's
    // ("org.freedesktop.secrets"); an empty name, none (tests that must not reach the
    // user's keyring); any other name, the service that owns it on the session bus.
    struct ServiceSeam
    {
        using Type = std::optional<QString>;
    };
    static constexpr const char *kDesktopService = "org.freedesktop.secrets";

private:
    QString m_busName;
    std::chrono::milliseconds m_wait;
};
