// The proxy password where it is kept: in a real Secret Service (GNOME Keyring on a private
// session bus) with nothing of it in Orlin.ini, scrambled in Orlin.ini without one, moved
// from an earlier version's Orlin.ini into the store, and never in the log. The test of a
// store that does not answer comes last: this process then leaves that store alone.
#include "net/ProxySetup.h"

#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "net/InternetTransfer.h"
#include "net/ProxySecretStore.h"
#include "net/cSharedDecrypt.h"
#include "net/cSharedEncrypt.h"
#include "support/PrivateSecretService.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedInetControl.h"
#include "support/TempProgramFolder.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using Account = ProxySecretStore::Account;

class ProxyPassword : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service = PrivateSecretService::shared();
        if (!service)
            GTEST_SKIP() << PrivateSecretService::why().toStdString();
        Log().LogEvent("start", true);
    }

    static ProxySetup::Values manual(const QString &server, const QString &user,
                                     const QString &password)
    {
        ProxySetup::Values v;
        v.type = ProxySetup::Manual;
        v.server = server;
        v.port = QStringLiteral("3128");
        v.user = user;
        v.password = password;
        return v;
    }

    QByteArray savedIni()
    {
        EXPECT_TRUE(Settings().SaveSettings(folder.file("Orlin.ini")));
        return folder.readBytes("Orlin.ini");
    }

    QString logText()
    {
        Log().WriteActionsToLog();
        return QString::fromUtf8(folder.readBytes("log.txt"));
    }

    TempProgramFolder folder;
    PrivateSecretService *service = nullptr;
    // The desktop's store, which the private bus stands in for.
    Seam::Override<ProxySecretStore::ServiceSeam> desktop { std::nullopt };
    const ProxySecretStore store { QString::fromLatin1(ProxySecretStore::kDesktopService) };
};

TEST_F(ProxyPassword, TheSecretStoreKeepsItAndOrlinIniHoldsNone)
{
    const QString passwords[] = {
        "s3cret",
        "p@ss@word",
        "pa&amp;ss",
        "\tleading tab",
        QString::fromUtf8("hasło łódź 日本"), // no scrambled form could carry these
    };
    for (const QString &password : passwords) {
        SCOPED_TRACE(password.toStdString());
        const ProxySetup::Values typed = manual("proxy.lan", "anne", password);
        ASSERT_EQ(ProxySetup::store(typed, password), ProxySetup::Outcome::Stored);
        EXPECT_FALSE(Settings().IsSettingPresent("ProxyPwd"));
        const QByteArray ini = savedIni();
        EXPECT_FALSE(ini.contains("PROXYPWD")) << ini.toStdString();
        EXPECT_TRUE(ini.contains("PROXYUSER,anne")) << ini.toStdString();

        // As the next start reads it: the window, and a transfer.
        Settings().LoadSettings(folder.file("Orlin.ini"));
        const ProxySetup::Values shown = ProxySetup::load();
        EXPECT_TRUE(shown.inSecretStore);
        EXPECT_EQ(shown.password, password);
        EXPECT_EQ(ProxySetup::password(), password);
        EXPECT_EQ(store.lookup({ "proxy.lan", "3128", "anne" }).password, password);
    }

    // An empty password leaves nothing behind, in the store or the file.
    ASSERT_EQ(ProxySetup::store(manual("proxy.lan", "anne", ""), ""), ProxySetup::Outcome::Stored);
    EXPECT_FALSE(store.lookup({ "proxy.lan", "3128", "anne" }).password.has_value());
    EXPECT_FALSE(savedIni().contains("PROXYPWD"));
    // No proxy, nor any C string on the way to it, takes a NUL.
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    EXPECT_EQ(ProxySetup::store(manual("proxy.lan", "anne", nul), nul),
              ProxySetup::Outcome::PasswordCannotBeStored);
}

TEST_F(ProxyPassword, AnEarlierVersionsScrambledPasswordMovesIntoTheStore)
{
    folder.writeBytes(
        "Orlin.ini",
        "PROXYTYPE, 2 \r\nPROXYSERVER,old.proxy\r\nPROXYPORT,8080\r\nPROXYUSER,bob\r\n"
            + ("PROXYPWD," + cSharedEncrypt::instance().Encrypt("kept pw")).toUtf8() + "\r\n");
    Settings().LoadSettings(folder.file("Orlin.ini"));

    // The first reading, here a transfer's, finds it and moves it.
    EXPECT_EQ(ProxySetup::password(), "kept pw");
    EXPECT_FALSE(Settings().IsSettingPresent("ProxyPwd"));
    EXPECT_EQ(store.lookup({ "old.proxy", "8080", "bob" }).password, "kept pw");
    EXPECT_FALSE(savedIni().contains("PROXYPWD"));
    const ProxySetup::Values shown = ProxySetup::load();
    EXPECT_EQ(shown.password, "kept pw");
    EXPECT_TRUE(shown.inSecretStore);
    EXPECT_TRUE(logText().contains("moved from the settings file to the desktop's secret store"));
}

