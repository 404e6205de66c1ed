// The proxy window as the user meets it: what it shows for the stored settings, what
// OK and Cancel store, and the passwords that must not be lost on the way.
#include "app/fSHAREDProxy.h"

#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "net/ProxySecretStore.h"
#include "net/cSharedDecrypt.h"
#include "net/cSharedEncrypt.h"
#include "support/PrivateSecretService.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

const QStringList kKeys { "ProxyType", "ProxyServer", "ProxyPort", "ProxyUser", "ProxyPwd" };

struct Messages
{
    QStringList shown;
    MessageBoxes::ScopedHandler handler { [this](const MessageBoxes::Message &m) {
        shown << m.text;
        return int(MessageBoxes::Ok);
    } };
};

QStringList storedKeys()
{
    QStringList out;
    for (const QString &key : kKeys)
        out << key + "=" + Settings().sGet(key, "<absent>").toString();
    return out;
}

TEST(fSHAREDProxy, WithNothingStoredItOpensOnNoProxyWithEmptyFields)
{
    TempProgramFolder folder;
    fSHAREDProxy w;
    EXPECT_EQ(w.windowTitle(), "Proxy Setup");
    const std::tuple<QRadioButton *, const char *, const char *> options[] = {
        { w.optDefault, "System Default Proxy", "Uses your system's proxy settings" },
        { w.optNoProxy, "No Proxy", "Switches off the proxy" },
        { w.optNamed, "Manual Settings", "Allows you to specify proxy settings manually" },
    };
    for (const auto &[button, caption, tip] : options) {
        EXPECT_EQ(button->text(), caption);
        EXPECT_EQ(button->toolTip(), tip);
    }
    EXPECT_EQ(w.Frame1->title(), "Proxy Settings");
    QStringList labels;
    for (const char *name : { "lblServer", "lblPort", "lblUser", "lblPassword", "lblPassword2" })
        labels << w.findChild<QLabel *>(name)->text();
    EXPECT_EQ(labels, (QStringList { "Server:", "Port:", "User:", "Password:", "Enter Again:" }));
    EXPECT_EQ(w.cmdOK->text(), "OK");
    EXPECT_EQ(w.cmdCancel->text(), "Cancel");
    EXPECT_EQ(w.cmdHelp->text(), "Help");
    EXPECT_EQ(w.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.txtPassword2->echoMode(), QLineEdit::Password);

    // No secret store here (the tests keep away from the user's): the window says where the
    // password goes.
    EXPECT_FALSE(w.lblPasswordKept->isHidden());
    EXPECT_EQ(w.lblPasswordKept->text(),
              "The password is kept scrambled, not encrypted, in the settings file.");

    EXPECT_TRUE(w.optNoProxy->isChecked());
    EXPECT_TRUE(w.Frame1->isHidden());
    for (QLineEdit *e : { w.txtServer, w.txtPort, w.txtUser, w.txtPassword, w.txtPassword2 })
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    w.optNamed->click();
    EXPECT_FALSE(w.Frame1->isHidden()) << "the server fields are for manual settings";
    w.optDefault->click();
    EXPECT_TRUE(w.Frame1->isHidden());
}

TEST(fSHAREDProxy, OkStoresWhatWasTypedAndTheWindowShowsItAgain)
{
    TempProgramFolder folder;
    const struct
    {
        int option; // 0 default, 1 none, 2 manual
        QString server;
        QString port;
        QString user;
        QString password;
    } cases[] = {
        { 2, "proxy.example.org", "3128", "anne", "s3cret" },
        { 2, " spaced.host ", "80a", "bob smith", " two  blanks \"and\" quotes' " },
        { 2, "proxy", "8080", "carol", "" },
        { 0, "kept.even.if.unused", "1", "dave", "<tag> & \"x\"" },
        { 2, "proxy", "8080", "erin", QString::fromUtf8("\tpa&amp;ss a&lt;b straße") },
        { 1, "", "", "", "pw" },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.password.toStdString());
        {
            fSHAREDProxy w;
            w.show();
            QRadioButton *option[] = { w.optDefault, w.optNoProxy, w.optNamed };
            option[k.option]->click();
            w.txtServer->setText(k.server);
            w.txtPort->setText(k.port);
            w.txtUser->setText(k.user);
            w.txtPassword->setText(k.password);
            w.txtPassword2->setText(k.password);
            w.cmdOK->click();
            EXPECT_FALSE(w.isVisible());
        }
        EXPECT_EQ(Settings().sGet("ProxyType").toInt(), k.option == 1 ? 1 : k.option);
        EXPECT_EQ(Settings().sGet("ProxyServer").toString(), k.server);
        EXPECT_EQ(Settings().sGet("ProxyPort").toString(), k.port);
        EXPECT_EQ(Settings().sGet("ProxyUser").toString(), k.user);
        const QString stored = Settings().sGet("ProxyPwd").toString();
        EXPECT_EQ(stored, cSharedEncrypt::instance().Encrypt(k.password));
        EXPECT_TRUE(k.password.isEmpty() || !stored.contains(k.password));

        // Through the file and back, as the next start of the program reads it.
        ASSERT_TRUE(Settings().SaveSettings(folder.file("Orlin.ini")));
        Settings().LoadSettings(folder.file("Orlin.ini"));
        fSHAREDProxy again;
        QRadioButton *option[] = { again.optDefault, again.optNoProxy, again.optNamed };
        EXPECT_TRUE(option[k.option]->isChecked());
        EXPECT_EQ(again.Frame1->isHidden(), k.option != 2);
        EXPECT_EQ(again.txtServer->text(), k.server);
        EXPECT_EQ(again.txtPort->text(), k.port);
        EXPECT_EQ(again.txtUser->text(), k.user);
        EXPECT_EQ(again.txtPassword->text(), k.password);
        EXPECT_EQ(again.txtPassword2->text(), k.password);
    }
    // Orlin.ini now holds a proxy password: nobody but its owner may read it.
    const QFileDevice::Permissions p = QFileInfo(folder.file("Orlin.ini")).permissions();
    EXPECT_EQ(p
                  & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup
                     | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    EXPECT_FALSE(folder.readBytes("Orlin.ini").contains("pw"));
}

