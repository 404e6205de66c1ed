#include "net/ProxySetup.h"

#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "net/ProxySecretStore.h"
#include "net/cSharedDecrypt.h"
#include "net/cSharedEncrypt.h"

namespace ProxySetup {

namespace {
const QString kModule = QStringLiteral("frmProxySetup");
const QString kPasswordKey = QStringLiteral("ProxyPwd");

QString text(const QString &key)
{
    return Settings().sGet(key, QString()).toString();
}

ProxySecretStore::Account storedAccount()
{
    return { text(QStringLiteral("ProxyServer")), text(QStringLiteral("ProxyPort")),
             text(QStringLiteral("ProxyUser")) };
}

struct Password
{
    QString text;
    bool inSecretStore = false;
};

// The password from the secret store when one answers; a scrambled one in the settings
// (an earlier version's, or kept while no store answered) is moved there first, so from
// then on Orlin.ini holds none.
Password readPassword(const QString &procedure)
{
    const ProxySecretStore::Account account = storedAccount();
    QString scrambledPlain;
    Trace::attempt(procedure, kModule, [&] {
        scrambledPlain = cSharedDecrypt::instance().Decrypt(text(kPasswordKey));
    });
    const ProxySecretStore secrets = ProxySecretStore::desktop();
    const ProxySecretStore::Lookup found = secrets.lookup(account);
    if (!found.reachable)
        return { scrambledPlain, false };
    if (!Settings().IsSettingPresent(kPasswordKey))
        return { found.password.value_or(QString()), true };
    const bool moved =
        scrambledPlain.isEmpty() ? secrets.clear(account) : secrets.store(account, scrambledPlain);
    if (!moved)
        return { scrambledPlain, false };
    Settings().DeleteSettingByName(kPasswordKey);
    Log().AddAction(QStringLiteral("The proxy password moved from the settings file to the "
                                   "desktop's secret store"),
                    procedure, kModule);
    return { scrambledPlain, true };
}

} // namespace

Values load()
{
    Values v;
    const QString procedure = QStringLiteral("Form_Load");
    Trace::attempt(procedure, kModule, [&] {
        const QVariant stored = Settings().sGet(QStringLiteral("ProxyType"), 1);
        const int t = settingToInt(stored, -1);
        v.type = t >= -32768 && t <= 32767 ? t : -1;
    });
    Trace::attempt(procedure, kModule, [&] { v.port = text(QStringLiteral("ProxyPort")); });
    Trace::attempt(procedure, kModule, [&] { v.server = text(QStringLiteral("ProxyServer")); });
    Trace::attempt(procedure, kModule, [&] { v.user = text(QStringLiteral("ProxyUser")); });
    const Password p = readPassword(procedure);
    v.password = p.text;
    v.inSecretStore = p.inSecretStore;
    return v;
}

QString password()
{
    // Without a user there is nothing to sign in with: no need to ask the store.
    if (text(QStringLiteral("ProxyUser")).isEmpty())
        return cSharedDecrypt::instance().Decrypt(text(kPasswordKey));
    return readPassword(QStringLiteral("ApplyProxy")).text;
}

Outcome store(const Values &values, const QString &passwordAgain)
{
    if (values.password != passwordAgain)
        return Outcome::PasswordsDiffer;
    const QString procedure = QStringLiteral("cmdOK_Click");
    // No proxy, and no C string on the way to it, can take a NUL.
    if (values.password.contains(QChar(0))) {
        Log().AddAction(QStringLiteral("A password holding a NUL character is not stored"),
                        procedure, kModule);
        return Outcome::PasswordCannotBeStored;
    }

    const ProxySecretStore::Account before = storedAccount();
    const ProxySecretStore::Account account { values.server, values.port, values.user };
    const ProxySecretStore secrets = ProxySecretStore::desktop();
    const bool inSecretStore = values.password.isEmpty() ? secrets.clear(account)
                                                         : secrets.store(account, values.password);
    QString scrambled;
    if (!inSecretStore) {
        if (!Trace::attempt(procedure, kModule, [&] {
                scrambled = cSharedEncrypt::instance().Encrypt(values.password);
            }))
            return Outcome::PasswordCannotBeStored;
        if (cSharedDecrypt::instance().Decrypt(scrambled) != values.password) {
            Log().AddAction(QStringLiteral("The password would not read back as typed; not stored"),
                            procedure, kModule);
            return Outcome::PasswordCannotBeStored;
        }
    } else if (!ProxySecretStore::sameEntry(before, account)) {
        // The password went with the account it belonged to.
        secrets.clear(before);
    }
    Trace::attempt(procedure, kModule, [&] {
        Settings().sSet(QStringLiteral("ProxyServer"), values.server);
        Settings().sSet(QStringLiteral("ProxyPort"), values.port);
        Settings().sSet(QStringLiteral("ProxyUser"), values.user);
        if (inSecretStore)
            Settings().DeleteSettingByName(kPasswordKey);
        else
            Settings().sSet(kPasswordKey, scrambled);
        Settings().sSet(QStringLiteral("ProxyType"),
                        values.type == SystemDefault ? 0
                            : values.type == Manual  ? 2
                                                     : 1);
    });
    return Outcome::Stored;
}

} // namespace ProxySetup
