#include "ui/frmRenderProgress.h"

#include "base/cSharedLang.h"
#include "speech/clsWavRenderer.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmRenderProgress::frmRenderProgress(clsWavRenderer *renderer, QWidget *parent)
    : QDialog(parent)
    , m_renderer(renderer)
{
    setObjectName(QStringLiteral("frmRenderProgress"));
    setWindowTitle(Lang().GetTranslation(QStringLiteral("Saving to a Wave File")));
    setModal(true);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    prgSentences = new QProgressBar(this);
    prgSentences->setObjectName(QStringLiteral("prgSentences"));
    cmdCancel = new QPushButton(Lang().GetTranslation(QStringLiteral("Cancel")), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(prgSentences);
    layout->addWidget(cmdCancel, 0, Qt::AlignRight);
    setMinimumWidth(360);

    connect(cmdCancel, &QPushButton::clicked, this, &frmRenderProgress::cmdCancel_Click);
    connect(renderer, &clsWavRenderer::Progress, this, &frmRenderProgress::Renderer_Progress);
    connect(renderer, &clsWavRenderer::Finished, this, &frmRenderProgress::Renderer_Finished);
    Renderer_Progress(0, renderer->sentenceCount());
}

void frmRenderProgress::Renderer_Progress(int done, int total)
{
    lblStatus->setText(
        Lang().GetTranslation(QStringLiteral("Sentence %1 of %2")).arg(done).arg(total));
    prgSentences->setRange(0, qMax(total, 1));
    prgSentences->setValue(qMin(done, qMax(total, 1)));
}

void frmRenderProgress::Renderer_Finished()
{
    m_finished = true;
    done(m_renderer->outcome() == clsWavRenderer::Outcome::Done ? Accepted : Rejected);
}

void frmRenderProgress::cmdCancel_Click()
{
    m_renderer->Cancel();
    cmdCancel->setEnabled(false);
    lblStatus->setText(Lang().GetTranslation(QStringLiteral("Cancelling...")));
}

void frmRenderProgress::reject()
{
    // Escape or the title bar's close: the file must not be left being written by a
    // thread nobody waits for, so the window stays until the rendering has stopped.
    if (m_finished)
        QDialog::reject();
    else
        cmdCancel_Click();
}