TEST(fSHAREDProxy, CancelAndRefusedPasswordsLeaveEveryKeyAsItWas)
{
    TempProgramFolder folder;
    Settings().sSet("ProxyType", 2);
    Settings().sSet("ProxyServer", "old.proxy");
    Settings().sSet("ProxyPort", "3128");
    Settings().sSet("ProxyUser", "anne");
    Settings().sSet("ProxyPwd", cSharedEncrypt::instance().Encrypt("old password"));
    const QStringList before = storedKeys();

    struct Attempt
    {
        const char *name;
        QString password;
        QString again;
        bool cancel;
        QString message; // empty: none expected
    };
    const Attempt attempts[] = {
        { "cancel", "new", "new", true, {} },
        { "passwords differ", "new", "New", false,
          "Your passwords don't match.  Please retype them." },
        { "outside the code page, without a name", QString::fromUtf8("hasło"),
          QString::fromUtf8("hasło"), false,
          "This password cannot be stored: it holds characters that the settings file cannot "
          "keep. Please choose another password." },
        { "a NUL", QStringLiteral("a") + QChar(0), QStringLiteral("a") + QChar(0), false,
          "This password cannot be stored: it holds characters that the settings file cannot "
          "keep. Please choose another password." },
    };
    for (const Attempt &a : attempts) {
        SCOPED_TRACE(a.name);
        Messages messages;
        fSHAREDProxy w;
        w.show();
        EXPECT_EQ(w.txtPassword->text(), "old password");
        w.optDefault->click();
        w.txtServer->setText("new.proxy");
        w.txtPort->setText("1");
        w.txtUser->setText("someone");
        w.txtPassword->setText(a.password);
        w.txtPassword2->setText(a.again);
        (a.cancel ? w.cmdCancel : w.cmdOK)->click();
        EXPECT_EQ(storedKeys(), before);
        if (a.message.isEmpty()) {
            EXPECT_TRUE(messages.shown.isEmpty());
            EXPECT_FALSE(w.isVisible());
        } else {
            EXPECT_EQ(messages.shown, QStringList { a.message });
            EXPECT_TRUE(w.isVisible()) << "the user can retype the password";
        }
    }
}

TEST(fSHAREDProxy, APasswordStoredInPlainIsShownAsItIs)
{
    TempProgramFolder folder;
    Settings().sSet("ProxyType", 7);
    Settings().sSet("ProxyPwd", "typed by hand");
    fSHAREDProxy w;
    EXPECT_EQ(w.txtPassword->text(), "typed by hand");
    EXPECT_FALSE(w.optDefault->isChecked() || w.optNoProxy->isChecked() || w.optNamed->isChecked())
        << "an unknown type selects nothing";
    Messages messages;
    w.cmdHelp->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith("System Default Proxy uses"));
}

// With the desktop's secret store (GNOME Keyring on a private bus) the window says nothing
// about scrambling, and the password typed is there the next time, not in Orlin.ini.
TEST(fSHAREDProxy, WithASecretStoreThePasswordIsKeptThere)
{
    PrivateSecretService *service = PrivateSecretService::shared();
    if (!service)
        GTEST_SKIP() << PrivateSecretService::why().toStdString();
    Seam::Override<ProxySecretStore::ServiceSeam> desktop { std::nullopt };
    TempProgramFolder folder;
    const QString password = QString::fromUtf8("hasło p@ss");
    {
        fSHAREDProxy w;
        w.show();
        EXPECT_TRUE(w.lblPasswordKept->isHidden());
        w.optNamed->click();
        w.txtServer->setText("proxy.lan");
        w.txtPort->setText("3128");
        w.txtUser->setText("anne");
        w.txtPassword->setText(password);
        w.txtPassword2->setText(password);
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
    }
    ASSERT_TRUE(Settings().SaveSettings(folder.file("Orlin.ini")));
    EXPECT_FALSE(folder.readBytes("Orlin.ini").contains("PROXYPWD"));
    Settings().LoadSettings(folder.file("Orlin.ini"));
    fSHAREDProxy again;
    EXPECT_TRUE(again.lblPasswordKept->isHidden());
    EXPECT_EQ(again.txtPassword->text(), password);
    EXPECT_EQ(again.txtPassword2->text(), password);
}

} // namespace
