#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class clsWavRenderer;

// The modal window shown while a text is spoken into a wave file: how many sentences
// are done, and Cancel. The window closes itself when the rendering ends; closing it
// any other way cancels the rendering first and waits for it to stop.
class frmRenderProgress : public QDialog
{
    Q_OBJECT
public:
    frmRenderProgress(clsWavRenderer *renderer, QWidget *parent = nullptr);

    QLabel *lblStatus = nullptr;
    QProgressBar *prgSentences = nullptr;
    QPushButton *cmdCancel = nullptr;

    void reject() override;

private:
    void Renderer_Progress(int done, int total);
    void Renderer_Finished();
    void cmdCancel_Click();

    clsWavRenderer *m_renderer;
    bool m_finished = false;
};
