#include "platform/WorkerEngine.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "platform/AudioPlayer.h"
#include "platform/AudioQueue.h"
#include "platform/ParallelRenderer.h"
#include "platform/RenderWorker.h"
#include "platform/SynthesisRenderer.h"
#include "platform/SynthesisWorker.h"

namespace {
constexpr int kInvalidPropertyValue = 380;
} // namespace

WorkerEngine::WorkerEngine(std::shared_ptr<SynthesisWorker> synth, QList<Voice> voices,
                           QByteArray engine, QObject *parent)
    : SpeechEngine(parent)
    , m_synth(std::move(synth))
    , m_queue(std::make_shared<AudioQueue>())
    , m_voices(std::move(voices))
    , m_engine(std::move(engine))
{
    m_player = new AudioPlayer(m_queue, m_synth->sampleRate(), this);
    connect(m_player, &AudioPlayer::jobPlayed, this, &WorkerEngine::jobPlayed);
    connect(m_player, &AudioPlayer::wordPlayed, this, &WorkerEngine::wordPlayed);
    connect(m_player, &AudioPlayer::audioHanded, this, &WorkerEngine::audioHanded);
    connect(m_player, &AudioPlayer::playingSilently, this, [this] {
        emit EngineEvent(QStringLiteral("No audio output device: speech is played into silence"));
    });
}

WorkerEngine::~WorkerEngine()
{
    m_queue->clear();
    m_synth->cancel(m_queue.get());
}

void WorkerEngine::setInitialized(int)
{
    // Ready since construction; kept for the callers that set it.
}

int WorkerEngine::CountEngines() const
{
    return int(m_voices.size());
}

void WorkerEngine::checkVoice(int voice) const
{
    if (voice < 1 || voice > m_voices.size())
        throw Failure(FailureCode::InvalidCall,
                      QStringLiteral("Invalid procedure call or argument"),
                      QString::fromLatin1(metaObject()->className()));
}

QString WorkerEngine::ModeName(int voice) const
{
    checkVoice(voice);
    return m_voices[voice - 1].name;
}

QString WorkerEngine::ModeLanguage(int voice) const
{
    checkVoice(voice);
    return m_voices[voice - 1].language;
}

VoiceIdentity WorkerEngine::Identity(int voice) const
{
    checkVoice(voice);
    return { QString::fromLatin1(m_engine), m_voices[voice - 1].name };
}

void WorkerEngine::Select(int voice)
{
    checkVoice(voice);
    m_voice = voice;
}

int WorkerEngine::CurrentMode() const
{
    return m_voice;
}

QByteArray WorkerEngine::voiceIdentifier() const
{
    return m_voices.isEmpty() ? QByteArray() : m_voices[m_voice - 1].identifier;
}

void WorkerEngine::Speak(const QString &text)
{
    SynthesisWorker::Job job;
    job.id = ++m_nextJob;
    job.generation = m_queue->generation();
    job.text = text;
    job.voice = voiceIdentifier();
    job.rate = m_speed;
    job.pitch = libraryPitch(m_pitch);
    job.queue = m_queue;
    job.words = true;
    m_pending.append(job.id);
    m_synth->submit(std::move(job));
    m_player->play();
}

void WorkerEngine::StopSpeaking()
{
    m_pending.clear();
    m_queue->clear();
    m_synth->cancel(m_queue.get());
    m_player->stop();
}

void WorkerEngine::AudioPause()
{
    m_player->pause();
}

void WorkerEngine::AudioResume()
{
    m_player->resume();
}

int WorkerEngine::Speaking() const
{
    return m_pending.isEmpty() ? 0 : 1;
}

int WorkerEngine::Speed() const
{
    return m_speed;
}

void WorkerEngine::setSpeed(int wordsPerMinute)
{
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"),
                      QString::fromLatin1(metaObject()->className()));
    m_speed = wordsPerMinute;
}

int WorkerEngine::Pitch() const
{
    return m_pitch;
}

void WorkerEngine::setPitch(int pitch)
{
    if (pitch < -10 || pitch > 10)
        throw Failure(kInvalidPropertyValue, QStringLiteral("Invalid property value"),
                      QString::fromLatin1(metaObject()->className()));
    m_pitch = pitch;
}

std::unique_ptr<SpeechRenderer> WorkerEngine::CreateRenderer(int jobs) const
{
    // The same voice, rate and pitch mapping as Speak, so a file sounds like the reading.
    const int pitch = libraryPitch(m_pitch);
    // In worker processes wherever the program can start itself as one, even for one
    // job: the parts then come out the same however many run side by side.
    const QStringList worker = Seam::current<RenderWorker::ProgramSeam>();
    if (!worker.isEmpty())
        return std::make_unique<ParallelRenderer>(
            worker, jobs, m_synth->sampleRate(),
            RenderWorker::Setup { m_engine, voiceIdentifier(), m_speed, pitch });
    return std::make_unique<SynthesisRenderer>(m_synth, voiceIdentifier(), m_speed, pitch);
}

void WorkerEngine::jobPlayed(quint64 job)
{
    // Only calls of the current generation are pending; a stopped one was forgotten.
    if (!m_pending.removeOne(job))
        return;
    emit SpeakingDone();
}

void WorkerEngine::wordPlayed(quint64 job, int position, int length)
{
    // A word of a call that was stopped is no longer spoken.
    if (m_pending.contains(job))
        emit SpeakingWord(position, length);
}

void WorkerEngine::audioHanded(qint64 bytes)
{
    // The oldest call still pending is the one being heard.
    if (!m_pending.isEmpty() && m_pending.front() != m_started) {
        m_started = m_pending.front();
        emit SpeakingStarted();
    }
    emit AudioHanded(bytes);
}

int WorkerEngine::sampleRate() const
{
    return m_synth->sampleRate();
}

qsizetype WorkerEngine::queueHighWater() const
{
    return m_queue->highWater();
}

void WorkerEngine::resetQueueHighWater()
{
    m_queue->resetHighWater();
}

bool WorkerEngine::playsSilently() const
{
    return m_player->isSilent();
}

qint64 WorkerEngine::audioHandedBytes() const
{
    return m_player->handedBytes();
}
