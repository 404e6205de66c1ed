#include "app/fSHAREDErrorRpt.h"

#include "base/Desktop.h"
#include "base/ErrorReport.h"
#include "base/Failure.h"
#include "base/PrivateFolder.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "ui/FormTranslator.h"
#include "ui/MessagePump.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kModule = QStringLiteral("fSHAREDErrorRpt");

// The runtime's "nothing to open it with", for a desktop that opened nothing.
constexpr int NothingOpensIt = 31;

QPlainTextEdit *textBox(QWidget *parent, const char *name, const char *toolTip)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(QString::fromLatin1(toolTip));
    box->setTabChangesFocus(true);
    return box;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, QWidget *content)
{
    auto *group = new QGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    auto *layout = new QVBoxLayout(group);
    layout->addWidget(content);
    return group;
}

QPushButton *button(QWidget *parent, const char *name, const char *caption,
                    const char *toolTip = nullptr)
{
    auto *b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    if (toolTip)
        b->setToolTip(QString::fromLatin1(toolTip));
    b->setAutoDefault(false);
    return b;
}

void openOrFail(const QUrl &url, const QString &what)
{
    if (!Desktop::open(url))
        throw Failure(NothingOpensIt, QStringLiteral("Nothing on this desktop opened ") + what);
}

} // namespace

fSHAREDErrorRpt::fSHAREDErrorRpt(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("fSHAREDErrorRpt"));
    setWindowTitle(QStringLiteral("Error Reporter"));

    Label1 = new QLabel(QStringLiteral("An error has ocurred:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    txtError = textBox(this, "txtError", "This is the error which ocurred");
    // The failure as it was reported; the user adds to it in the comments.
    txtError->setReadOnly(true);
    txtError->setFixedHeight(txtError->fontMetrics().lineSpacing() * 4 + 12);
    Frame1 = frame(this, "Frame1", QStringLiteral("Error Details"), txtError);

    txtLog = textBox(this, "txtLog", "This is the content of the program's log file");
    txtLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLog->setMinimumHeight(txtLog->fontMetrics().lineSpacing() * 10);
    Frame2 = frame(this, "Frame2", QString(), txtLog);
    Frame2->hide();

    txtUserMessage =
        textBox(this, "txtUserMessage", "These comments will be added to your error report.");
    txtUserMessage->setMinimumHeight(txtUserMessage->fontMetrics().lineSpacing() * 5);
    Frame3 = frame(this, "Frame3", QStringLiteral("Enter your own comments here"), txtUserMessage);
    Frame3->hide();

    cmdShowComments = button(this, "cmdShowComments", "Enter Comments",
                             "If you want to add any comments before submitting an error report, "
                             "click here.");
    cmdViewLog =
        button(this, "cmdViewLog", "View Log File", "Click this button to view the log file");
    cmdViewReport = button(this, "cmdViewReport", "View Error Report",
                           "If 'Submit Error' doesn't work, click here");
    cmdEmail = button(this, "cmdEmail", "Submit Error Report",
                      "You will get a chance to preview the report before sending.");
    cmdHelp = button(this, "cmdHelp", "Help");
    cmdExit = button(this, "cmdExit", "Exit");
    cmdExit->setDefault(true);

    connect(cmdShowComments, &QPushButton::clicked, this, &fSHAREDErrorRpt::cmdShowComments_Click);
    connect(cmdViewLog, &QPushButton::clicked, this, &fSHAREDErrorRpt::cmdViewLog_Click);
    connect(cmdViewReport, &QPushButton::clicked, this, &fSHAREDErrorRpt::cmdViewReport_Click);
    connect(cmdEmail, &QPushButton::clicked, this, &fSHAREDErrorRpt::cmdEmail_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &fSHAREDErrorRpt::cmdHelp_Click);
    connect(cmdExit, &QPushButton::clicked, this, &fSHAREDErrorRpt::cmdExit_Click);
    connect(txtUserMessage, &QPlainTextEdit::textChanged, this,
            &fSHAREDErrorRpt::txtUserMessage_Change);
    txtUserMessage->viewport()->installEventFilter(this);

    auto *boxes = new QVBoxLayout;
    boxes->addWidget(Label1);
    boxes->addWidget(Frame1);
    boxes->addWidget(Frame3, 1);
    boxes->addWidget(Frame2, 2);
    boxes->addStretch(0);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : { cmdShowComments, cmdViewLog, cmdViewReport, cmdEmail })
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(cmdHelp);
    buttons->addWidget(cmdExit);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(boxes, 1);
    layout->addLayout(buttons);
    resize(640, sizeHint().height());

    Form_Load();
}

