#include "app/frmAbout.h"

#include "base/ProgramInfo.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About %1").arg(ProgramInfo::exeName()));

    auto *lblName = new QLabel(ProgramInfo::exeName(), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    QFont nameFont = lblName->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 2);
    nameFont.setBold(true);
    lblName->setFont(nameFont);

    auto *lblVersion =
        new QLabel(QStringLiteral("Version %1").arg(ProgramInfo::versionText()), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto *lblAbout =
        new QLabel(QStringLiteral("A document reader that speaks your documents aloud, "
                                  "sentence by sentence, and shows you where it is."),
                   this);
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->setWordWrap(true);

    const QString site = ProgramInfo::webSite();
    auto *lblMaker = new QLabel(QStringLiteral("%1<br><a href=\"%2\">%2</a>")
                                    .arg(ProgramInfo::makerName().toHtmlEscaped(), site),
                                this);
    lblMaker->setObjectName(QStringLiteral("lblMaker"));
    lblMaker->setOpenExternalLinks(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 12);
    layout->addWidget(lblName);
    layout->addWidget(lblVersion);
    layout->addSpacing(8);
    layout->addWidget(lblAbout);
    layout->addSpacing(8);
    layout->addWidget(lblMaker);
    layout->addWidget(buttons);
    setFixedWidth(380);
}
