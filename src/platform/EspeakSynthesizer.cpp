#include "platform/EspeakSynthesizer.h"

#include "base/Failure.h"

#include <algorithm>
#include <cstring>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

namespace {

// What the synthesis callback needs; set by the worker around each piece.
struct PieceContext
{
    PieceOutput &out;
    QStringView text; // the piece
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

int synthCallback(short *wav, int samples, espeak_EVENT *events)
{
    PieceContext *piece = currentPiece;
    if (!piece)
        return 0;
    PieceOutput &out = piece->out;
    qsizetype done = 0;
    const qint64 first = out.pushed(); // the piece's sample count at this buffer's start
    for (espeak_EVENT *e = events; out.wantsWords() && e && e->type != espeakEVENT_LIST_TERMINATED;
         ++e) {
        if (e->type != espeakEVENT_WORD || e->text_position < 1)
            continue;
        // The audio before the word goes first, so the mark sits where the word starts.
        const qsizetype at =
            std::clamp<qsizetype>(qsizetype(e->sample - first), done, wav ? qsizetype(samples) : 0);
        if (wav && !out.audio(wav + done, at - done))
            return 1;
        done = at;
        const qsizetype start = unitsOf(piece->text, e->text_position - 1);
        const qsizetype length = unitsOf(piece->text.sliced(start), e->length);
        out.word(out.from() + start, length);
    }
    if (wav && !out.audio(wav + done, samples - done))
        return 1;
    // A cleared queue means the engine stopped: abandon the rest of the piece.
    return out.stale() ? 1 : 0;
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
    return sharedInstance<EspeakSynthesizer>(QStringLiteral("EspeakSynthesizer"));
}

EspeakSynthesizer::~EspeakSynthesizer()
{
    stop();
}

void EspeakSynthesizer::terminate()
{
    espeak_ng_Terminate();
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

void EspeakSynthesizer::synthesisePiece(const Job &job, qsizetype from, qsizetype to)
{
    if (job.voice != m_currentVoice && espeak_SetVoiceByName(job.voice.constData()) == EE_OK)
        m_currentVoice = job.voice;
    espeak_SetParameter(espeakRATE, job.rate, 0);
    espeak_SetParameter(espeakPITCH, job.pitch, 0);

    const QByteArray text = job.text.mid(from, to - from).toUtf8();
    const bool last = to >= job.text.size();
    PieceOutput out(job, from);
    PieceContext piece { out, QStringView(job.text).sliced(from, to - from) };
    currentPiece = &piece;
    synthesise(text, last);
    currentPiece = nullptr;
}
