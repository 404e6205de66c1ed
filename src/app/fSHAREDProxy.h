#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Proxy Setup": how transfers reach the internet (the system's proxy, none, or a
// named server with user name and password). Loads from the settings when made and
// stores on OK (ProxySetup does both); the opener shows it modally and deletes it.
class fSHAREDProxy : public QDialog
{
    Q_OBJECT
public:
    explicit fSHAREDProxy(QWidget *parent = nullptr);

    QRadioButton *optDefault = nullptr;
    QRadioButton *optNoProxy = nullptr;
    QRadioButton *optNamed = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLineEdit *txtServer = nullptr;
    QLineEdit *txtPort = nullptr;
    QLineEdit *txtUser = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLineEdit *txtPassword2 = nullptr;
    // Shown where the desktop has no secret store for the password.
    QLabel *lblPasswordKept = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdHelp = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void optDefault_Click();
    void optNoProxy_Click();
    void optNamed_Click();
};
