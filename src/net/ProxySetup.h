#pragma once

#include <QString>

// The proxy settings as the proxy window shows and stores them: the keys "ProxyType",
// "ProxyServer", "ProxyPort", "ProxyUser" and "ProxyPwd" (scrambled by
// cSharedEncrypt) of the settings store. The window (fSHAREDProxy) only moves these
// values to and from its controls.
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
};

// What the settings hold, with the password unscrambled. A key that cannot be read
// leaves its field at the default and is written to the log.
Values load();

enum class Outcome { Stored, PasswordsDiffer, PasswordCannotBeStored };

// Stores the values as typed (nothing trimmed). Nothing is stored when the two
// passwords differ, or when the password would not come back as typed (a character
// that cannot be scrambled, or text that reads as an entity such as "&lt;"): the
// user must be told, not left with the old password.
Outcome store(const Values &values, const QString &passwordAgain);

} // namespace ProxySetup
