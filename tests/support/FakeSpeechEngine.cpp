#include "support/FakeSpeechEngine.h"

#include "base/Failure.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {
constexpr int kInvalidPropertyValue = 380;

class FakeRenderer : public SpeechRenderer
{
public:
    int rate = 16000;
    int speed = 200;
    int pitch = 0;
    std::function<void(qsizetype)> onText;
    std::optional<std::pair<int, QString>> failure;

    int sampleRate() const override { return rate; }

    bool render(const QStringList &texts, Sink &sink) override
    {
        if (failure)
            throw Failure(failure->first, failure->second, QStringLiteral("FakeRenderer"));
        const int perChar = std::max(1, 400 * 200 / std::max(1, speed));
        std::vector<int16_t> block;
        for (qsizetype index = 0; index < texts.size(); ++index) {
            if (onText)
                onText(index);
            const QString &text = texts.at(index);
            for (QChar c : text) {
                block.assign(size_t(perChar), 0);
                for (int i = 0; i < perChar; ++i)
                    block[size_t(i)] =
                        int16_t(((c.unicode() * 37 + i * (3 + pitch + 10)) % 200 - 100) * 100);
                if (!sink.audio(block.data(), qsizetype(block.size())))
                    return false;
            }
            block.assign(1600, 0);
            if (!sink.audio(block.data(), qsizetype(block.size())) || !sink.textDone(index))
                return false;
        }
        return true;
    }
};
} // namespace

std::unique_ptr<SpeechRenderer> FakeSpeechEngine::CreateRenderer(int jobs) const
{
    record(QStringLiteral("CreateRenderer"));
    renderJobs = jobs;
    if (!renders)
        return nullptr;
    auto renderer = std::make_unique<FakeRenderer>();
    renderer->rate = renderSampleRate;
    renderer->speed = speed;
    renderer->pitch = pitch;
    renderer->onText = onRenderText;
    const auto failure = m_failures.constFind(QStringLiteral("render"));
    if (failure != m_failures.cend())
        renderer->failure = *failure;
    return renderer;
}

FakeSpeechEngine::FakeSpeechEngine(QObject *parent)
    : SpeechEngine(parent)
    , voices { { QStringLiteral("English"), QStringLiteral("en") },
               { QStringLiteral("German"), QStringLiteral("de") } }
{
}

void FakeSpeechEngine::failOperation(const QString &operation, int code, const QString &description)
{
    m_failures.insert(operation, { code, description });
}

void FakeSpeechEngine::record(const QString &operation) const
{
    const_cast<FakeSpeechEngine *>(this)->calls.append(operation);
    const auto failure = m_failures.constFind(operation);
    if (failure != m_failures.cend())
        throw Failure(failure->first, failure->second, QStringLiteral("FakeSpeechEngine"));
}

const FakeSpeechEngine::Voice &FakeSpeechEngine::voice(int number, const QString &operation) const
{
    if (number < 1 || number > voices.size())
        throw Failure(FailureCode::InvalidCall, QStringLiteral("Invalid procedure call"),
                      operation);
    return voices[number - 1];
}

void FakeSpeechEngine::emitDone()
{
    speaking = 0;
    emit SpeakingDone();
}

void FakeSpeechEngine::setInitialized(int value)
{
    record(QStringLiteral("setInitialized"));
    initialized = value;
}

int FakeSpeechEngine::CountEngines() const
{
    record(QStringLiteral("CountEngines"));
    return int(voices.size());
}

QString FakeSpeechEngine::ModeName(int number) const
{
    record(QStringLiteral("ModeName"));
    const Voice &v = voice(number, QStringLiteral("ModeName"));
    if (!v.describable)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("Voice cannot be described"));
    return v.name;
}

QString FakeSpeechEngine::ModeLanguage(int number) const
{
    record(QStringLiteral("ModeLanguage"));
    const Voice &v = voice(number, QStringLiteral("ModeLanguage"));
    if (!v.describable)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("Voice cannot be described"));
    return v.language;
}

VoiceIdentity FakeSpeechEngine::Identity(int number) const
{
    return { engineName, ModeName(number) };
}

bool FakeSpeechEngine::CanRender(int number) const
{
    voice(number, QStringLiteral("CanRender"));
    return renders;
}

void FakeSpeechEngine::Select(int number)
{
    record(QStringLiteral("Select"));
    if (!voice(number, QStringLiteral("Select")).selectable)
        throw Failure(FailureCode::InvalidCall, QStringLiteral("Voice cannot be selected"));
    selected = number;
}

int FakeSpeechEngine::CurrentMode() const
{
    record(QStringLiteral("CurrentMode"));
    return selected;
}

void FakeSpeechEngine::Speak(const QString &text)
{
    record(QStringLiteral("Speak"));
    spoken.append(text);
    speaking = 1;
}

void FakeSpeechEngine::StopSpeaking()
{
    record(QStringLiteral("StopSpeaking"));
    ++stops;
    paused = false;
    const bool wasSpeaking = speaking != 0;
    speaking = 0;
    if (doneOnStop && wasSpeaking)
        emit SpeakingDone();
}

void FakeSpeechEngine::AudioPause()
{
    record(QStringLiteral("AudioPause"));
    paused = true;
}

void FakeSpeechEngine::AudioResume()
{
    record(QStringLiteral("AudioResume"));
    paused = false;
}

int FakeSpeechEngine::Speaking() const
{
    record(QStringLiteral("Speaking"));
    return speaking;
}

int FakeSpeechEngine::Speed() const
{
    record(QStringLiteral("Speed"));
    return speed;
}

void FakeSpeechEngine::setSpeed(int wordsPerMinute)
{
    record(QStringLiteral("setSpeed"));
    if (wordsPerMinute < minSpeed || wordsPerMinute > maxSpeed || refusedSpeed == wordsPerMinute)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"),
                      QStringLiteral("FakeSpeechEngine"));
    speed = wordsPerMinute;
}

int FakeSpeechEngine::Pitch() const
{
    record(QStringLiteral("Pitch"));
    return pitch;
}

void FakeSpeechEngine::setPitch(int value)
{
    record(QStringLiteral("setPitch"));
    pitch = value;
}

FakeSpeechEngine::Scope::Scope()
    : m_factory([this] { return make(); })
{
}

FakeSpeechEngine::Scope::~Scope() = default;

std::unique_ptr<SpeechEngine> FakeSpeechEngine::Scope::make()
{
    if (failCreation)
        throw Failure(FailureCode::CannotCreateComponent,
                      QStringLiteral("ActiveX component can't create object"),
                      QStringLiteral("FakeSpeechEngine"));
    auto engine = std::make_unique<FakeSpeechEngine>();
    if (configure)
        configure(*engine);
    m_last = engine.get();
    ++created;
    return engine;
}
