#include "app/ReadingController.h"

#include "base/Failure.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "speech/VoiceChoice.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "ui/DocumentView.h"
#include "ui/MessagePump.h"
#include "ui/MousePointer.h"

#include <algorithm>

namespace {

const QString kModule = QStringLiteral("frmMain");

template<class T> T &required(T *object)
{
    if (!object)
        throw Failure(91, QStringLiteral("Object variable not set"));
    return *object;
}

} // namespace

ReadingController::ReadingController(DocumentView &view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
}

ReadingController::~ReadingController() = default;

ReadingController::FromCaret ReadingController::TextFromCaret(const QString &text, int caret)
{
    if (caret >= int(text.size()) - 5)
        caret = 0;
    // From the character just before the caret.
    return { caret, caret > 0 ? text.mid(caret - 1) : text };
}

ReadingController::FromCaret ReadingController::TextToRead() const
{
    return TextFromCaret(m_view.Text(), m_view.SelStart());
}

void ReadingController::CreateDictionary()
{
    m_dict = std::make_unique<clsDict>();
}

void ReadingController::ReleaseDictionary()
{
    m_dict.reset();
}

void ReadingController::CreateTalker()
{
    m_talker = new clsTalker(this);
    m_talker->setDictionary(m_dict.get());
    connect(m_talker, &clsTalker::SpeakingSentence, this,
            &ReadingController::Talker_SpeakingSentence);
    connect(m_talker, &clsTalker::SpeakingWord, this, &ReadingController::Talker_SpeakingWord);
    connect(m_talker, &clsTalker::ReadingEnded, this, &ReadingController::Talker_ReadingEnded);
    connect(m_talker, &clsTalker::VoicesAdded, this, &ReadingController::VoicesAdded);
}

void ReadingController::ReleaseTalker()
{
    if (!m_talker)
        return;
    m_talker->disconnect(this);
    m_talker->setDictionary(nullptr);
    // A Quit clicked inside the highlight handler runs while the talker is still on the
    // stack below it, so it goes once control is back in the event loop.
    m_talker->deleteLater();
    m_talker = nullptr;
}

void ReadingController::Stop()
{
    m_paused = false;
    m_ranOut = false;
    if (m_talker)
        m_talker->StopSpeaking();
    m_view.setSelLength(0);
    MousePointer::NormalMouse();
    // A click waiting behind the stop (another Read) runs now, on a stopped reading.
    MessagePump::DoEvents();
}

void ReadingController::Read()
{
    try {
        Stop();
        const int caret = m_view.SelStart();
        const FromCaret from = TextFromCaret(m_view.Text(), caret);
        if (from.caret != caret)
            m_view.setSelStart(0);
        MousePointer::BackgroundBusyMouse();
        required(m_dict.get()).LoadWords();
        required(m_talker).StoreTextFile(from.text, std::max(from.caret - 1, 0));
        m_talker->ReadText();
    } catch (const std::exception &e) {
        Trace::record(Trace::asFailure(e), QStringLiteral("cmdRead_Click"), kModule);
        Stop();
    }
}

void ReadingController::Talker_SpeakingSentence(const QString &Sentence, int Start, int Length)
{
    Q_UNUSED(Sentence)
    m_spoken = { Start, Length };
    m_view.selectRange(Start, Length);
    // Stop, Pause and Read stay usable while sentences are selected: a click waiting now
    // runs here, and the talker speaks nothing a Stop or a new Read has overtaken.
    MessagePump::DoEvents();
}

void ReadingController::Talker_SpeakingWord(const QString &Sentence, int start, int length)
{
    Q_UNUSED(Sentence)
    if (start < 0 || !m_talker)
        emit SpeakingWord(-1, 0);
    else
        emit SpeakingWord(m_talker->ShownPosition(start), length);
}

void ReadingController::Talker_ReadingEnded()
{
    MousePointer::NormalMouse();
    m_ranOut = m_talker && m_talker->store().Sentences() > 0
        && m_talker->store().ReadIndex() >= m_talker->store().Sentences();
}

void ReadingController::TextAppended(const QString &text)
{
    // Without a reading the next Read takes the text from the view as it then is.
    if (!m_talker || text.isEmpty() || (!m_talker->isSpeaking() && !m_ranOut))
        return;
    m_talker->AppendText(text);
    if (m_ranOut && !m_talker->isSpeaking()) {
        m_ranOut = false;
        MousePointer::BackgroundBusyMouse();
        m_talker->ReadText();
    }
}

void ReadingController::PauseOrContinue()
{
    if (!m_talker)
        return;
    m_paused = !m_paused;
    if (m_paused)
        m_talker->Pause();
    else
        m_talker->Continue();
}

void ReadingController::Faster()
{
    if (m_talker)
        m_talker->Faster();
    // A speed change resumes the audio, so a paused reading is running again and the
    // next Pause must pause it rather than "continue".
    m_paused = false;
}

void ReadingController::Slower()
{
    if (m_talker)
        m_talker->Slower();
    m_paused = false;
}

void ReadingController::SelectVoice(int index, const QString &name)
{
    VoiceChoice::Remember(m_talker ? m_talker->engine() : nullptr, index, name);
    if (m_talker)
        m_talker->SelectVoice(index);
}

void ReadingController::ChangePitch(const QString &pitch)
{
    if (m_talker)
        m_talker->ChangePitch(pitch);
}
