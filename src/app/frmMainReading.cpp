// The main window's reading workflow: read from the caret, pause, stop, reload,
// speed, voice and pitch, and the highlight of the spoken sentence.
#include "app/frmMain.h"

#include "app/SpeakToWav.h"

#include "base/Failure.h"
#include "base/MessagePump.h"
#include "base/MousePointer.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "documents/SentenceFinder.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "ui/RichTextBox.h"

#include <QComboBox>
#include <QPushButton>

#include <algorithm>

namespace {

const QString kModule = QStringLiteral("frmMain");

template<class T> T &required(T *object)
{
    if (!object)
        throw Failure(91, QStringLiteral("Object variable not set"));
    return *object;
}

bool isBlankOrLineEnd(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\r') || ch == QLatin1Char('\n');
}

} // namespace

void frmMain::StopReading()
{
    Trace::quietly([&] { m_paused = false; });
    Trace::quietly([&] { required(m_talker).StopSpeaking(); });
    Trace::quietly([&] { RichTextBox1->setSelLength(0); });
    Trace::quietly([&] {
        MousePointer::NormalMouse();
        MessagePump::DoEvents();
    });
}

void frmMain::cmdRead_Click()
{
    try {
        StopReading();
        const QString text = RichTextBox1->Text();
        int caret = RichTextBox1->SelStart();
        // A caret in the last few characters has nothing left to read: start again.
        if (caret >= int(text.size()) - 5) {
            RichTextBox1->setSelStart(0);
            caret = 0;
        }
        m_highlightStart = std::max(caret, 1);
        MousePointer::BackgroundBusyMouse();
        required(m_dict.get()).LoadWords();
        // From the character just before the caret: HighlightStart points at it too.
        required(m_talker).StoreTextFile(caret > 0 ? text.mid(caret - 1) : text);
        m_talker->ReadText();
    } catch (const std::exception &) {
        StopReading();
    }
}

void frmMain::Talker_SpeakingSentence(const QString &Sentence)
{
    Q_UNUSED(Sentence) // the sentence is found by position in the displayed text
    const QString &text = RichTextBox1->Text();
    const int length = int(text.size());
    Trace::quietly(
        [&] { m_highlightEnd = SentenceFinder::FindSentenceEnd(text, m_highlightStart); });
    Trace::quietly([&] {
        while (m_highlightStart >= 1 && m_highlightStart <= length
               && isBlankOrLineEnd(text.at(m_highlightStart - 1)))
            ++m_highlightStart;
    });
    Trace::quietly([&] {
        // A last sentence without an end mark gives a negative length: only the caret
        // moves, to where that sentence begins.
        const int selected = m_highlightEnd - m_highlightStart + 1;
        RichTextBox1->selectRange(m_highlightStart - 1, std::max(selected, 0));
    });
    // A Read clicked in here highlights its own first sentence, so the step below then
    // moves on from that sentence, as the new reading needs.
    MessagePump::DoEvents();
    m_highlightStart = m_highlightEnd + 2;
}

void frmMain::cmdPause_Click()
{
    Trace::quietly([&] {
        if (m_paused) {
            m_paused = false;
            required(m_talker).Continue();
        } else {
            m_paused = true;
            required(m_talker).Pause();
        }
    });
}

void frmMain::cmdStopReading_Click()
{
    Trace::quietly([&] { StopReading(); });
}

void frmMain::cmdReload_Click()
{
    Trace::quietly([&] { StopReading(); });
    Trace::quietly([&] { LoadDocument(m_currentFile); });
    Trace::quietly([&] { MousePointer::NormalMouse(); });
}

void frmMain::cmdFaster_Click()
{
    Trace::quietly([&] { required(m_talker).Faster(); });
    // A speed change resumes the audio, so a paused reading is running again and the
    // next Pause must pause it rather than "continue".
    m_paused = false;
}

void frmMain::cmdSlower_Click()
{
    Trace::quietly([&] { required(m_talker).Slower(); });
    m_paused = false;
}

void frmMain::cmbEngine_Click()
{
    const int index = cmbEngine->currentIndex();
    Trace::quietly([&] { Settings().sSet(QStringLiteral("LASTENGINE"), index); });
    Trace::quietly([&] { required(m_talker).SelectVoice(index); });
}

void frmMain::cmbPitch_Click()
{
    if (m_talker)
        Trace::quietly([&] { m_talker->ChangePitch(cmbPitch->currentText()); });
}

void frmMain::cmdSpeakToWav_Click()
{
    // The file gets the reading's text and voice, but never while a reading runs.
    Trace::quietly([&] { StopReading(); });
    if (m_talker && RichTextBox1)
        SpeakToWav(this, m_talker, *RichTextBox1, m_dict.get());
}
