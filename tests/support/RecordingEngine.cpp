#include "support/RecordingEngine.h"

#include "platform/EspeakEngine.h"

#include <QPointer>

RecordingEngine::RecordingEngine(QObject *parent)
    : SpeechEngine(parent)
    , m_real(std::make_unique<EspeakEngine>())
{
    connect(m_real.get(), &SpeechEngine::SpeakingDone, this, &SpeechEngine::SpeakingDone);
}

RecordingEngine::~RecordingEngine() = default;

void RecordingEngine::setInitialized(int value)
{
    m_real->setInitialized(value);
}

int RecordingEngine::CountEngines() const
{
    return m_real->CountEngines();
}

QString RecordingEngine::ModeName(int voice) const
{
    return m_real->ModeName(voice);
}

QString RecordingEngine::ModeLanguage(int voice) const
{
    return m_real->ModeLanguage(voice);
}

void RecordingEngine::Select(int voice)
{
    m_real->Select(voice);
}

int RecordingEngine::CurrentMode() const
{
    return m_real->CurrentMode();
}

void RecordingEngine::Speak(const QString &text)
{
    spoken.append(text);
    m_real->Speak(text);
}

void RecordingEngine::StopSpeaking()
{
    m_real->StopSpeaking();
}

void RecordingEngine::AudioPause()
{
    m_real->AudioPause();
}

void RecordingEngine::AudioResume()
{
    m_real->AudioResume();
}

int RecordingEngine::Speaking() const
{
    return m_real->Speaking();
}

int RecordingEngine::Speed() const
{
    return m_real->Speed();
}

void RecordingEngine::setSpeed(int wordsPerMinute)
{
    m_real->setSpeed(wordsPerMinute);
}

int RecordingEngine::Pitch() const
{
    return m_real->Pitch();
}

void RecordingEngine::setPitch(int pitch)
{
    m_real->setPitch(pitch);
}

struct RecordingEngine::Scope::Data
{
    QPointer<RecordingEngine> last;
};

RecordingEngine::Scope::Scope()
    : d(std::make_unique<Data>())
    , m_factory([data = d.get()]() -> std::unique_ptr<SpeechEngine> {
        auto engine = std::make_unique<RecordingEngine>();
        data->last = engine.get();
        return engine;
    })
{
}

RecordingEngine::Scope::~Scope() = default;

RecordingEngine *RecordingEngine::Scope::last() const
{
    return d->last.data();
}
