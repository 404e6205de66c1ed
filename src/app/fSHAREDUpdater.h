#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class StatusStrip;
class UpdateCheck;

// The update window: what version the user has, what the maker's server offers, the
// details of the new version, and the package download with the hand-over to the
// installer (InstallFile, which the main window answers). The work is UpdateCheck's; the
// window shows it and turns clicks into calls.
//
// The main window keeps one such object. Exit, or closing the window, stores the check
// box and hides the window; the next check shows it again.
class fSHAREDUpdater : public QDialog
{
    Q_OBJECT
public:
    explicit fSHAREDUpdater(QWidget *parent = nullptr);
    ~fSHAREDUpdater() override;

    // One check; true when a newer version was found. Silent (SuppressForm) it shows the
    // window only when the user wants to see the update it found. An empty CurrentVersion
    // means the running program's.
    bool CheckForUpdate(bool SuppressForm, const QString &UpdateURL, const QString &DetailsURL,
                        const QString &UpdateFilename, const QString &CurrentVersion);
    bool NoAutoCheck();
    bool DoCheckNow();
    void SaveLastCheckDate();
    // Stops any transfer and hides the window (ending a modal display).
    void CloseUpdater();

    UpdateCheck &check() { return *m_check; }

    QLabel *Label1 = nullptr;
    QLabel *lblProgram = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lblUpdate = nullptr;
    StatusStrip *picStatus = nullptr;
    // The whole status, wrapped, when the strip cannot show all of it.
    QLabel *lblStatusFull = nullptr;
    // Shown instead of Download and Install where the program cannot replace itself.
    QLabel *lblSystemInstall = nullptr;
    QPlainTextEdit *txtDetails = nullptr;
    QPushButton *cmdCheckAgain = nullptr;
    QPushButton *cmdShowDetail = nullptr;
    QPushButton *cmdDownload = nullptr;
    QPushButton *cmdDownloadInstall = nullptr;
    QPushButton *cmdProxy = nullptr;
    QCheckBox *chkDisableAutoUpdate = nullptr;
    QPushButton *cmdExit = nullptr;
    QLabel *Label2 = nullptr;

    void Form_Load();
    void cmdCheckAgain_Click();
    void cmdShowDetail_Click();
    void cmdDownload_Click();
    void cmdDownloadInstall_Click();
    void cmdProxy_Click();
    void cmdExit_Click();
    void ShowStatus(const QString &text);

    // Escape is Exit.
    void reject() override;

signals:
    void Status(const QString &message);
    void Finished();
    void InstallFile();
    void FormClosed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void build();
    bool runCheck(bool SuppressForm, const QString &UpdateURL, const QString &DetailsURL,
                  const QString &UpdateFilename, const QString &CurrentVersion);
    bool downloadPackage();
    QString packagePath() const;
    void setResult(const QString &text, bool found);
    void cInternet_Progress(float Percent, const QString &Text);

    std::unique_ptr<UpdateCheck> m_check;
    // A check or a download is running: the clicks that would start another wait.
    bool m_busy = false;
};
