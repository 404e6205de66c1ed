#include "speech/CombinedEngine.h"

#include "base/Failure.h"

namespace {
const QString kSource = QStringLiteral("CombinedEngine");
constexpr int kInvalidPropertyValue = 380;
} // namespace

CombinedEngine::CombinedEngine(std::vector<std::unique_ptr<SpeechEngine>> engines,
                               QStringList notes, QObject *parent)
    : SpeechEngine(parent)
    , m_engines(std::move(engines))
    , m_notes(std::move(notes))
{
    for (const auto &engine : m_engines)
        adopt(*engine);
}

CombinedEngine::~CombinedEngine() = default;

void CombinedEngine::adopt(SpeechEngine &engine)
{
    connect(&engine, &SpeechEngine::SpeakingDone, this, &SpeechEngine::SpeakingDone);
    connect(&engine, &SpeechEngine::SpeakingStarted, this, &SpeechEngine::SpeakingStarted);
    connect(&engine, &SpeechEngine::SpeakingWord, this, &SpeechEngine::SpeakingWord);
    connect(&engine, &SpeechEngine::EngineEvent, this, &SpeechEngine::EngineEvent);
    // Each engine starts at the common speed, whatever its own default.
    try {
        engine.setSpeed(m_speed);
    } catch (const Failure &) {
        // It keeps its own; Faster and Slower bring it in line.
    }
}

void CombinedEngine::setInitialized(int value)
{
    m_initialized = value;
    for (const auto &engine : m_engines)
        engine->setInitialized(value);
    for (const QString &note : std::exchange(m_notes, {}))
        emit EngineEvent(note);
}

void CombinedEngine::addLater(Ready ready, Make make)
{
    m_lateReady = std::move(ready);
    m_makeLate = std::move(make);
    if (!m_lateWatch) {
        m_lateWatch = new QTimer(this);
        m_lateWatch->setInterval(50);
        connect(m_lateWatch, &QTimer::timeout, this, [this] {
            if (m_lateReady && m_lateReady())
                takeLateEngine();
        });
    }
    m_lateWatch->start();
}

bool CombinedEngine::VoicesPending() const
{
    return bool(m_makeLate);
}

void CombinedEngine::WaitForVoices()
{
    takeLateEngine();
}

void CombinedEngine::takeLateEngine()
{
    if (m_lateWatch)
        m_lateWatch->stop();
    const Make make = std::exchange(m_makeLate, {});
    m_lateReady = {};
    if (!make)
        return;
    QStringList notes;
    std::unique_ptr<SpeechEngine> engine = make(notes);
    for (const QString &note : notes)
        emit EngineEvent(note);
    if (!engine)
        return;
    adopt(*engine);
    try {
        engine->setPitch(m_pitch);
        if (m_initialized)
            engine->setInitialized(m_initialized);
    } catch (const Failure &failure) {
        emit EngineEvent(failure.description());
        return;
    }
    m_engines.push_back(std::move(engine));
    emit VoicesAdded();
}

int CombinedEngine::CountEngines() const
{
    int count = 0;
    for (const auto &engine : m_engines)
        count += engine->CountEngines();
    return count;
}

CombinedEngine::Place CombinedEngine::place(int voice) const
{
    int first = 1;
    if (voice >= 1) {
        for (const auto &engine : m_engines) {
            const int count = engine->CountEngines();
            if (voice < first + count)
                return { engine.get(), voice - first + 1 };
            first += count;
        }
    }
    throw Failure(FailureCode::InvalidCall, QStringLiteral("Invalid procedure call or argument"),
                  kSource);
}

QString CombinedEngine::ModeName(int voice) const
{
    const Place p = place(voice);
    return p.engine->ModeName(p.voice);
}

QString CombinedEngine::ModeLanguage(int voice) const
{
    const Place p = place(voice);
    return p.engine->ModeLanguage(p.voice);
}

VoiceIdentity CombinedEngine::Identity(int voice) const
{
    const Place p = place(voice);
    return p.engine->Identity(p.voice);
}

bool CombinedEngine::CanRender(int voice) const
{
    const Place p = place(voice);
    return p.engine->CanRender(p.voice);
}

void CombinedEngine::Select(int voice)
{
    const Place p = place(voice);
    p.engine->Select(p.voice);
    m_voice = voice;
}

int CombinedEngine::CurrentMode() const
{
    return m_voice;
}

SpeechEngine *CombinedEngine::activeEngine() const
{
    return m_engines.empty() ? nullptr : place(m_voice).engine;
}

void CombinedEngine::Speak(const QString &text)
{
    SpeechEngine *engine = activeEngine();
    if (!engine)
        throw Failure(FailureCode::NoSpeechEngine, QStringLiteral("No speech engines"), kSource);
    engine->Speak(text);
}

void CombinedEngine::StopSpeaking()
{
    m_paused.clear();
    for (const auto &engine : m_engines)
        engine->StopSpeaking();
}

void CombinedEngine::AudioPause()
{
    // The engine that speaks, and the selected one (a pause before the next sentence
    // holds it back as it would with one engine); an idle engine is left alone.
    for (const auto &engine : m_engines) {
        if ((engine->Speaking() != 0 || engine.get() == activeEngine())
            && !m_paused.contains(engine.get())) {
            engine->AudioPause();
            m_paused.append(engine.get());
        }
    }
}

void CombinedEngine::AudioResume()
{
    for (SpeechEngine *engine : std::exchange(m_paused, {}))
        engine->AudioResume();
    // The selected engine is resumed even when the pause missed it (nothing was paused
    // when it was chosen), as a lone engine would be.
    if (SpeechEngine *engine = activeEngine())
        engine->AudioResume();
}

int CombinedEngine::Speaking() const
{
    for (const auto &engine : m_engines) {
        if (engine->Speaking() != 0)
            return 1;
    }
    return 0;
}

int CombinedEngine::Speed() const
{
    return m_speed;
}

void CombinedEngine::setSpeed(int wordsPerMinute)
{
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"), kSource);
    for (const auto &engine : m_engines)
        engine->setSpeed(wordsPerMinute);
    m_speed = wordsPerMinute;
}

int CombinedEngine::Pitch() const
{
    return m_pitch;
}

void CombinedEngine::setPitch(int pitch)
{
    if (pitch < -10 || pitch > 10)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"), kSource);
    for (const auto &engine : m_engines)
        engine->setPitch(pitch);
    m_pitch = pitch;
}

std::unique_ptr<SpeechRenderer> CombinedEngine::CreateRenderer(int jobs) const
{
    SpeechEngine *engine = activeEngine();
    return engine ? engine->CreateRenderer(jobs) : nullptr;
}
