#include "platform/AudioPlayer.h"

#include "base/Seam.h"
#include "platform/AudioQueue.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>

namespace {
constexpr int kPumpMs = 10;
// The device is given back after this long with nothing to play, so an idle reader
// does not hold the sound card; a reading keeps it open between sentences.
constexpr int kIdleCloseMs = 2000;
// The sink's buffer: small, so a stop or pause is heard at once and a new sentence
// is not queued behind much audio.
constexpr int kSinkBufferMs = 200;
// Silence may catch up at most this much after a late timer tick.
constexpr qint64 kSilentCatchUpMs = 100;

bool silenceAnnounced = false;
} // namespace

AudioPlayer::AudioPlayer(std::shared_ptr<AudioQueue> queue, int sampleRate, QObject *parent)
    : QObject(parent)
    , m_queue(std::move(queue))
    , m_sampleRate(sampleRate)
{
    m_timer.setInterval(kPumpMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AudioPlayer::pump);
}

AudioPlayer::~AudioPlayer()
{
    closeOutput();
}

qint64 AudioPlayer::bytesFor(qint64 usecs) const
{
    return usecs * m_sampleRate / 1000000 * 2;
}

bool AudioPlayer::openOutput()
{
    if (m_open)
        return true;
    m_handed = 0;
    m_silent = true;
    const QAudioDevice device =
        Seam::current<ForceSilentSeam>() ? QAudioDevice() : QMediaDevices::defaultAudioOutput();
    if (!device.isNull()) {
        QAudioFormat format;
        format.setSampleRate(m_sampleRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        m_sink = new QAudioSink(device, format, this);
        m_sink->setBufferSize(int(bytesFor(kSinkBufferMs * 1000)));
        // Push mode: we decide when samples go out, so the end of each speak call is
        // known as an exact byte offset of the stream.
        m_io = m_sink->start();
        if (m_io && m_sink->error() == QAudio::NoError) {
            m_silent = false;
        } else {
            delete m_sink;
            m_sink = nullptr;
            m_io = nullptr;
        }
    }
    if (m_silent)
        startSilence();
    m_open = true;
    return true;
}

void AudioPlayer::startSilence()
{
    m_silent = true;
    m_silentClock.start();
    m_silentLastNs = 0;
    if (!silenceAnnounced) {
        silenceAnnounced = true;
        emit playingSilently();
    }
}

void AudioPlayer::closeOutput()
{
    if (m_sink) {
        m_sink->stop();
        delete m_sink;
        m_sink = nullptr;
        m_io = nullptr;
    }
    m_open = false;
    m_handed = 0;
}

void AudioPlayer::play()
{
    m_idlePumps = 0;
    // The timer does the work, never this call: a listener of jobPlayed that speaks
    // again must not run a pump inside a pump.
    if (!m_timer.isActive())
        m_timer.start();
}

void AudioPlayer::pause()
{
    m_paused = true;
    if (m_sink)
        m_sink->suspend();
}

void AudioPlayer::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    if (m_sink)
        m_sink->resume();
    if (m_silent && m_open)
        m_silentLastNs = m_silentClock.nsecsElapsed();
    play();
}

void AudioPlayer::stop()
{
    ++m_epoch;
    m_timer.stop();
    m_ends.clear();
    m_words.clear();
    m_paused = false;
    closeOutput();
}

qint64 AudioPlayer::playedBytes() const
{
    if (m_silent || !m_sink)
        return m_handed;
    // Idle: the sink has played all it was given.
    if (m_sink->state() == QAudio::IdleState || m_sink->state() == QAudio::StoppedState)
        return m_handed;
    return std::min(m_handed, bytesFor(m_sink->processedUSecs()));
}

void AudioPlayer::pump()
{
    if (m_paused)
        return;
    if (!m_open && m_queue->buffered() == 0) {
        // Speak calls that made no audio end here without opening the device.
        QList<AudioQueue::JobEnd> ends;
        m_queue->read(nullptr, 0, &ends);
        for (const auto &end : ends)
            m_ends.append({ end.job, m_handed });
        if (m_ends.isEmpty()) {
            if (++m_idlePumps * kPumpMs >= kIdleCloseMs)
                m_timer.stop();
            return;
        }
    } else if (!m_open) {
        openOutput();
    }

    qint64 taken = 0;
    if (m_open) {
        qint64 room = 0;
        if (m_silent) {
            const qint64 now = m_silentClock.nsecsElapsed();
            const qint64 elapsedNs = std::min(now - m_silentLastNs, kSilentCatchUpMs * 1000000);
            m_silentLastNs = now;
            room = bytesFor(elapsedNs / 1000);
        } else if (m_sink->error() != QAudio::NoError && m_sink->state() == QAudio::StoppedState) {
            // The device went away mid-reading: carry on into silence rather than stall.
            delete m_sink;
            m_sink = nullptr;
            m_io = nullptr;
            startSilence();
        } else {
            room = m_sink->bytesFree();
        }
        room &= ~qint64(1); // whole samples only
        if (m_scratch.size() < room)
            m_scratch.resize(room);
        QList<AudioQueue::JobEnd> ends;
        QList<AudioQueue::Word> words;
        taken = m_queue->read(m_scratch.data(), room, &ends, &words);
        for (const auto &end : ends)
            m_ends.append({ end.job, m_handed + end.offset });
        for (const auto &word : words)
            m_words.append({ word.job, m_handed + word.offset, word.position, word.length });
        if (taken > 0) {
            if (m_io)
                m_io->write(m_scratch.constData(), taken);
            m_handed += taken;
            emit audioHanded(taken);
        }
    }

    // Tolerate the rounding of the sink's position: a few milliseconds.
    const qint64 played = playedBytes() + bytesFor(5000);
    const quint64 epoch = m_epoch;
    // A word is marked when the sink's position reaches it, so the mark follows what is
    // heard: it holds while paused (no pump then) and keeps pace with any speed.
    while (!m_words.isEmpty() && m_words.front().offset <= played) {
        const Word word = m_words.takeFirst();
        emit wordPlayed(word.job, word.position, word.length);
        if (epoch != m_epoch)
            return;
    }
    while (!m_ends.isEmpty() && m_ends.front().second <= played) {
        const quint64 job = m_ends.takeFirst().first;
        emit jobPlayed(job);
        if (epoch != m_epoch)
            return; // stopped by a listener
    }

    if (taken == 0 && m_ends.isEmpty() && m_queue->buffered() == 0) {
        if (++m_idlePumps * kPumpMs >= kIdleCloseMs && playedBytes() >= m_handed) {
            m_timer.stop();
            closeOutput();
        }
    } else {
        m_idlePumps = 0;
    }
}
