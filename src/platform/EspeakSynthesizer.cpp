#include "platform/EspeakSynthesizer.h"

#include "base/Failure.h"
#include "platform/AudioQueue.h"

#include <algorithm>
#include <cstring>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

namespace {

constexpr qsizetype kShortText = 300; // synthesised in one go
constexpr qsizetype kPieceTarget = 250;
constexpr qsizetype kPieceMinimum = 100;

// What the synthesis callback needs; set by the worker around each piece.
struct PieceContext
{
    AudioQueue *queue = nullptr;
    quint64 generation = 0;
    bool stale = false;
    // Word marks: the job, the piece's text and where it starts in the job's text.
    quint64 job = 0;
    bool words = false;
    QStringView text;
    qsizetype from = 0;
    qint64 pushed = 0; // samples of this piece pushed so far
};
PieceContext *currentPiece = nullptr;

// The library counts characters (code points) from 1; Orlin counts UTF-16 units from 0.
qsizetype unitsOf(QStringView text, qsizetype codePoints)
{
    qsizetype units = 0;
    for (qsizetype n = 0; n < codePoints && units < text.size(); ++n)
        units += text[units].isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
    return units;
}

bool push(PieceContext &piece, const short *wav, qsizetype samples)
{
    if (samples <= 0)
        return true;
    piece.pushed += samples;
    if (!piece.queue->push(piece.generation, reinterpret_cast<const char *>(wav), samples * 2))
        piece.stale = true;
    return !piece.stale;
}

int synthCallback(short *wav, int samples, espeak_EVENT *events)
{
    PieceContext *piece = currentPiece;
    if (!piece)
        return 0;
    qsizetype done = 0;
    const qint64 first = piece->pushed; // the piece's sample count at this buffer's start
    for (espeak_EVENT *e = events; piece->words && e && e->type != espeakEVENT_LIST_TERMINATED;
         ++e) {
        if (e->type != espeakEVENT_WORD || e->text_position < 1)
            continue;
        // The audio before the word goes first, so the mark sits where the word starts.
        const qsizetype at =
            std::clamp<qsizetype>(qsizetype(e->sample - first), done, wav ? qsizetype(samples) : 0);
        if (wav && !push(*piece, wav + done, at - done))
            return 1;
        done = at;
        const qsizetype start = unitsOf(piece->text, e->text_position - 1);
        const qsizetype length = unitsOf(piece->text.sliced(start), e->length);
        piece->queue->word(piece->generation, piece->job, int(piece->from + start), int(length));
    }
    if (wav && !push(*piece, wav + done, samples - done))
        return 1;
    // A cleared queue means the engine stopped: abandon the rest of the piece.
    return piece->stale ? 1 : 0;
}

// "en_GB.UTF-8" -> "en-gb"; the C locale counts as English.
QString languageOfLocale(const QString &localeName)
{
    QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    name = name.toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
    if (name.isEmpty() || name == QLatin1String("c") || name == QLatin1String("posix"))
        name = QStringLiteral("en");
    return name;
}

} // namespace

QString EspeakSynthesizer::systemLocaleName()
{
    for (const char *variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

qsizetype EspeakSynthesizer::preferredVoice(const QList<Voice> &voices, const QString &localeName)
{
    const QString wanted = languageOfLocale(localeName);
    const QString wantedBase = wanted.section(QLatin1Char('-'), 0, 0);
    // Best: the exact language, then the bare language ("de" for "de-at"), then any
    // variant of it; within a kind, the voice's own priority for that language.
    std::pair<int, int> best { 3, 0 };
    qsizetype bestIndex = 0;
    for (qsizetype i = 0; i < voices.size(); ++i) {
        for (const auto &[priority, language] : voices[i].languages) {
            int kind = 3;
            if (language == wanted)
                kind = 0;
            else if (language == wantedBase)
                kind = 1;
            else if (language.section(QLatin1Char('-'), 0, 0) == wantedBase)
                kind = 2;
            if (kind < 3 && std::pair { kind, priority } < best) {
                best = { kind, priority };
                bestIndex = i;
            }
        }
    }
    return bestIndex;
}

std::shared_ptr<EspeakSynthesizer> EspeakSynthesizer::instance()
{
    static std::mutex guard;
    static std::shared_ptr<EspeakSynthesizer> synthesizer;
    static QString failure;
    std::lock_guard lock(guard);
    if (!synthesizer && failure.isEmpty()) {
        std::shared_ptr<EspeakSynthesizer> made(new EspeakSynthesizer);
        std::promise<QString> ready;
        std::future<QString> result = ready.get_future();
        made->m_thread = std::thread(
            [self = made.get(), promise = std::move(ready)]() mutable { self->run(promise); });
        failure = result.get();
        if (failure.isEmpty())
            synthesizer = std::move(made);
        // On failure the worker has already ended; the destructor joins it.
    }
    if (!synthesizer)
        throw Failure(FailureCode::CannotCreateComponent, failure,
                      QStringLiteral("EspeakSynthesizer"));
    return synthesizer;
}

EspeakSynthesizer::~EspeakSynthesizer()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool EspeakSynthesizer::initialiseLibrary(QString *error)
{
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    if (status == ENS_OK)
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 100, nullptr);
    if (status != ENS_OK) {
        char message[512] = {};
        espeak_ng_GetStatusCodeMessage(status, message, sizeof message);
        espeak_ng_ClearErrorContext(&context);
        *error =
            QStringLiteral("Speech engine cannot be created: ") + QString::fromLocal8Bit(message);
        return false;
    }
    return true;
}

void EspeakSynthesizer::synthesise(const QByteArray &utf8, bool last)
{
    espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                 espeakCHARS_UTF8 | (last ? espeakENDPAUSE : 0), nullptr, nullptr);
}

