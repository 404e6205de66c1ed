#include "app/frmSplash.h"

#include "base/ProgramInfo.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(1);

    auto *lblTitle = new QLabel(ProgramInfo::exeName(), frame);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.4);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblTitle->setAlignment(Qt::AlignCenter);

    auto *lblVersion =
        new QLabel(QStringLiteral("Version %1").arg(ProgramInfo::versionText()), frame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);

    lblStatus = new QLabel(frame);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAlignment(Qt::AlignCenter);

    lblMaker = new QLabel(ProgramInfo::makerName(), frame);
    lblMaker->setObjectName(QStringLiteral("lblMaker"));
    lblMaker->setAlignment(Qt::AlignCenter);

    auto *inner = new QVBoxLayout(frame);
    inner->setContentsMargins(24, 20, 24, 16);
    inner->addWidget(lblTitle);
    inner->addWidget(lblVersion);
    inner->addStretch(1);
    inner->addWidget(lblStatus);
    inner->addSpacing(8);
    inner->addWidget(lblMaker);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    setFixedSize(360, 200);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}
