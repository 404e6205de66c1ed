#include "app/fSHAREDInternet.h"

#include "net/InternetTransfer.h"
#include "ui/FormTranslator.h"
#include "ui/MousePointer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

fSHAREDInternet::fSHAREDInternet(QWidget *parent)
    : QDialog(parent)
    , m_owned(std::make_unique<InternetTransfer>())
    , m_transfer(m_owned.get())
{
    build();
}

fSHAREDInternet::fSHAREDInternet(InternetTransfer &transfer, QWidget *parent)
    : QDialog(parent)
    , m_transfer(&transfer)
{
    build();
}

fSHAREDInternet::~fSHAREDInternet()
{
    m_transfer->disconnect(this);
}

TransferViewFactory fSHAREDInternet::viewFactory()
{
    return [](InternetTransfer &transfer) -> std::unique_ptr<TransferView> {
        return std::make_unique<fSHAREDInternet>(transfer);
    };
}

void fSHAREDInternet::build()
{
    setObjectName(QStringLiteral("fSHAREDInternet"));
    setWindowTitle(QStringLiteral("Internet Transfer"));
    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setMinimumWidth(360);
    lblFile->setTextFormat(Qt::PlainText);
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblProgress->setTextFormat(Qt::PlainText);
    cmdStop = new QPushButton(QStringLiteral("Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    connect(cmdStop, &QPushButton::clicked, this, &fSHAREDInternet::cmdStop_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdStop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(lblProgress);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_transfer, &InternetTransfer::LabelsChanged, this, &fSHAREDInternet::showLabels);
    // The transfer's failures end any busy pointer the caller put up for it.
    connect(m_transfer, &InternetTransfer::DownloadError, this,
            [] { MousePointer::NormalMouse(); });
    Form_Load();
    FormTranslator::TranslateForm(this);
}

void fSHAREDInternet::Form_Load()
{
    setWindowState(Qt::WindowMinimized);
    showLabels();
}

void fSHAREDInternet::showLabels()
{
    lblFile->setText(m_transfer->FileText());
    lblProgress->setText(m_transfer->ProgressText());
}

void fSHAREDInternet::cmdStop_Click()
{
    m_transfer->Cancel();
}

void fSHAREDInternet::reject()
{
    if (m_transfer->Running())
        m_transfer->Cancel();
    QDialog::reject();
}

void fSHAREDInternet::showModal()
{
    // Asked for as a progress window, it is shown where the user can see it.
    setWindowState(Qt::WindowNoState);
    exec();
}

void fSHAREDInternet::hideView()
{
    hide();
}
