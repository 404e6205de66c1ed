#include "app/WordMarkController.h"

#include "app/ReadingController.h"
#include "base/cSHAREDSettings.h"
#include "ui/RichTextBox.h"

WordMarkController::WordMarkController(ReadingController &reading, RichTextBox &view,
                                       QObject *parent)
    : QObject(parent)
    , m_view(view)
{
    connect(&reading, &ReadingController::SpeakingWord, this,
            &WordMarkController::Reading_SpeakingWord);
    connect(&m_view, &QTextEdit::selectionChanged, this,
            &WordMarkController::View_SelectionChanged);
}

bool WordMarkController::Enabled() const
{
    return Settings().sGet(QString::fromLatin1(kSetting), 1).toInt() != 0;
}

void WordMarkController::setEnabled(bool on)
{
    Settings().sSet(QString::fromLatin1(kSetting), on ? 1 : 0);
    if (!on)
        m_view.clearWordMark();
}

void WordMarkController::Reading_SpeakingWord(int start, int length)
{
    if (start < 0 || length <= 0 || !Enabled())
        m_view.clearWordMark();
    else
        m_view.setWordMark(start, length);
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
