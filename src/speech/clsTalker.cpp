#include "speech/clsTalker.h"

#include "base/Failure.h"
#include "base/MousePointer.h"
#include "base/Trace.h"
#include "speech/CleanForSpeech.h"
#include "speech/SpeechEngine.h"

#include <optional>

namespace {
const QString kModule = QStringLiteral("clsTalker");
constexpr int kSpeedStep = 10;
constexpr int kObjectNotSet = 91;
} // namespace

clsTalker::clsTalker(QObject *parent)
    : QObject(parent)
{
}

clsTalker::~clsTalker()
{
    // The engine may still hold a sentence; its done event must not reach a dying wrapper.
    Speaking = false;
    if (Voice1) {
        Voice1->disconnect(this);
        Trace::quietly([&] { Voice1->StopSpeaking(); });
    }
}

SpeechEngine &clsTalker::engineRef() const
{
    if (!Voice1)
        throw Failure(kObjectNotSet,
                      QStringLiteral("Object variable or With block variable not set"), kModule);
    return *Voice1;
}

void clsTalker::SetWavOutput(const QString &Filename)
{
    m_wavOutput = Filename;
}

void clsTalker::ChangePitch(const QString &PitchText)
{
    bool ok = false;
    const int pitch = PitchText.trimmed().toInt(&ok);
    if (!ok || pitch < -10 || pitch > 10)
        return;
    Trace::attempt(QStringLiteral("ChangePitch"), kModule, [&] { engineRef().setPitch(pitch); });
}

void clsTalker::SelectVoice(int VoiceNum)
{
    std::optional<int> previous;
    const bool selected = Trace::attempt(QStringLiteral("SelectVoice"), kModule, [&] {
        SpeechEngine &engine = engineRef();
        previous = engine.CurrentMode();
        engine.Select(VoiceNum + 1);
        (void)engine.ModeName(VoiceNum + 1);
    });
    // Titles that do not end a sentence are the voice's language's: the store cuts, and the
    // highlight follows, by that language's table.
    if (selected)
        Trace::quietly([&] {
            Store.setRule(SentenceRule::forLanguage(engineRef().ModeLanguage(VoiceNum + 1)));
        });
    if (!selected && previous)
        Trace::quietly([&] { engineRef().Select(*previous); });
}

void clsTalker::Pause()
{
    Trace::quietly([&] { engineRef().AudioPause(); });
}

void clsTalker::Continue()
{
    Trace::quietly([&] { engineRef().AudioResume(); });
}

void clsTalker::InitEngine()
{
    // Each step runs under its label; an invalid call (code 5) is stepped over, anything
    // else reaches the caller with the label of the step that failed.
    enum Step { Busy, Create, Initialize, CheckCount, RaiseNoEngine, EndIf, Normal, Done };
    static const char *const labels[] = {
        "Call cSubs.BusyMouse",
        "Set Voice1 = New TextToSpeech",
        "Voice1.initialized = 1",
        "If Voice1.CountEngines = 0 Then",
        "Err.Raise NO_SPEECH_ENGINE, '', 'No speech engines'",
        "End If",
        "Call cSubs.NormalMouse",
    };

    int step = Busy;
    while (step != Done) {
        int next = step + 1;
        try {
            switch (step) {
            case Busy:
                MousePointer::BusyMouse();
                break;
            case Create:
                if (Voice1) {
                    Voice1->disconnect(this);
                    Speaking = false;
                }
                Voice1.reset();
                Voice1 = SpeechEngineFactory::create();
                connect(Voice1.get(), &SpeechEngine::SpeakingDone, this,
                        &clsTalker::Voice1_SpeakingDone);
                connect(Voice1.get(), &SpeechEngine::SpeakingWord, this,
                        &clsTalker::Voice1_SpeakingWord);
                connect(Voice1.get(), &SpeechEngine::EngineEvent, this,
                        [](const QString &text) { Log().LogEvent(text); });
                break;
            case Initialize:
                engineRef().setInitialized(1);
                break;
            case CheckCount:
                if (engineRef().CountEngines() != 0)
                    next = Normal;
                break;
            case RaiseNoEngine:
                throw Failure(FailureCode::NoSpeechEngine, QStringLiteral("No speech engines"),
                              kModule);
            case EndIf:
                break;
            case Normal:
                MousePointer::NormalMouse();
                break;
            }
        } catch (const std::exception &e) {
            const Failure failure = Trace::asFailure(e);
            if (failure.code() != FailureCode::InvalidCall)
                throw Failure(failure.code(),
                              failure.description() + QStringLiteral(" while ")
                                  + QLatin1String(labels[step]),
                              failure.source());
        }
        step = next;
    }
}