TEST_F(ProxyPassword, APasswordGoesWithItsAccount)
{
    ASSERT_EQ(ProxySetup::store(manual("one.proxy", "anne", "first"), "first"),
              ProxySetup::Outcome::Stored);
    ASSERT_EQ(ProxySetup::store(manual("two.proxy", "anne", "second"), "second"),
              ProxySetup::Outcome::Stored);
    EXPECT_FALSE(store.lookup({ "one.proxy", "3128", "anne" }).password.has_value());
    EXPECT_EQ(store.lookup({ "two.proxy", "3128", "anne" }).password, "second");
    // The server as typed may hold "user:password@": the store's attributes do not.
    ASSERT_EQ(ProxySetup::store(manual("anne:p@ss@three.proxy", "anne", "third"), "third"),
              ProxySetup::Outcome::Stored);
    EXPECT_EQ(store.lookup({ "three.proxy", "3128", "anne" }).password, "third");
}

TEST_F(ProxyPassword, WithoutAStoreItIsScrambledInTheSettingsAsBefore)
{
    Seam::Override<ProxySecretStore::ServiceSeam> none { QString() };
    ASSERT_EQ(ProxySetup::store(manual("proxy.lan", "anne", "pa ss"), "pa ss"),
              ProxySetup::Outcome::Stored);
    EXPECT_EQ(Settings().sGet("ProxyPwd").toString(), cSharedEncrypt::instance().Encrypt("pa ss"));
    EXPECT_FALSE(ProxySetup::load().inSecretStore);
    EXPECT_EQ(ProxySetup::password(), "pa ss");
    // A character the scrambled form cannot carry is refused there.
    EXPECT_EQ(ProxySetup::store(manual("proxy.lan", "anne", QString::fromUtf8("hasło")),
                                QString::fromUtf8("hasło")),
              ProxySetup::Outcome::PasswordCannotBeStored);
    EXPECT_EQ(ProxySetup::password(), "pa ss");
}

// A password typed into the server field as "user:password@host" reaches the control,
// never the log, whatever it holds.
TEST_F(ProxyPassword, NoPartOfAPasswordInTheServerFieldReachesTheLog)
{
    ScriptedInetControl::Scope scope;
    InternetTransfer transfer;
    ScriptedInetControl &control = *scope.last();
    for (const QString &server :
         { QStringLiteral("user:p@ss@proxy.lan"), QStringLiteral("user:p/ss w@rd@proxy.lan"),
           QStringLiteral("us@er:p@ss@proxy.lan"), QStringLiteral("http://user:p@ss@proxy.lan") }) {
        SCOPED_TRACE(server.toStdString());
        ASSERT_EQ(ProxySetup::store(manual(server, "user", "kept"), "kept"),
                  ProxySetup::Outcome::Stored);
        transfer.ApplyProxy();
        EXPECT_EQ(control.Proxy, server + ":3128");
        EXPECT_EQ(control.Password, "kept");
        const QString log = logText();
        EXPECT_TRUE(log.contains("proxy.lan:3128")) << log.toStdString();
        for (const char *part : { "p@ss", "ss@", "w@rd", "rd@", "p/ss", "er:" })
            EXPECT_FALSE(log.contains(QLatin1String(part))) << part << "\n" << log.toStdString();
    }
}

// Last: afterwards this process leaves the store alone, as the program does.
TEST_F(ProxyPassword, AStoreThatDoesNotAnswerIsGivenUpWithinItsBound)
{
    ASSERT_TRUE(store.store({ "proxy.lan", "3128", "anne" }, "kept"));
    service->pause();
    const ProxySecretStore slow(QString::fromLatin1(ProxySecretStore::kDesktopService),
                                std::chrono::milliseconds(300));
    QElapsedTimer timer;
    timer.start();
    const ProxySecretStore::Lookup found = slow.lookup({ "proxy.lan", "3128", "anne" });
    const qint64 waited = timer.elapsed();
    service->resume();
    EXPECT_FALSE(found.reachable);
    // The bound plus the time a cancelled call takes to end, far below D-Bus's 25 s.
    EXPECT_LT(waited, 5000);
    // Given up for the rest of the process: the next calls do not wait again.
    timer.restart();
    EXPECT_FALSE(slow.lookup({ "proxy.lan", "3128", "anne" }).reachable);
    EXPECT_FALSE(store.store({ "proxy.lan", "3128", "anne" }, "new"));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(logText().contains("is not used: no answer within 300 ms"));
}

} // namespace
