#include "app/fSHAREDUpdater.h"

#include "app/fSHAREDProxy.h"
#include "base/ProgramInfo.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "net/UpdateCheck.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateSchedule.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/MessagePump.h"
#include "ui/MousePointer.h"
#include "ui/StatusStrip.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kCheck = QStringLiteral("CheckForUpdate");

QString msg(const char *text)
{
    return Lang().GetTranslation(QString::fromUtf8(text));
}

QPushButton *button(QWidget *parent, const char *name, const char *caption, const char *tip)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    if (tip)
        b->setToolTip(QString::fromUtf8(tip));
    b->setAutoDefault(false);
    return b;
}

QLabel *label(QWidget *parent, const char *name, const char *caption = "")
{
    auto *l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    // Versions and messages come from the server: shown as the text they are.
    l->setTextFormat(Qt::PlainText);
    return l;
}

// A wrapped label breaks only between words: a long address in a message gets places to
// break (zero-width spaces) so that it cannot widen the window.
QString breakable(const QString &text)
{
    constexpr int kLongestRun = 40;
    QString out;
    out.reserve(text.size() + text.size() / kLongestRun);
    int run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestRun) {
            out += QChar(0x200B);
            run = 1;
        }
        out += c;
    }
    return out;
}

} // namespace

fSHAREDUpdater::fSHAREDUpdater(QWidget *parent)
    : QDialog(parent)
    , m_check(std::make_unique<UpdateCheck>())
{
    setObjectName(QStringLiteral("fSHAREDUpdater"));
    build();
    connect(m_check.get(), &UpdateCheck::Status, this, &fSHAREDUpdater::ShowStatus);
    connect(m_check.get(), &UpdateCheck::Progress, this, &fSHAREDUpdater::cInternet_Progress);
    connect(m_check.get(), &UpdateCheck::Bar, picStatus, &StatusStrip::showProgress);
    Form_Load();
    FormTranslator::TranslateForm(this);
}

fSHAREDUpdater::~fSHAREDUpdater() = default;

