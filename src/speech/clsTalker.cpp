#include "speech/clsTalker.h"

#include "base/Failure.h"
#include "base/Trace.h"
#include "speech/SpeechEngine.h"
#include "speech/SpokenForm.h"

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
        Trace::quietly("an engine going away may refuse to stop; nothing follows from it",
                       [&] { Voice1->StopSpeaking(); });
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
        Trace::quietly("a voice without a language keeps the English titles", [&] {
            Store.setRule(SentenceRule::forLanguage(engineRef().ModeLanguage(VoiceNum + 1)));
        });
    if (!selected && previous)
        Trace::quietly("the failed selection is traced; going back is the best left to try",
                       [&] { engineRef().Select(*previous); });
}

void clsTalker::Pause()
{
    Trace::quietly("without an engine there is no audio to pause",
                   [&] { engineRef().AudioPause(); });
}

void clsTalker::Continue()
{
    Trace::quietly("without an engine there is no audio to resume",
                   [&] { engineRef().AudioResume(); });
}

void clsTalker::InitEngine()
{
    // Each step runs under its label; an invalid call (code 5) is stepped over, anything
    // else reaches the caller with the label of the step that failed. The busy pointer
    // around it is the caller's.
    enum Step { Create, Initialize, CheckCount, RaiseNoEngine, EndIf, Done };
    static const char *const labels[] = {
        "Set Voice1 = New TextToSpeech",
        "Voice1.initialized = 1",
        "If Voice1.CountEngines = 0 Then",
        "Err.Raise NO_SPEECH_ENGINE, '', 'No speech engines'",
        "End If",
    };

    int step = Create;
    while (step != Done) {
        int next = step + 1;
        try {
            switch (step) {
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
                connect(Voice1.get(), &SpeechEngine::VoicesAdded, this, &clsTalker::VoicesAdded);
                break;
            case Initialize:
                engineRef().setInitialized(1);
                break;
            case CheckCount:
                if (engineRef().CountEngines() != 0)
                    next = Done;
                break;
            case RaiseNoEngine:
                throw Failure(FailureCode::NoSpeechEngine, QStringLiteral("No speech engines"),
                              kModule);
            case EndIf:
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
    Trace::quietly("an engine that cannot stop is not speaking either",
                   [&] { engineRef().StopSpeaking(); });
}

void clsTalker::StoreTextFile(const QString &TextToStore, int ShownStart)
{
    m_shownStart = ShownStart;
    Store.StoreInSentences(TextToStore);
}

void clsTalker::ReadText()
{
    if (!Store.HasSentences()) {
        emit ReadingEnded();
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
    Trace::quietly("a speed that cannot be read is 0, as callers expect",
                   [&] { speed = short(engineRef().Speed()); });
    return speed;
}

void clsTalker::Say(const QString &StringToSay)
{
    Trace::quietly("a test word that cannot be spoken is simply not heard", [&] {
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
    const QString sentence = Store.NextSentence();
    if (sentence.isEmpty()) {
        EndReading();
        return;
    }

    const quint64 generation = m_readingGeneration;
    const clsStore::Place &place = Store.LastPlace();
    emit SpeakingSentence(sentence, m_shownStart + int(place.begin), int(place.end - place.begin));
    // The highlight handler pumps messages: a Stop or a new Read may have run inside it.
    if (!Speaking || generation != m_readingGeneration)
        return;

    const QString spoken = SpokenForm(sentence, m_dict);
    m_sentence = sentence;
    m_words = SpokenWordMap(sentence, spoken);
    // A sentence the engine refuses would never raise its done event and leave the
    // reading hanging, so that failure ends the reading instead of being ignored.
    engineRef().Speak(spoken);
}

void clsTalker::EndReading()
{
    Speaking = false;
    emit ReadingEnded();
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
    // The failure is traced above; these only put back what they can.
    if (old)
        Trace::quietly("the old speed was the engine's own", [&] { engineRef().setSpeed(*old); });
    Trace::quietly("audio that cannot resume was not playing", [&] { engineRef().AudioResume(); });
}
