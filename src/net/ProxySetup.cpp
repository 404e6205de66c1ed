#include "net/ProxySetup.h"

#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "net/cSharedDecrypt.h"
#include "net/cSharedEncrypt.h"

namespace ProxySetup {

namespace {
const QString kModule = QStringLiteral("frmProxySetup");

QString text(const char *key)
{
    return Settings().sGet(QString::fromLatin1(key), QString()).toString();
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
    Trace::attempt(procedure, kModule, [&] { v.port = text("ProxyPort"); });
    Trace::attempt(procedure, kModule, [&] { v.server = text("ProxyServer"); });
    Trace::attempt(procedure, kModule, [&] { v.user = text("ProxyUser"); });
    Trace::attempt(procedure, kModule,
                   [&] { v.password = cSharedDecrypt::instance().Decrypt(text("ProxyPwd")); });
    return v;
}

Outcome store(const Values &values, const QString &passwordAgain)
{
    if (values.password != passwordAgain)
        return Outcome::PasswordsDiffer;
    const QString procedure = QStringLiteral("cmdOK_Click");
    QString scrambled;
    if (!Trace::attempt(procedure, kModule,
                        [&] { scrambled = cSharedEncrypt::instance().Encrypt(values.password); }))
        return Outcome::PasswordCannotBeStored;
    if (cSharedDecrypt::instance().Decrypt(scrambled) != values.password) {
        Log().AddAction(QStringLiteral("The password would not read back as typed; not stored"),
                        procedure, kModule);
        return Outcome::PasswordCannotBeStored;
    }
    Trace::attempt(procedure, kModule, [&] {
        Settings().sSet(QStringLiteral("ProxyServer"), values.server);
        Settings().sSet(QStringLiteral("ProxyPort"), values.port);
        Settings().sSet(QStringLiteral("ProxyUser"), values.user);
        Settings().sSet(QStringLiteral("ProxyPwd"), scrambled);
        Settings().sSet(QStringLiteral("ProxyType"),
                        values.type == SystemDefault ? 0
                            : values.type == Manual  ? 2
                                                     : 1);
    });
    return Outcome::Stored;
}

} // namespace ProxySetup
