#pragma once

#include "speech/clsStore.h"

#include <QObject>
#include <QString>
#include <memory>

class QComboBox;
class SpeechEngine;

// Wraps the speech engine: lists and selects voices, changes speed and pitch, and
// reads a stored text aloud one sentence at a time, raising SpeakingSentence just
// before each sentence goes to the engine.
class clsTalker : public QObject
{
    Q_OBJECT
public:
    explicit clsTalker(QObject *parent = nullptr);
    ~clsTalker() override;

    void SetWavOutput(const QString &Filename);
    void ChangePitch(const QString &PitchText);
    void SelectVoice(int VoiceNum);
    void Pause();
    void Continue();
    // Creates and initialises the engine; its failures reach the caller.
    void InitEngine();
    void StopSpeaking();
    void StoreTextFile(const QString &TextToStore);
    void ReadText();
    void FillEngine(QComboBox *Combo1);
    void Slower();
    void Faster();
    short TalkSpeed() const;
    void Say(const QString &StringToSay);

    // What later features read back: the stored wave-file name, the engine and the store.
    QString WavOutput() const { return m_wavOutput; }
    SpeechEngine *engine() const { return Voice1.get(); }
    clsStore &store() { return Store; }
    bool isSpeaking() const { return Speaking; }

signals:
    void SpeakingSentence(const QString &Sentence);

private:
    void Voice1_SpeakingDone();
    void SpeakNext();
    void AdjustSpeed(int step);

    std::unique_ptr<SpeechEngine> Voice1;
    clsStore Store;
    bool Speaking = false;
    QString m_wavOutput;
};