fSHAREDErrorRpt::~fSHAREDErrorRpt() = default;

void fSHAREDErrorRpt::Form_Load()
{
    FormTranslator::TranslateForm(this);
    // After translating: a path is no interface text.
    Frame2->setTitle(Log().CurrentLogFilename());
}

void fSHAREDErrorRpt::ShowError(const QString &ErrorMessage, const QString &HelpIndex)
{
    m_helpIndex = HelpIndex;
    txtError->setPlainText(ErrorMessage);
    // What the file holds: trace entries still pending in memory are not in it yet.
    QString logText;
    const QString logFile = Log().CurrentLogFilename();
    if (!cSharedFileSubs::FileExists(logFile) || !cSharedFileSubs::LoadTextFile(logFile, logText))
        logText = Lang().GetTranslation(QStringLiteral("No log file"));
    txtLog->setPlainText(logText);
    exec();
}

void fSHAREDErrorRpt::MakeClean()
{
    m_commentsTouched = false;
}

ErrorReport fSHAREDErrorRpt::Report() const
{
    ErrorReport report(ErrorReport::running());
    report.ErrorText = txtError->toPlainText();
    report.CommentsTouched = m_commentsTouched;
    report.Comments = txtUserMessage->toPlainText();
    report.LogText = txtLog->toPlainText();
    return report;
}

void fSHAREDErrorRpt::cmdShowComments_Click()
{
    Frame3->show();
    cmdShowComments->hide();
    txtUserMessage->setFocus();
}

void fSHAREDErrorRpt::cmdViewLog_Click()
{
    Frame2->show();
    cmdViewLog->hide();
}

void fSHAREDErrorRpt::cmdViewReport_Click()
{
    // Opened only once written: an earlier report left there is not this one.
    Trace::attempt(QStringLiteral("cmdViewReport_Click"), kModule, [&] {
        const QString file = Report().writeFullReport(PrivateFolder::forPassingFiles());
        openOrFail(QUrl::fromLocalFile(file), file);
    });
}

void fSHAREDErrorRpt::cmdEmail_Click()
{
    Trace::attempt(QStringLiteral("cmdEmail_Click"), kModule, [&] {
        openOrFail(QUrl(Report().mailUrl()), QStringLiteral("the mail address"));
    });
}

void fSHAREDErrorRpt::cmdHelp_Click()
{
    Trace::attempt(QStringLiteral("cmdHelp_Click"), kModule, [&] {
        const QString page = ProgramInfo::helpPage(m_helpIndex);
        openOrFail(QUrl(page), page);
    });
}

void fSHAREDErrorRpt::cmdExit_Click()
{
    hide();
    MessagePump::DoEvents();
    m_closed = true;
}

void fSHAREDErrorRpt::txtUserMessage_Change()
{
    m_commentsTouched = true;
}

void fSHAREDErrorRpt::txtUserMessage_Click()
{
    m_commentsTouched = true;
}

void fSHAREDErrorRpt::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    QDialog::closeEvent(event);
}

void fSHAREDErrorRpt::reject()
{
    m_closed = true;
    QDialog::reject();
}

bool fSHAREDErrorRpt::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtUserMessage->viewport() && event->type() == QEvent::MouseButtonRelease)
        txtUserMessage_Click();
    return QDialog::eventFilter(watched, event);
}

void fSHAREDErrorRpt::ShowErrWindow(const QString &ErrorMessage, const QString &HelpPage)
{
    // Without a screen to show it on, the log keeps the failure.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        Log().AddAction(ErrorMessage, QStringLiteral("ShowErr"), QStringLiteral("cShowError"));
        return;
    }
    // A busy pointer over the window would say the program is still working.
    const bool wasBusy = MousePointer::isBusy();
    MousePointer::NormalMouse();
    {
        fSHAREDErrorRpt window(QApplication::activeWindow());
        window.ShowError(ErrorMessage, HelpPage);
    }
    if (wasBusy)
        MousePointer::BusyMouse();
}

void fSHAREDErrorRpt::install()
{
    Seam::install<ShowErrSeam>(&fSHAREDErrorRpt::ShowErrWindow);
}
