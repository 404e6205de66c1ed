#include "app/ReadingController.h"

#include "app/SpeakToWav.h"
#include "base/Failure.h"
#include "base/MessagePump.h"
#include "base/MousePointer.h"
#include "base/SentenceRule.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "documents/SentenceFinder.h"
#include "speech/VoiceChoice.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "ui/RichTextBox.h"

#include <algorithm>

namespace {

template<class T> T &required(T *object)
{
    if (!object)
        throw Failure(91, QStringLiteral("Object variable not set"));
    return *object;
}

} // namespace

ReadingController::ReadingController(RichTextBox &view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
}

ReadingController::~ReadingController() = default;

ReadingController::FromCaret ReadingController::TextFromCaret(const QString &text, int caret)
{
    if (caret >= int(text.size()) - 5)
        caret = 0;
    // From the character just before the caret: HighlightStart points at it too.
    return { caret, caret > 0 ? text.mid(caret - 1) : text };
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
    connect(m_talker, &clsTalker::SpeakingWord, this, &ReadingController::SpeakingWord);
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
    Trace::quietly([&] { m_paused = false; });
    Trace::quietly([&] { required(m_talker).StopSpeaking(); });
    Trace::quietly([&] { m_view.setSelLength(0); });
    Trace::quietly([&] {
        MousePointer::NormalMouse();
        MessagePump::DoEvents();
    });
}

void ReadingController::Read()
{
    try {
        Stop();
        const int caret = m_view.SelStart();
        const FromCaret from = TextFromCaret(m_view.Text(), caret);
        if (from.caret != caret)
            m_view.setSelStart(0);
        m_highlightStart = std::max(from.caret, 1);
        m_readOrigin = m_highlightStart;
        MousePointer::BackgroundBusyMouse();
        required(m_dict.get()).LoadWords();
        required(m_talker).StoreTextFile(from.text);
        m_talker->ReadText();
    } catch (const std::exception &) {
        Stop();
    }
}

void ReadingController::Talker_SpeakingSentence(const QString &Sentence)
{
    Q_UNUSED(Sentence)
    const QString &text = m_view.Text();
    std::optional<SentenceFinder::Found> found;
    Trace::quietly([&] {
        found = SentenceFinder::FindSentence(text, m_readOrigin, m_highlightStart,
                                             m_talker ? m_talker->store().rule() : SentenceRule());
    });
    Trace::quietly([&] {
        if (found) {
            m_highlightStart = found->start;
            m_highlightEnd = found->end;
            m_spoken = { m_highlightStart - 1, m_highlightEnd - m_highlightStart + 1 };
        } else {
            // The view no longer holds what is being read: only the caret moves.
            m_highlightEnd = m_highlightStart - 1;
            m_spoken = { m_highlightStart - 1, 0 };
        }
        m_view.selectRange(m_spoken.first, m_spoken.second);
    });
    // A Read clicked in here highlights its own first sentence, so the step below then
    // moves on from that sentence, as the new reading needs.
    MessagePump::DoEvents();
    m_highlightStart = m_highlightEnd + 1;
}

void ReadingController::PauseOrContinue()
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

void ReadingController::Faster()
{
    Trace::quietly([&] { required(m_talker).Faster(); });
    // A speed change resumes the audio, so a paused reading is running again and the
    // next Pause must pause it rather than "continue".
    m_paused = false;
}

void ReadingController::Slower()
{
    Trace::quietly([&] { required(m_talker).Slower(); });
    m_paused = false;
}

void ReadingController::SelectVoice(int index, const QString &name)
{
    VoiceChoice::Remember(m_talker ? m_talker->engine() : nullptr, index, name);
    Trace::quietly([&] { required(m_talker).SelectVoice(index); });
}

void ReadingController::ChangePitch(const QString &pitch)
{
    if (m_talker)
        Trace::quietly([&] { m_talker->ChangePitch(pitch); });
}

void ReadingController::SpeakToWav(QWidget *parent)
{
    // The file gets the reading's text and voice, but never while a reading runs; a
    // cancelled dialog leaves the reading going.
    if (m_talker)
        ::SpeakToWav(parent, m_talker, m_view, m_dict.get(), [this] { Stop(); });
}
