#include "platform/FliteSynthesizer.h"

#include "speech/SpeechEngine.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <flite/cst_error.h>
#include <flite/flite.h>

cst_voice *register_cmu_us_kal(const char *voxdir);
cst_voice *register_cmu_us_kal16(const char *voxdir);
cst_voice *register_cmu_us_awb(const char *voxdir);
cst_voice *register_cmu_us_rms(const char *voxdir);
cst_voice *register_cmu_us_slt(const char *voxdir);
void usenglish_init(cst_voice *v);
cst_lexicon *cmulex_init(void);
}

namespace {

struct VoiceEntry
{
    const char *name;
    cst_voice *(*registerVoice)(const char *);
    // Flite's durations stretched by this make the voice as fast as espeak-ng at its
    // default speed (measured on the same prose); other speeds scale from there.
    double stretchAtDefault;
};

const VoiceEntry kVoices[] = {
    { "kal", register_cmu_us_kal, 1.034 }, { "kal16", register_cmu_us_kal16, 1.054 },
    { "awb", register_cmu_us_awb, 1.003 }, { "rms", register_cmu_us_rms, 0.907 },
    { "slt", register_cmu_us_slt, 1.049 },
};
constexpr int kVoiceCount = int(std::size(kVoices));

// Registered on first use, on the thread that runs the library.
cst_voice *registered[kVoiceCount] = {};

int voiceIndex(const QByteArray &name)
{
    for (int i = 0; i < kVoiceCount; ++i) {
        if (name == kVoices[i].name)
            return i;
    }
    return -1;
}

cst_voice *voiceFor(const QByteArray &name)
{
    const int index = voiceIndex(name);
    if (index < 0)
        return nullptr;
    if (!registered[index])
        registered[index] = kVoices[index].registerVoice(nullptr);
    return registered[index];
}

struct Mark
{
    qint64 sample;
    qsizetype position;
    qsizetype length;
};

// Where each token of the text begins to sound. Flite names its tokens by their bytes
// in the text, in order, so they are found by a forward search; a token it made up
// (none in practice) is skipped. A token read as several words ("42") is marked once.
QList<Mark> marksOf(const cst_utterance *utt, const QByteArray &utf8, qsizetype offset)
{
    QList<Mark> marks;
    qsizetype byte = 0; // where the search goes on
    qsizetype countedByte = 0; // bytes converted to units so far
    qsizetype units = 0;
    auto unitsAt = [&](qsizetype target) {
        for (; countedByte < target; ++countedByte) {
            const auto c = quint8(utf8.at(countedByte));
            if ((c & 0xC0) != 0x80)
                units += c >= 0xF0 ? 2 : 1; // four bytes: a surrogate pair
        }
        return units;
    };
    qint64 last = 0;
    for (cst_item *token = relation_head(utt_relation(utt, "Token")); token;
         token = item_next(token)) {
        const char *name = item_feat_string(token, "name");
        const qsizetype length = qsizetype(std::strlen(name));
        const qsizetype at = length > 0 ? utf8.indexOf(name, byte) : -1;
        if (at < 0)
            continue;
        byte = at + length;
        const cst_item *word = item_as(item_daughter(token), "Word");
        if (!word)
            continue;
        const qsizetype start = unitsAt(at);
        const qsizetype end = unitsAt(at + length);
        const float seconds =
            ffeature_float(word, "R:SylStructure.daughter1.daughter1.R:Segment.p.end");
        last = std::max(last, qint64(std::lround(double(seconds) * FliteSynthesizer::kSampleRate)));
        marks.append({ last, offset + start, end - start });
    }
    return marks;
}

// One text on its way out: the audio as Flite makes it, each word marked where it begins.
struct Speaking
{
    Speaking(SampleOutput &output, const QByteArray &text, qsizetype from)
        : out(output)
        , utf8(text)
        , offset(from)
    {
    }

    SampleOutput &out;
    const QByteArray &utf8;
    qsizetype offset;
    QList<Mark> marks;
    bool marked = false;
    qsizetype nextMark = 0;
    qint64 pushed = 0;
    bool stopped = false;

    void markWords(const cst_utterance *utt)
    {
        if (marked || !out.wantsWords())
            return;
        marks = marksOf(utt, utf8, offset);
        marked = true;
    }

    bool push(const short *samples, qsizetype count)
    {
        qsizetype done = 0;
        while (nextMark < marks.size() && marks[nextMark].sample < pushed + count) {
            const qsizetype at = std::max<qsizetype>(done, marks[nextMark].sample - pushed);
            if (!out.audio(samples + done, at - done))
                return stop();
            done = at;
            out.word(marks[nextMark].position, marks[nextMark].length);
            ++nextMark;
        }
        if (!out.audio(samples + done, count - done))
            return stop();
        pushed += count;
        return true;
    }

