#include "platform/EspeakEngine.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "platform/AudioPlayer.h"
#include "platform/AudioQueue.h"
#include "platform/EspeakRenderer.h"
#include "platform/ParallelRenderer.h"
#include "platform/RenderWorker.h"

namespace {
constexpr int kInvalidPropertyValue = 380;

[[noreturn]] void invalidValue()
{
    throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"),
                  QStringLiteral("EspeakEngine"));
}
} // namespace

EspeakEngine::EspeakEngine(QObject *parent)
    : SpeechEngine(parent)
    , m_synth(EspeakSynthesizer::instance())
    , m_queue(std::make_shared<AudioQueue>())
    , m_voices(m_synth->voices())
{
    m_player = new AudioPlayer(m_queue, m_synth->sampleRate(), this);
    connect(m_player, &AudioPlayer::jobPlayed, this, &EspeakEngine::jobPlayed);
    connect(m_player, &AudioPlayer::wordPlayed, this, &EspeakEngine::wordPlayed);
    connect(m_player, &AudioPlayer::audioHanded, this, &EspeakEngine::AudioHanded);
    connect(m_player, &AudioPlayer::playingSilently, this, [this] {
        emit EngineEvent(QStringLiteral("No audio output device: speech is played into silence"));
    });
}

EspeakEngine::~EspeakEngine()
{
    m_queue->clear();
    m_synth->cancel(m_queue.get());
}

void EspeakEngine::installAsSpeechEngine()
{
    Seam::install<SpeechEngineFactory::FactorySeam>(
        [] { return std::make_unique<EspeakEngine>(); });
}

void EspeakEngine::setInitialized(int)
{
    // Ready since construction; kept for the callers that set it.
}

int EspeakEngine::CountEngines() const
{
    return int(m_voices.size());
}

void EspeakEngine::checkVoice(int voice) const
{
    if (voice < 1 || voice > m_voices.size())
        throw Failure(FailureCode::InvalidCall,
                      QStringLiteral("Invalid procedure call or argument"),
                      QStringLiteral("EspeakEngine"));
}

QString EspeakEngine::ModeName(int voice) const
{
    checkVoice(voice);
    return m_voices[voice - 1].name;
}

QString EspeakEngine::ModeLanguage(int voice) const
{
    checkVoice(voice);
    return m_voices[voice - 1].language;
}

void EspeakEngine::Select(int voice)
{
    checkVoice(voice);
    m_voice = voice;
}

int EspeakEngine::CurrentMode() const
{
    return m_voice;
}

void EspeakEngine::Speak(const QString &text)
{
    EspeakSynthesizer::Job job;
    job.id = ++m_nextJob;
    job.generation = m_queue->generation();
    job.text = text;
    if (!m_voices.isEmpty())
        job.voice = m_voices[m_voice - 1].identifier;
    job.rate = m_speed;
    job.pitch = 50 + m_pitch * 5;
    job.queue = m_queue;
    job.words = true;
    m_pending.append(job.id);
    m_synth->submit(std::move(job));
    m_player->play();
}

void EspeakEngine::StopSpeaking()
{
    m_pending.clear();
    m_queue->clear();
    m_synth->cancel(m_queue.get());
    m_player->stop();
}

void EspeakEngine::AudioPause()
{
    m_player->pause();
}

void EspeakEngine::AudioResume()
{
    m_player->resume();
}

int EspeakEngine::Speaking() const
{
    return m_pending.isEmpty() ? 0 : 1;
}

int EspeakEngine::Speed() const
{
    return m_speed;
}

void EspeakEngine::setSpeed(int wordsPerMinute)
{
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        invalidValue();
    m_speed = wordsPerMinute;
}

int EspeakEngine::Pitch() const
{
    return m_pitch;
}

void EspeakEngine::setPitch(int pitch)
{
    if (pitch < -10 || pitch > 10)
        invalidValue();
    m_pitch = pitch;
}

std::unique_ptr<SpeechRenderer> EspeakEngine::CreateRenderer(int jobs) const
{
    const QByteArray voice = m_voices.isEmpty() ? QByteArray() : m_voices[m_voice - 1].identifier;
    // The same voice, rate and pitch mapping as Speak, so a file sounds like the reading.
    const int pitch = 50 + m_pitch * 5;
    // In worker processes wherever the program can start itself as one, even for one
    // job: the parts then come out the same however many run side by side.
    const QStringList worker = Seam::current<RenderWorker::ProgramSeam>();
    if (!worker.isEmpty())
        return std::make_unique<ParallelRenderer>(worker, jobs, m_synth->sampleRate(), voice,
                                                  m_speed, pitch);
    return std::make_unique<EspeakRenderer>(m_synth, voice, m_speed, pitch);
}

void EspeakEngine::jobPlayed(quint64 job)
{
    // Only calls of the current generation are pending; a stopped one was forgotten.
    if (!m_pending.removeOne(job))
        return;
    emit SpeakingDone();
}

void EspeakEngine::wordPlayed(quint64 job, int position, int length)
{
    // A word of a call that was stopped is no longer spoken.
    if (m_pending.contains(job))
        emit SpeakingWord(position, length);
}

int EspeakEngine::sampleRate() const
{
    return m_synth->sampleRate();
}

qsizetype EspeakEngine::queueHighWater() const
{
    return m_queue->highWater();
}

void EspeakEngine::resetQueueHighWater()
{
    m_queue->resetHighWater();
}

bool EspeakEngine::playsSilently() const
{
    return m_player->isSilent();
}

qint64 EspeakEngine::audioHandedBytes() const
{
    return m_player->handedBytes();
}
