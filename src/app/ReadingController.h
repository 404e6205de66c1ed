#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <utility>

class DocumentView;
class clsDict;
class clsTalker;

// Reading aloud in the main window: the talker and the pronunciation list it applies, the
// pause flag, the selection of the sentence being spoken in the document view, and the one
// rule for what a reading from the caret takes (Read, and Read to WAV through the window).
// The talker says where each sentence and word stands in the view's text; this selects it.
class ReadingController : public QObject
{
    Q_OBJECT
public:
    explicit ReadingController(DocumentView &view, QObject *parent = nullptr);
    ~ReadingController() override;

    // What a reading from the caret reads: from the character just before the caret, or the
    // whole text from the top when the caret stands within the last five characters (there
    // is nothing left to read there). `caret` is where the reading starts; the text starts
    // one character before it (at the top for 0).
    struct FromCaret
    {
        int caret;
        QString text;
    };
    static FromCaret TextFromCaret(const QString &text, int caret);
    // The same for the view as it stands now.
    FromCaret TextToRead() const;

    // The process's one pronunciation list, made at start-up and let go at close-down.
    void CreateDictionary();
    void ReleaseDictionary();
    clsDict *Dictionary() const { return m_dict.get(); }

    // The talker: made at start-up (then its engine is started by the caller's step),
    // released at close-down or when start-up failed. Null before and after.
    void CreateTalker();
    void ReleaseTalker();
    clsTalker *Talker() const { return m_talker; }

    // The buttons' work. Read stops any reading first and starts one from the caret.
    void Read();
    // Stops the reading and leaves the caret where the spoken sentence began.
    void Stop();
    void PauseOrContinue();
    void Faster();
    void Slower();
    // Stores the voice (0-based number) as the last used one, by engine and name, by what
    // the list shows and by its number (VoiceChoice), and selects it.
    void SelectVoice(int index, const QString &name);
    void ChangePitch(const QString &pitch);

    // Text appended to the view's document (the rest of a long PDF): a reading goes on into
    // it, and one that had read all there was continues where it stopped.
    void TextAppended(const QString &text);

    // The talker is about to speak the next sentence, characters Start .. Start + Length - 1
    // of the view's text: they are selected.
    void Talker_SpeakingSentence(const QString &Sentence, int Start, int Length);

    bool Paused() const { return m_paused; }
    // The sentence being spoken as the view selected it: 0-based start and length.
    std::pair<int, int> SpokenSentence() const { return m_spoken; }

signals:
    // The word now heard, as characters start .. start + length - 1 of the view's text; a
    // start of -1 when none is (the sentence's audio has ended).
    void SpeakingWord(int start, int length);
    // More voices have joined the talker's list (the desktop's, listed after start-up).
    void VoicesAdded();

private:
    void Talker_SpeakingWord(const QString &Sentence, int start, int length);
    void Talker_ReadingEnded();

    DocumentView &m_view;
    clsTalker *m_talker = nullptr;
    std::unique_ptr<clsDict> m_dict;
    bool m_paused = false;
    std::pair<int, int> m_spoken { 0, 0 };
    // The reading read every sentence it had, and more text may still come.
    bool m_ranOut = false;
};