    bool stop()
    {
        stopped = true;
        return false;
    }
};

// The 8 kHz voice at twice its rate: the even samples are its own, each odd one lies
// halfway between, interpolated by a short windowed sinc (the library's own resampler
// copies overlapping memory).
std::vector<short> doubledRate(const short *in, qsizetype count)
{
    constexpr int kTaps = 8; // on each side
    static const std::array<double, kTaps> taps = [] {
        std::array<double, kTaps> h {};
        double sum = 0;
        for (int k = 0; k < kTaps; ++k) {
            const double x = k + 0.5;
            const double window = 0.5 + 0.5 * std::cos(M_PI * x / (kTaps + 0.5));
            h[size_t(k)] = std::sin(M_PI * x) / (M_PI * x) * window;
            sum += 2 * h[size_t(k)];
        }
        for (double &t : h)
            t /= sum;
        return h;
    }();
    auto at = [&](qsizetype i) { return i >= 0 && i < count ? double(in[i]) : 0.0; };
    std::vector<short> out(size_t(count) * 2);
    for (qsizetype i = 0; i < count; ++i) {
        double mid = 0;
        for (int k = 0; k < kTaps; ++k)
            mid += taps[size_t(k)] * (at(i - k) + at(i + 1 + k));
        out[size_t(2 * i)] = in[i];
        out[size_t(2 * i + 1)] = short(std::clamp(std::lround(mid), -32768L, 32767L));
    }
    return out;
}

int streamed(const cst_wave *wave, int start, int size, int, cst_audio_streaming_info *asi)
{
    auto *speaking = static_cast<Speaking *>(asi->userdata);
    speaking->markWords(asi->utt);
    if (size > 0 && !speaking->push(wave->samples + start, size))
        return CST_AUDIO_STREAM_STOP;
    return CST_AUDIO_STREAM_CONT;
}

// Flite reports an internal failure by a long jump to cst_errjmp (or by ending the
// process when none is set); nothing with a destructor lives in this frame.
cst_utterance *synthText(const char *text, cst_voice *voice)
{
    jmp_buf failed;
    cst_errjmp = &failed;
    cst_utterance *volatile utt = nullptr;
    if (setjmp(failed) == 0)
        utt = flite_synth_text(text, voice);
    cst_errjmp = nullptr;
    return utt;
}

} // namespace

std::shared_ptr<FliteSynthesizer> FliteSynthesizer::instance()
{
    return sharedInstance<FliteSynthesizer>(QStringLiteral("FliteSynthesizer"));
}

FliteSynthesizer::~FliteSynthesizer()
{
    stop();
}

QList<FliteSynthesizer::Voice> FliteSynthesizer::voices()
{
    QList<Voice> voices;
    for (const VoiceEntry &entry : kVoices)
        voices.append(
            { QByteArray(entry.name), QString::fromLatin1(entry.name), QStringLiteral("en-us") });
    return voices;
}

bool FliteSynthesizer::initialiseLibrary(QString *error)
{
    static bool started = false;
    if (started)
        return true;
    if (flite_init() != 0) {
        *error = QStringLiteral("Flite cannot be started");
        return false;
    }
    flite_add_lang("eng", usenglish_init, cmulex_init);
    flite_add_lang("usenglish", usenglish_init, cmulex_init);
    started = true;
    return true;
}

bool FliteSynthesizer::initialise(QString *error)
{
    m_sampleRate = kSampleRate;
    return initialiseLibrary(error);
}

double FliteSynthesizer::durationStretch(const QByteArray &voice, int wordsPerMinute)
{
    const int index = voiceIndex(voice);
    const double base = index < 0 ? 1.0 : kVoices[index].stretchAtDefault;
    const double stretch = base * SpeechEngine::kDefaultSpeed / std::max(1, wordsPerMinute);
    return std::clamp(stretch, 0.2, 4.0);
}

double FliteSynthesizer::pitchFactor(int pitch)
{
    // About two thirds of a semitone a step, as espeak-ng's steps sound.
    return std::pow(2.0, std::clamp(pitch, -10, 10) / 15.0);
}

bool FliteSynthesizer::synthesise(const QByteArray &voiceName, int rate, int pitch,
                                  QStringView text, qsizetype offset, SampleOutput &out)
{
    cst_voice *voice = voiceFor(voiceName);
    if (!voice)
        return false;
    feat_set_float(voice->features, "duration_stretch", float(durationStretch(voiceName, rate)));
    feat_set_float(voice->features, "f0_shift", float(pitchFactor(pitch)));

    const QByteArray utf8 = text.toUtf8();
    Speaking speaking { out, utf8, offset };
    // Voices at the output's rate are streamed as they are made, so the first sound
    // comes long before the sentence is done; the 8 kHz voice is fast enough to be made
    // whole and resampled.
    const bool stream = get_param_int(voice->features, "sample_rate", kSampleRate) == kSampleRate;
    cst_audio_streaming_info *asi = nullptr;
    if (stream) {
        asi = new_audio_streaming_info();
        asi->asc = streamed;
        asi->userdata = &speaking;
        feat_set(voice->features, "streaming_info", audio_streaming_info_val(asi));
    } else {
        feat_remove(voice->features, "streaming_info");
    }

    cst_utterance *utt = synthText(utf8.constData(), voice);
    if (stream)
        feat_remove(voice->features, "streaming_info"); // frees asi
    if (!utt)
        return false;
    bool spoken = true;
    if (!stream && !speaking.stopped) {
        const cst_wave *wave = utt_wave(utt);
        if (wave && wave->num_samples > 0) {
            speaking.markWords(utt);
            if (wave->sample_rate * 2 == kSampleRate) {
                const std::vector<short> doubled = doubledRate(wave->samples, wave->num_samples);
                speaking.push(doubled.data(), qsizetype(doubled.size()));
            } else {
                spoken = false; // no voice of Flite's own runs at another rate
            }
        }
    }
    delete_utterance(utt);
    return spoken;
}

void FliteSynthesizer::synthesisePiece(const Job &job, qsizetype from, qsizetype to)
{
    PieceOutput out(job, from);
    synthesise(job.voice, job.rate, job.pitch, QStringView(job.text).sliced(from, to - from), from,
               out);
}