void clsTalker::StopSpeaking()
{
    // Speaking is cleared first, so the done event that stopping may raise starts nothing.
    Speaking = false;
    ++m_readingGeneration;
    Trace::quietly([&] { engineRef().StopSpeaking(); });
}

void clsTalker::StoreTextFile(const QString &TextToStore)
{
    Trace::quietly([&] { Store.StoreInSentences(TextToStore); });
}

void clsTalker::ReadText()
{
    if (Store.Sentences() < 1) {
        MousePointer::NormalMouse();
        return;
    }
    Speaking = true;
    ++m_readingGeneration;
    if (!Trace::attempt(QStringLiteral("ReadText"), kModule, [&] { SpeakNext(); }))
        EndReading();
}

QStringList clsTalker::VoiceNames() const
{
    QStringList names;
    int count = 0;
    if (!Trace::attempt(QStringLiteral("FillEngine"), kModule,
                        [&] { count = engineRef().CountEngines(); }))
        return names;
    for (int i = 1; i <= count; ++i) {
        Trace::attempt(QStringLiteral("FillEngine"), kModule, [&] {
            const SpeechEngine &engine = engineRef();
            names << engine.ModeName(i) + QStringLiteral(" - ") + engine.ModeLanguage(i);
        });
    }
    return names;
}

void clsTalker::Slower()
{
    AdjustSpeed(-kSpeedStep);
}

void clsTalker::Faster()
{
    AdjustSpeed(kSpeedStep);
}

short clsTalker::TalkSpeed() const
{
    short speed = 0;
    Trace::quietly([&] { speed = short(engineRef().Speed()); });
    return speed;
}

void clsTalker::Say(const QString &StringToSay)
{
    Trace::quietly([&] {
        SpeechEngine &engine = engineRef();
        if (engine.Speaking() == 0)
            engine.Speak(StringToSay);
    });
}

void clsTalker::Voice1_SpeakingDone()
{
    if (!Speaking)
        return;
    emit SpeakingWord(m_sentence, -1, 0);
    if (!Trace::attempt(QStringLiteral("Voice1_SpeakingDone"), kModule, [&] { SpeakNext(); }))
        EndReading();
}

void clsTalker::Voice1_SpeakingWord(int position, int length)
{
    Q_UNUSED(length)
    if (!Speaking)
        return;
    if (const auto word = m_words.shownWord(position))
        emit SpeakingWord(m_sentence, word->start, word->length);
}

void clsTalker::SpeakNext()
{
    QString sentence;
    Trace::quietly([&] { sentence = Store.NextSentence(); });
    if (sentence.isEmpty()) {
        EndReading();
        return;
    }

    const quint64 generation = m_readingGeneration;
    Trace::quietly([&] { emit SpeakingSentence(sentence); });
    // The highlight handler pumps messages: a Stop or a new Read may have run inside it.
    if (!Speaking || generation != m_readingGeneration)
        return;

    QString spoken = CleanForSpeech(sentence);
    if (m_dict)
        Trace::quietly([&] { spoken = m_dict->TranslateText(spoken); });
    m_sentence = sentence;
    m_words = SpokenWordMap(sentence, spoken);
    // A sentence the engine refuses would never raise its done event and leave the
    // reading hanging, so that failure ends the reading instead of being ignored.
    engineRef().Speak(spoken);
}

void clsTalker::EndReading()
{
    Speaking = false;
    MousePointer::NormalMouse();
}

void clsTalker::AdjustSpeed(int step)
{
    std::optional<int> old;
    const bool adjusted = Trace::attempt(QStringLiteral("AdjustSpeed"), kModule, [&] {
        SpeechEngine &engine = engineRef();
        old = engine.Speed();
        engine.AudioPause();
        engine.setSpeed(engine.Speed() + step);
        engine.AudioResume();
    });
    if (adjusted)
        return;
    if (old)
        Trace::quietly([&] { engineRef().setSpeed(*old); });
    Trace::quietly([&] { engineRef().AudioResume(); });
}
