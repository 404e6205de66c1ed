#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <utility>

class ReadingController;
class RichTextBox;

// The mark on the word being heard, inside the highlighted sentence: takes the talker's
// words (through the reading controller) and finds each in the view, on the words the
// user sees, whatever cleaning and the pronunciation list made of them. The mark goes
// when the sentence's audio ends or the selection moves elsewhere (the next sentence, a
// stop). It can be turned off; the choice is kept in the settings under MarkSpokenWord.
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

    // Where characters start .. start + length of `sentence` lie in the view's text, given
    // the range the highlight selected for it; nothing when the sentence cannot be found
    // there.
    static std::optional<std::pair<int, int>> ViewRange(const QString &viewText,
                                                        std::pair<int, int> highlighted,
                                                        const QString &sentence, int start,
                                                        int length);

    void Reading_SpeakingWord(const QString &Sentence, int start, int length);

private:
    void View_SelectionChanged();

    ReadingController &m_reading;
    RichTextBox &m_view;
};
