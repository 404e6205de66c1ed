#pragma once

#include "speech/SpokenWordMap.h"
#include "speech/clsDict.h"
#include "speech/clsStore.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

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
    // The voices as the voice list shows them, "name - language", in the engine's order;
    // a voice the engine cannot describe is left out. Filling a list box with them is the
    // window's part (ui/VoiceList).
    QStringList VoiceNames() const;
    void Slower();
    void Faster();
    short TalkSpeed() const;
    void Say(const QString &StringToSay);

    // The pronunciation list applied to each sentence on its way to the engine (not to
    // SpeakingSentence, which shows the sentence as stored). Not owned; may be null.
    void setDictionary(clsDict *dict) { m_dict = dict; }

    // What later features read back: the stored wave-file name, the engine and the store
    // (whose sentence rule follows the selected voice's language).
    QString WavOutput() const { return m_wavOutput; }
    SpeechEngine *engine() const { return Voice1.get(); }
    clsStore &store() { return Store; }
    bool isSpeaking() const { return Speaking; }

signals:
    void SpeakingSentence(const QString &Sentence);
    // The word now heard: characters start .. start + length - 1 (0-based) of the
    // sentence as SpeakingSentence gave it, whatever cleaning and the pronunciation list
    // made of it on its way to the engine. A start of -1: the sentence's audio has ended.
    void SpeakingWord(const QString &Sentence, int start, int length);

private:
    void Voice1_SpeakingDone();
    void Voice1_SpeakingWord(int position, int length);
    void SpeakNext();
    void AdjustSpeed(int step);
    void EndReading();
    SpeechEngine &engineRef() const;

    std::unique_ptr<SpeechEngine> Voice1;
    clsStore Store;
    bool Speaking = false;
    QString m_wavOutput;
    clsDict *m_dict = nullptr;
    // Bumped whenever a reading starts or stops, so a sentence whose highlight handler
    // pumped messages (and let a Stop or another Read run) is not spoken afterwards.
    quint64 m_readingGeneration = 0;
    // The sentence with the engine and where its spoken words stand in it.
    QString m_sentence;
    SpokenWordMap m_words;
};
