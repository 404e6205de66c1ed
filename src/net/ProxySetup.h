#pragma once

#include <QString>

// The proxy settings as the proxy window shows and stores them: the keys "ProxyType",
// "ProxyServer", "ProxyPort" and "ProxyUser" of the settings store, and the password.
// Where the desktop has a secret store (ProxySecretStore) the password lives there and
// Orlin.ini holds none; otherwise it is kept scrambled (cSharedEncrypt) under "ProxyPwd",
// as it always was. A password an earlier version left in Orlin.ini moves into the secret
// store the first time it is read. The window (fSHAREDProxy) only moves these values to
// and from its controls.
namespace ProxySetup {

enum Type { SystemDefault = 0, NoProxy = 1, Manual = 2 };

struct Values
{
    // 0, 1 or 2; any other stored number selects no option.
    int type = NoProxy;
    QString server;
    QString port;
    QString user;
    QString password;
    // Whether the desktop's secret store keeps the password (else: scrambled in Orlin.ini).
    bool inSecretStore = false;
};

// What the settings hold, with the password from the secret store or unscrambled. A key
// that cannot be read leaves its field at the default and is written to the log.
Values load();

enum class Outcome { Stored, PasswordsDiffer, PasswordCannotBeStored };

// Stores the values as typed (nothing trimmed). Nothing is stored when the two
// passwords differ, or when the password would not come back as typed (a NUL, or where it
// must be scrambled a character the scrambled form cannot carry): the user must be told,
// not left with the old password.
Outcome store(const Values &values, const QString &passwordAgain);

// The password the transfers give the proxy, read as load() reads it.
QString password();

} // namespace ProxySetup