bool EspeakSynthesizer::initialise(QString *error)
{
    if (!initialiseLibrary(error))
        return false;
    espeak_SetSynthCallback(synthCallback);
    m_sampleRate = espeak_ng_GetSampleRate();

    QList<Voice> voices;
    if (const espeak_VOICE **list = espeak_ListVoices(nullptr)) {
        for (; *list; ++list) {
            const espeak_VOICE *v = *list;
            Voice voice { QByteArray(v->identifier), QString::fromUtf8(v->name), {}, {} };
            // languages: a priority byte and a NUL-terminated name, repeated, then a 0 byte.
            for (const char *l = v->languages; l && *l; l += std::strlen(l + 1) + 2)
                voice.languages.append({ int(quint8(*l)), QString::fromUtf8(l + 1) });
            if (!voice.languages.isEmpty())
                voice.language = voice.languages.front().second;
            voices.append(voice);
        }
    }
    // The voice that speaks the user's language comes first, so a new user's default
    // voice (the first) is the right one; the rest keep the library's order.
    const qsizetype best = preferredVoice(voices, systemLocaleName());
    if (best > 0)
        voices.move(best, 0);
    m_voices = voices;
    return true;
}

void EspeakSynthesizer::run(std::promise<QString> &ready)
{
    QString error;
    if (!initialise(&error)) {
        ready.set_value(error.isEmpty() ? QStringLiteral("Speech engine cannot be created")
                                        : error);
        return;
    }
    ready.set_value(QString());

    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        std::shared_ptr<Job> job = takeWork();
        if (!job) {
            // Jobs whose queues are full are looked at again shortly; the UI thread
            // drains queues without telling us.
            if (m_jobs.empty())
                m_wake.wait(lock);
            else
                m_wake.wait_for(lock, std::chrono::milliseconds(10));
            continue;
        }
        Pending &pending = *std::find_if(m_jobs.begin(), m_jobs.end(),
                                         [&](const Pending &p) { return p.job == job; });
        const qsizetype from = pending.position;
        const qsizetype to = pieceEnd(job->text, from);
        pending.position = to;
        lock.unlock();
        if (to > from)
            synthesisePiece(*job, from, to);
        lock.lock();
        if (to >= job->text.size()) {
            job->queue->endOfJob(job->generation, job->id);
            std::erase_if(m_jobs, [&](const Pending &p) { return p.job == job; });
        }
    }
    lock.unlock();
    espeak_ng_Terminate();
}

std::shared_ptr<EspeakSynthesizer::Job> EspeakSynthesizer::takeWork()
{
    std::erase_if(m_jobs,
                  [](const Pending &p) { return p.job->queue->generation() != p.job->generation; });
    const qsizetype lowWater = lowWaterBytes();
    std::shared_ptr<Job> fallback;
    QList<const AudioQueue *> seen;
    for (const Pending &p : m_jobs) {
        const AudioQueue *queue = p.job->queue.get();
        // Each engine's jobs run in the order they were given.
        if (seen.contains(queue))
            continue;
        seen.append(queue);
        if (queue->buffered() >= lowWater)
            continue;
        // Take turns between engines: prefer one that was not served last.
        if (queue != m_lastServed) {
            m_lastServed = queue;
            return p.job;
        }
        if (!fallback)
            fallback = p.job;
    }
    return fallback;
}

void EspeakSynthesizer::synthesisePiece(Job &job, qsizetype from, qsizetype to)
{
    if (job.voice != m_currentVoice && espeak_SetVoiceByName(job.voice.constData()) == EE_OK)
        m_currentVoice = job.voice;
    espeak_SetParameter(espeakRATE, job.rate, 0);
    espeak_SetParameter(espeakPITCH, job.pitch, 0);

    const QByteArray text = job.text.mid(from, to - from).toUtf8();
    const bool last = to >= job.text.size();
    PieceContext piece { job.queue.get(),
                         job.generation,
                         false,
                         job.id,
                         job.words,
                         QStringView(job.text).sliced(from, to - from),
                         from,
                         0 };
    currentPiece = &piece;
    synthesise(text, last);
    currentPiece = nullptr;
}

void EspeakSynthesizer::submit(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({ std::make_shared<Job>(std::move(job)), 0 });
    }
    m_wake.notify_all();
}

void EspeakSynthesizer::cancel(const AudioQueue *queue)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_jobs, [&](const Pending &p) { return p.job->queue.get() == queue; });
}

qsizetype EspeakSynthesizer::pieceEnd(const QString &text, qsizetype from)
{
    if (text.size() - from <= kShortText)
        return text.size();
    const qsizetype first = from + kPieceMinimum;
    const qsizetype last = from + kPieceTarget;
    for (qsizetype i = last; i >= first; --i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char(':'))
            return i + 1;
    }
    for (qsizetype i = last; i >= first; --i) {
        if (text.at(i).isSpace())
            return i + 1;
    }
    qsizetype end = last;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return end;
}
