#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QWidget;
class RichTextBox;
class clsDict;
class clsTalker;

// Reading aloud in the main window: the talker and the pronunciation list it applies, the
// pause flag, the highlight of the sentence being spoken in the document view, and the one
// rule for what a reading from the caret takes, which Read and Read to WAV share.
class ReadingController : public QObject
{
    Q_OBJECT
public:
    explicit ReadingController(RichTextBox &view, QObject *parent = nullptr);
    ~ReadingController() override;

    // What a reading from the caret reads: from the character just before the caret, or the
    // whole text from the top when the caret stands within the last five characters (there
    // is nothing left to read there). `caret` is where the reading starts.
    struct FromCaret
    {
        int caret;
        QString text;
    };
    static FromCaret TextFromCaret(const QString &text, int caret);

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
    // Speaks what Read would read into a wave file the user names; the reading stops once
    // a file has been chosen.
    void SpeakToWav(QWidget *parent);

    // The talker is about to speak the next sentence: selects it in the view. The sentence
    // is found by position in the displayed text, not by its words.
    void Talker_SpeakingSentence(const QString &Sentence);

    bool Paused() const { return m_paused; }
    // 1-based positions in the view's text: where the next sentence to highlight is looked
    // for (the start of the highlighted one while it is spoken) and where the highlighted
    // one ends.
    int HighlightStart() const { return m_highlightStart; }
    int HighlightEnd() const { return m_highlightEnd; }
    // The sentence being spoken as the highlight selected it: 0-based start and length in
    // the view's text (the length is 0 for a last sentence without an end mark).
    std::pair<int, int> SpokenSentence() const { return m_spoken; }

signals:
    // The talker's word now heard, passed on (clsTalker::SpeakingWord).
    void SpeakingWord(const QString &Sentence, int start, int length);

private:
    RichTextBox &m_view;
    clsTalker *m_talker = nullptr;
    std::unique_ptr<clsDict> m_dict;
    bool m_paused = false;
    int m_highlightStart = 1;
    int m_highlightEnd = 0;
    // Where the text given to the talker begins in the view (1-based): the highlight reads
    // the view from there, exactly as the talker's store was given it.
    int m_readOrigin = 1;
    std::pair<int, int> m_spoken { 0, 0 };
};
