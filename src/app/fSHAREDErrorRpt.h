#pragma once

#include <QDialog>

class ErrorReport;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Error Reporter": shows a failure the user must know about, and on request the event log
// and a box for the user's own comments; sends the report through the mail client or writes
// it as FullLog.txt for the text viewer. One window per report (Report), shown modally.
// What the report says is ErrorReport's; the handlers only hand it the boxes.
class fSHAREDErrorRpt : public QDialog
{
    Q_OBJECT
public:
    explicit fSHAREDErrorRpt(QWidget *parent = nullptr);
    ~fSHAREDErrorRpt() override;

    QLabel *Label1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QPlainTextEdit *txtError = nullptr;
    QGroupBox *Frame2 = nullptr;
    QPlainTextEdit *txtLog = nullptr;
    QGroupBox *Frame3 = nullptr;
    QPlainTextEdit *txtUserMessage = nullptr;
    QPushButton *cmdShowComments = nullptr;
    QPushButton *cmdViewLog = nullptr;
    QPushButton *cmdViewReport = nullptr;
    QPushButton *cmdEmail = nullptr;
    QPushButton *cmdHelp = nullptr;
    QPushButton *cmdExit = nullptr;

    // Fills the window with the failure and the log file, shows it modally and returns
    // when the user has left it.
    void ShowError(const QString &ErrorMessage, const QString &HelpIndex);
    // Forgets that the comments box was touched: for text the program put there.
    void MakeClean();
    bool CommentsTouched() const { return m_commentsTouched; }
    bool Closed() const { return m_closed; }
    // The report as the boxes hold it now.
    ErrorReport Report() const;

    void cmdShowComments_Click();
    void cmdViewLog_Click();
    void cmdViewReport_Click();
    void cmdEmail_Click();
    void cmdHelp_Click();
    void cmdExit_Click();
    void txtUserMessage_Change();
    void txtUserMessage_Click();

    // What ShowErr does once the program has installed the window: a new window for the
    // report, translated, shown modally, then gone.
    static void ShowErrWindow(const QString &ErrorMessage, const QString &HelpPage);
    // Puts the window behind ShowErr for good (the program's start-up).
    static void install();

protected:
    // The window's close box and Escape: Form_QueryUnload.
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();

    QString m_helpIndex;
    bool m_commentsTouched = false;
    bool m_closed = false;
};
