#include "app/fSHAREDProxy.h"

#include "base/ProgramInfo.h"
#include "base/cSharedLang.h"
#include "net/ProxySetup.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/MessagePump.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QRadioButton *option(QWidget *parent, const char *name, const char *caption, const char *tip)
{
    auto *b = new QRadioButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromUtf8(tip));
    return b;
}

QLineEdit *field(QWidget *parent, const char *name, bool masked)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (masked) {
        e->setEchoMode(QLineEdit::Password);
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    }
    e->setMinimumWidth(200);
    return e;
}

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

fSHAREDProxy::fSHAREDProxy(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("fSHAREDProxy"));
    setWindowTitle(QStringLiteral("Proxy Setup"));

    optDefault =
        option(this, "optDefault", "System Default Proxy", "Uses your system's proxy settings");
    optNoProxy = option(this, "optNoProxy", "No Proxy", "Switches off the proxy");
    optNamed = option(this, "optNamed", "Manual Settings",
                      "Allows you to specify proxy settings manually");
    // A group with no checked button allowed: an unknown stored type selects none.
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (QRadioButton *b : { optDefault, optNoProxy, optNamed })
        group->addButton(b);
    connect(optDefault, &QRadioButton::clicked, this, &fSHAREDProxy::optDefault_Click);
    connect(optNoProxy, &QRadioButton::clicked, this, &fSHAREDProxy::optNoProxy_Click);
    connect(optNamed, &QRadioButton::clicked, this, &fSHAREDProxy::optNamed_Click);

    Frame1 = new QGroupBox(QStringLiteral("Proxy Settings"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtServer = field(Frame1, "txtServer", false);
    txtPort = field(Frame1, "txtPort", false);
    txtUser = field(Frame1, "txtUser", false);
    txtPassword = field(Frame1, "txtPassword", true);
    txtPassword2 = field(Frame1, "txtPassword2", true);
    auto *form = new QFormLayout(Frame1);
    const std::pair<const char *, QLineEdit *> rows[] = {
        { "Server:", txtServer },
        { "Port:", txtPort },
        { "User:", txtUser },
        { "Password:", txtPassword },
        { "Enter Again:", txtPassword2 },
    };
    for (const auto &[caption, edit] : rows) {
        auto *label = new QLabel(QString::fromUtf8(caption), Frame1);
        label->setObjectName(QStringLiteral("lbl") + edit->objectName().mid(3));
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    lblPasswordKept = new QLabel(
        QStringLiteral("The password is kept scrambled, not encrypted, in the settings file."),
        Frame1);
    lblPasswordKept->setObjectName(QStringLiteral("lblPasswordKept"));
    lblPasswordKept->hide();
    form->addRow(lblPasswordKept);

    cmdOK = button(this, "cmdOK", "OK");
    cmdOK->setDefault(true);
    cmdCancel = button(this, "cmdCancel", "Cancel");
    cmdHelp = button(this, "cmdHelp", "Help");
    connect(cmdOK, &QPushButton::clicked, this, &fSHAREDProxy::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &fSHAREDProxy::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &fSHAREDProxy::cmdHelp_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdHelp);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(optDefault);
    layout->addWidget(optNoProxy);
    layout->addWidget(optNamed);
    layout->addWidget(Frame1);
    layout->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
    FormTranslator::TranslateForm(this);
}

void fSHAREDProxy::Form_Load()
{
    const ProxySetup::Values v = ProxySetup::load();
    Frame1->hide();
    switch (v.type) {
    case ProxySetup::NoProxy:
        optNoProxy->setChecked(true);
        optNoProxy_Click();
        break;
    case ProxySetup::SystemDefault:
        optDefault->setChecked(true);
        optDefault_Click();
        break;
    case ProxySetup::Manual:
        optNamed->setChecked(true);
        optNamed_Click();
        break;
    default:
        break;
    }
    txtPort->setText(v.port);
    txtServer->setText(v.server);
    txtUser->setText(v.user);
    txtPassword->setText(v.password);
    txtPassword2->setText(v.password);
    lblPasswordKept->setVisible(!v.inSecretStore);
}

void fSHAREDProxy::cmdOK_Click()
{
    ProxySetup::Values v;
    v.type = optDefault->isChecked() ? ProxySetup::SystemDefault
        : optNamed->isChecked()      ? ProxySetup::Manual
                                     : ProxySetup::NoProxy;
    v.server = txtServer->text();
    v.port = txtPort->text();
    v.user = txtUser->text();
    v.password = txtPassword->text();
    switch (ProxySetup::store(v, txtPassword2->text())) {
    case ProxySetup::Outcome::PasswordsDiffer:
        MessageBoxes::show(this, MessageBoxes::Warning, ProgramInfo::exeName(),
                           Lang().GetTranslation(
                               QStringLiteral("Your passwords don't match.  Please retype them.")),
                           MessageBoxes::Ok);
        return;
    case ProxySetup::Outcome::PasswordCannotBeStored:
        MessageBoxes::show(this, MessageBoxes::Warning, ProgramInfo::exeName(),
                           Lang().GetTranslation(QStringLiteral(
                               "This password cannot be stored: it holds characters that the "
                               "settings file cannot keep. Please choose another password.")),
                           MessageBoxes::Ok);
        return;
    case ProxySetup::Outcome::Stored:
        break;
    }
    hide();
    MessagePump::DoEvents();
}

void fSHAREDProxy::cmdCancel_Click()
{
    hide();
}

// There is no help file; the help is what the three choices mean.
void fSHAREDProxy::cmdHelp_Click()
{
    MessageBoxes::show(
        this, MessageBoxes::Information, windowTitle(),
        Lang().GetTranslation(QStringLiteral(
            "System Default Proxy uses the proxy settings of your desktop or the proxy "
            "variables of your environment. No Proxy connects directly. Manual Settings "
            "uses the proxy server and port you enter, with a user name and password if "
            "the proxy asks for one.")),
        MessageBoxes::Ok);
}

void fSHAREDProxy::optDefault_Click()
{
    Frame1->hide();
}

void fSHAREDProxy::optNoProxy_Click()
{
    Frame1->hide();
}

void fSHAREDProxy::optNamed_Click()
{
    Frame1->show();
}