void fSHAREDUpdater::build()
{
    setWindowTitle(ProgramInfo::exeName() + QStringLiteral(" Updater"));

    Label1 = label(this, "Label1", "You have:");
    lblProgram = label(this, "lblProgram");
    Label3 = label(this, "Label3", "Status:");
    lblUpdate = label(this, "lblUpdate");
    QFont bold = lblUpdate->font();
    bold.setBold(true);
    lblUpdate->setFont(bold);
    picStatus = new StatusStrip(this);
    picStatus->setObjectName(QStringLiteral("picStatus"));
    lblStatusFull = label(this, "lblStatusFull");
    lblStatusFull->setWordWrap(true);
    lblStatusFull->hide();
    lblSystemInstall = label(this, "lblSystemInstall",
                             "This copy of the program is installed for all users of the "
                             "computer. Please update it through your system's package manager.");
    lblSystemInstall->setWordWrap(true);
    lblSystemInstall->hide();

    cmdCheckAgain = button(this, "cmdCheckAgain", "Check Again", nullptr);
    cmdShowDetail = button(this, "cmdShowDetail", "Show Version Details",
                           "Reads details of the latest version from the server");
    cmdDownload = button(this, "cmdDownload", "Download Only",
                         "This will download the update package without installing it.");
    cmdDownloadInstall =
        button(this, "cmdDownloadInstall", "Download and Install",
               "This will download the update package and update your copy of the program");
    cmdProxy = button(this, "cmdProxy", "Proxy Setup", nullptr);
    cmdExit = button(this, "cmdExit", "Exit", nullptr);
    chkDisableAutoUpdate = new QCheckBox(QStringLiteral("Disable automatic checking"), this);
    chkDisableAutoUpdate->setObjectName(QStringLiteral("chkDisableAutoUpdate"));
    chkDisableAutoUpdate->setToolTip(
        QStringLiteral("If you tick this box, the program will NOT check for updated versions. "
                       "Recommended setting: not ticked"));

    txtDetails = new QPlainTextEdit(this);
    txtDetails->setObjectName(QStringLiteral("txtDetails"));
    txtDetails->setReadOnly(true);
    txtDetails->setFixedHeight(160);
    txtDetails->hide();

    Label2 = label(this, "Label2",
                   "Privacy: a check for updates sends nothing from your computer but the "
                   "program's name and version, which every request carries.");
    Label2->setWordWrap(true);

    connect(cmdCheckAgain, &QPushButton::clicked, this, &fSHAREDUpdater::cmdCheckAgain_Click);
    connect(cmdShowDetail, &QPushButton::clicked, this, &fSHAREDUpdater::cmdShowDetail_Click);
    connect(cmdDownload, &QPushButton::clicked, this, &fSHAREDUpdater::cmdDownload_Click);
    connect(cmdDownloadInstall, &QPushButton::clicked, this,
            &fSHAREDUpdater::cmdDownloadInstall_Click);
    connect(cmdProxy, &QPushButton::clicked, this, &fSHAREDUpdater::cmdProxy_Click);
    connect(cmdExit, &QPushButton::clicked, this, &fSHAREDUpdater::cmdExit_Click);

    auto *facts = new QGridLayout;
    facts->addWidget(Label1, 0, 0);
    facts->addWidget(lblProgram, 0, 1);
    facts->addWidget(Label3, 1, 0);
    facts->addWidget(lblUpdate, 1, 1);
    facts->setColumnStretch(1, 1);

    auto *buttons = new QGridLayout;
    buttons->addWidget(cmdCheckAgain, 0, 0);
    buttons->addWidget(cmdShowDetail, 0, 1);
    buttons->addWidget(cmdProxy, 0, 2);
    buttons->addWidget(cmdDownload, 1, 0);
    buttons->addWidget(cmdDownloadInstall, 1, 1);
    buttons->addWidget(cmdExit, 1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addWidget(picStatus);
    layout->addWidget(lblStatusFull);
    layout->addWidget(lblSystemInstall);
    layout->addLayout(buttons);
    layout->addWidget(chkDisableAutoUpdate);
    layout->addWidget(txtDetails);
    layout->addWidget(Label2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void fSHAREDUpdater::Form_Load()
{
    UpdaterTrace::attempt(QStringLiteral("Form_Load"), [&] {
        lblProgram->setText(
            msg("%1 version %2").arg(ProgramInfo::exeName(), ProgramInfo::versionText()));
        chkDisableAutoUpdate->setChecked(UpdateSchedule::AutoCheckDisabled());
        const bool inPlace = UpdateHandOff::CanInstallInPlace();
        cmdDownloadInstall->setVisible(inPlace);
        lblSystemInstall->setVisible(!inPlace);
    });
}

bool fSHAREDUpdater::NoAutoCheck()
{
    return UpdateSchedule::NoAutoCheck();
}

bool fSHAREDUpdater::DoCheckNow()
{
    return UpdateSchedule::DoCheckNow();
}

void fSHAREDUpdater::SaveLastCheckDate()
{
    UpdateSchedule::SaveLastCheckDate();
}

bool fSHAREDUpdater::CheckForUpdate(bool SuppressForm, const QString &UpdateURL,
                                    const QString &DetailsURL, const QString &UpdateFilename,
                                    const QString &CurrentVersion)
{
    // A second check while one runs (the menu, while this window waits on the server)
    // only brings the window forward.
    if (m_busy) {
        if (!SuppressForm) {
            show();
            raise();
        }
        return false;
    }
    const QScopedValueRollback busy(m_busy, true);
    return runCheck(SuppressForm, UpdateURL, DetailsURL, UpdateFilename, CurrentVersion);
}

bool fSHAREDUpdater::runCheck(bool SuppressForm, const QString &UpdateURL,
                              const QString &DetailsURL, const QString &UpdateFilename,
                              const QString &CurrentVersion)
{
    bool found = false;
    bool suppress = SuppressForm;
    UpdaterTrace::attempt(kCheck, [&] {
        cmdCheckAgain->setEnabled(false);
        cmdShowDetail->setEnabled(false);
    });
    VersionRecord running;
    UpdaterTrace::attempt(kCheck, [&] {
        QString current = CurrentVersion;
        Form_Load();
        if (!current.isEmpty())
            lblProgram->setText(msg("Version %1").arg(current));
        else
            current = ProgramInfo::versionText();
        UpdateVersion::ExtractVersionFromAppVer(current, running);
    });
    if (!suppress) {
        // Another window held modally would block this one: the check goes on silently.
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != this) {
            Log().AddAction(QStringLiteral("401 - Can't show non-modal form when modal form is "
                                           "displayed"),
                            kCheck, UpdaterTrace::module());
            suppress = true;
        } else {
            UpdaterTrace::attempt(kCheck, [&] {
                show();
                raise();
                activateWindow();
                MessagePump::DoEvents();
            });
        }
    }

    const UpdateCheck::Result result =
        m_check->Check(UpdateURL, DetailsURL, UpdateFilename, running);
    setResult(result.resultLine, result.found);
    if (result.found) {
        found = true;
        if (suppress) {
            const int answer = MessageBoxes::show(
                isVisible() ? this : nullptr, MessageBoxes::Question, ProgramInfo::exeName(),
                msg("An update is available. Would you like to view the details now?"),
                MessageBoxes::Yes | MessageBoxes::No);
            if (answer == MessageBoxes::Yes) {
                UpdaterTrace::attempt(kCheck, [&] {
                    ShowStatus(result.statusText);
                    cmdCheckAgain->setEnabled(true);
                    cmdShowDetail->setEnabled(true);
                    exec();
                });
            }
        }
    }
    UpdaterTrace::attempt(kCheck, [&] {
        ShowStatus(result.statusText);
        Log().AddDebug(result.statusText, kCheck, UpdaterTrace::module());
        cmdCheckAgain->setEnabled(true);
        cmdShowDetail->setEnabled(true);
    });
    emit Finished();
    return found;
}

void fSHAREDUpdater::setResult(const QString &text, bool found)
{
    lblUpdate->setText(text);
    QPalette palette = lblUpdate->palette();
    palette.setColor(QPalette::WindowText, found ? QColor(0, 128, 0) : QColor(192, 0, 0));
    lblUpdate->setPalette(palette);
    // Return takes the user on from a found update.
    QPushButton *next = !found                  ? cmdExit
        : cmdDownloadInstall->isVisibleTo(this) ? cmdDownloadInstall
                                                : cmdDownload;
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setDefault(b == next);
    next->setFocus();
}

void fSHAREDUpdater::ShowStatus(const QString &text)
{
    picStatus->showText(text);
    picStatus->setToolTip(text);
    // A message longer than the strip is shown whole below it, wrapped.
    const int room = std::max(picStatus->width(), picStatus->sizeHint().width()) - 8;
    const bool cut = picStatus->fontMetrics().horizontalAdvance(text) > room;
    lblStatusFull->setText(cut ? breakable(text) : QString());
    lblStatusFull->setVisible(cut);
    if (cut)
        Log().AddDebug(text, QStringLiteral("ShowStatus"), UpdaterTrace::module());
    emit Status(text);
}

void fSHAREDUpdater::cInternet_Progress(float Percent, const QString &Text)
{
    if (Percent >= 100)
        picStatus->showText(msg("Downloaded %1").arg(Text));
    else
        picStatus->showProgress(Percent, Text);
}

void fSHAREDUpdater::cmdCheckAgain_Click()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    runCheck(false, m_check->UpdateURL(), m_check->DetailsURL(), m_check->UpdateFilename(), {});
}

void fSHAREDUpdater::cmdShowDetail_Click()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    MousePointer::BusyMouse();
    txtDetails->show();
    txtDetails->setPlainText(msg("Retrieving info..."));
    MessagePump::DoEvents();
    txtDetails->setPlainText(m_check->Details());
    MousePointer::NormalMouse();
}

