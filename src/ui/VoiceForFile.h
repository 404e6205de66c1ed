#pragma once

#include <QDialog>
#include <QList>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class SpeechEngine;

// Read to WAV with a voice that cannot be written to a file (a system voice, which the
// desktop's speech service plays itself): the window says so and offers the voices of
// Orlin's own engines (espeak-ng, Flite), the one nearest the chosen voice preselected.
class VoiceForFile : public QDialog
{
    Q_OBJECT
public:
    // The voice (numbered from 1) a file is written with: the selected one when it can
    // be, else the one the user picks in this window; 0 when cancelled or when no voice
    // can be written to a file (the user is told).
    static int Choose(QWidget *parent, const SpeechEngine *engine);

    // What the window asks, for those who answer it instead of a person (tests).
    struct Question
    {
        QString text;
        QList<int> offered; // the voices offered, by number
        int preselected = 0;
    };
    // The voice chosen, or 0 for Cancel. Empty: the real window.
    struct AnswerSeam
    {
        using Type = std::function<int(const Question &)>;
    };

    VoiceForFile(QWidget *parent, const SpeechEngine &engine, const QString &text, int preselected);

    QLabel *lblWhy = nullptr;
    QComboBox *cmbVoice = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};
