#pragma once

#include <QObject>

class ReadingController;
class RichTextBox;

// The mark on the word being heard, inside the highlighted sentence: the reading controller
// passes on where the talker says the word stands in the view's text (on the words the user
// sees, whatever cleaning and the pronunciation list made of them), and this marks it. The
// mark goes when the sentence's audio ends or the selection moves elsewhere (the next
// sentence, a stop). It can be turned off; the choice is kept in the settings under
// MarkSpokenWord.
class WordMarkController : public QObject
{
    Q_OBJECT
public:
    WordMarkController(ReadingController &reading, RichTextBox &view, QObject *parent = nullptr);

    static constexpr const char *kSetting = "MarkSpokenWord";
    // On unless the settings say otherwise.
    bool Enabled() const;
    // Stores the choice; turning it off takes the mark away at once.
    void setEnabled(bool on);

    // Characters start .. start + length - 1 of the view's text are being heard; a start of
    // -1: none is.
    void Reading_SpeakingWord(int start, int length);

private:
    void View_SelectionChanged();

    RichTextBox &m_view;
};