QString fSHAREDUpdater::packagePath() const
{
    return QDir::toNativeSeparators(
        QDir(ProgramInfo::programFolder()).filePath(m_check->UpdateFilename()));
}

bool fSHAREDUpdater::downloadPackage()
{
    if (m_check->DownloadURL().isEmpty())
        runCheck(true, m_check->UpdateURL(), m_check->DetailsURL(), m_check->UpdateFilename(), {});
    if (m_check->DownloadURL().isEmpty())
        return false;
    cmdDownload->setEnabled(false);
    cmdDownloadInstall->setEnabled(false);
    MousePointer::BusyMouse();
    const bool ok = m_check->DownloadFile(ProgramInfo::programFolder(), m_check->UpdateFilename(),
                                          m_check->DownloadURL());
    MousePointer::NormalMouse();
    cmdDownload->setEnabled(true);
    cmdDownloadInstall->setEnabled(true);
    return ok;
}

void fSHAREDUpdater::cmdDownload_Click()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    if (downloadPackage())
        MessageBoxes::show(this, MessageBoxes::Information, windowTitle(),
                           msg("File saved to %1").arg(packagePath()));
}

void fSHAREDUpdater::cmdDownloadInstall_Click()
{
    if (m_busy || !UpdateHandOff::CanInstallInPlace())
        return;
    const QScopedValueRollback busy(m_busy, true);
    if (!downloadPackage())
        return;
    const int answer =
        MessageBoxes::show(this, MessageBoxes::Question, ProgramInfo::exeName(),
                           msg("The update has been downloaded. Do you want to install it now?"),
                           MessageBoxes::Yes | MessageBoxes::No);
    if (answer != MessageBoxes::Yes) {
        MessageBoxes::show(this, MessageBoxes::Information, windowTitle(),
                           msg("File saved to %1").arg(packagePath()));
        return;
    }
    hide();
    MessagePump::DoEvents();
    emit InstallFile();
    CloseUpdater();
}

void fSHAREDUpdater::cmdProxy_Click()
{
    UpdaterTrace::attempt(QStringLiteral("cmdProxy_Click"), [&] {
        fSHAREDProxy proxy(this);
        FormTranslator::TranslateForm(&proxy);
        proxy.exec();
    });
}

void fSHAREDUpdater::cmdExit_Click()
{
    UpdaterTrace::attempt(QStringLiteral("cmdExit_Click"), [&] {
        UpdateSchedule::StoreAutoCheckDisabled(chkDisableAutoUpdate->isChecked());
    });
    emit FormClosed();
    CloseUpdater();
}

void fSHAREDUpdater::reject()
{
    cmdExit_Click();
}

void fSHAREDUpdater::closeEvent(QCloseEvent *event)
{
    // Hidden by Exit already: nothing more to store.
    if (isVisible())
        cmdExit_Click();
    event->accept();
}

void fSHAREDUpdater::CloseUpdater()
{
    m_check->Cancel();
    hide();
}
