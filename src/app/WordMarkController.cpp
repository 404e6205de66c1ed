#include "app/WordMarkController.h"

#include "app/ReadingController.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "ui/RichTextBox.h"

#include <QStringView>
#include <algorithm>

WordMarkController::WordMarkController(ReadingController &reading, RichTextBox &view,
                                       QObject *parent)
    : QObject(parent)
    , m_reading(reading)
    , m_view(view)
{
    connect(&m_reading, &ReadingController::SpeakingWord, this,
            &WordMarkController::Reading_SpeakingWord);
    connect(&m_view, &QTextEdit::selectionChanged, this,
            &WordMarkController::View_SelectionChanged);
}

bool WordMarkController::Enabled() const
{
    bool on = true;
    Trace::quietly([&] { on = Settings().sGet(QString::fromLatin1(kSetting), 1).toInt() != 0; });
    return on;
}

void WordMarkController::setEnabled(bool on)
{
    Trace::quietly([&] { Settings().sSet(QString::fromLatin1(kSetting), on ? 1 : 0); });
    if (!on)
        m_view.clearWordMark();
}

std::optional<std::pair<int, int>> WordMarkController::ViewRange(const QString &viewText,
                                                                 std::pair<int, int> highlighted,
                                                                 const QString &sentence, int start,
                                                                 int length)
{
    const int size = int(viewText.size());
    const int sentenceSize = int(sentence.size());
    if (start < 0 || length <= 0 || start + length > sentenceSize)
        return std::nullopt;
    // The sentence as the store handed it out is a piece of the view's text, at or just
    // around where the highlight put it (the two may differ by a blank or a dash).
    const int from = std::clamp(highlighted.first - sentenceSize, 0, size);
    const int to = std::clamp(
        highlighted.first + std::max(highlighted.second, sentenceSize) + sentenceSize, from, size);
    const QStringView window = QStringView(viewText).sliced(from, to - from);
    const qsizetype at = window.indexOf(sentence);
    if (at >= 0)
        return std::pair { from + int(at) + start, length };
    // They disagree more than that: the word itself, nearest where it should be.
    const QString word = sentence.mid(start, length);
    const int expected = highlighted.first + start;
    std::optional<std::pair<int, int>> best;
    for (qsizetype i = window.indexOf(word); i >= 0; i = window.indexOf(word, i + 1)) {
        const int position = from + int(i);
        if (!best || std::abs(position - expected) < std::abs(best->first - expected))
            best = std::pair { position, length };
    }
    return best;
}

void WordMarkController::Reading_SpeakingWord(const QString &Sentence, int start, int length)
{
    if (start < 0 || !Enabled()) {
        m_view.clearWordMark();
        return;
    }
    const auto range =
        ViewRange(m_view.Text(), m_reading.SpokenSentence(), Sentence, start, length);
    if (range)
        m_view.setWordMark(range->first, range->second);
    else
        m_view.clearWordMark();
}

void WordMarkController::View_SelectionChanged()
{
    const auto mark = m_view.wordMark();
    if (!mark)
        return;
    const int selStart = m_view.SelStart();
    const int selEnd = selStart + m_view.SelLength();
    if (mark->first < selStart || mark->first + mark->second > selEnd)
        m_view.clearWordMark();
}
