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
// before each sentence goes to the engine. It tells, and leaves showing to its listener:
// where each sentence and word stands in the text the user sees, and when a reading ends.
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
    // The text to read, cut into sentences. `ShownStart` is where it begins in the text the
    // user sees (a reading from the caret takes the text from there on): the positions this
    // talker reports count from the start of that text.
    void StoreTextFile(const QString &TextToStore, int ShownStart = 0);
    // Text that follows the stored text in the text the user sees, appended while it may
    // be read: a reading going on reads on into it.
    void AppendText(const QString &More) { Store.AppendText(More); }
    // Starts reading the stored text; with nothing stored, ReadingEnded follows at once.
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

    // Where character `SentenceOffset` of the sentence being spoken (as SpeakingSentence
    // gave it) stands in the text the user sees.
    int ShownPosition(int SentenceOffset) const
    {
        return m_shownStart + int(Store.LastPlace().textBegin) + SentenceOffset;
    }

signals:
    // The next sentence, as the store hands it out, and the characters Start .. Start +
    // Length - 1 of the text the user sees that hold it as cut (with the dashes and blanks
    // its handed-out form loses at the ends): what the view selects while it is spoken.
    void SpeakingSentence(const QString &Sentence, int Start, int Length);
    // The word now heard: characters start .. start + length - 1 (0-based) of the
    // sentence as SpeakingSentence gave it, whatever cleaning and the pronunciation list
    // made of it on its way to the engine (ShownPosition places it in the text the user
    // sees). A start of -1: the sentence's audio has ended.
    void SpeakingWord(const QString &Sentence, int start, int length);
    // The reading is over by itself: the text is used up, nothing was stored, or a sentence
    // could not be spoken. Not raised by StopSpeaking, whose caller knows.
    void ReadingEnded();
    // Voices that were still to come have joined the engine's list (see
    // SpeechEngine::VoicesPending); the numbers of the others are as they were.
    void VoicesAdded();

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
    int m_shownStart = 0;
    // Bumped whenever a reading starts or stops, so a sentence whose highlight handler
    // pumped messages (and let a Stop or another Read run) is not spoken afterwards.
    quint64 m_readingGeneration = 0;
    // The sentence with the engine and where its spoken words stand in it.
    QString m_sentence;
    SpokenWordMap m_words;
};
