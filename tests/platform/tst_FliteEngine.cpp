// Flite for real: read aloud into whatever sound server runs (a null sink in CI), written
// into audio files in this process and in worker processes, with its word times.
#include "platform/FliteEngine.h"

#include "base/Seam.h"
#include "base/SentenceRule.h"
#include "platform/AudioQueue.h"
#include "platform/EspeakEngine.h"
#include "platform/FliteSynthesizer.h"
#include "platform/RenderWorker.h"
#include "speech/VoiceChoice.h"
#include "speech/clsWavRenderer.h"
#include "support/PitchEstimate.h"
#include "support/WavFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kTimeoutMs = 20000;
const QString kSentence =
    QStringLiteral("Hello there, Mr. Smith; this is 42 tests of the voice's timing.");
const QStringList kTokens = { "Hello", "there", "Mr", "Smith", "this",    "is",
                              "42",    "tests", "of", "the",   "voice's", "timing" };
// A paragraph for speeds: long enough that a pause more or less does not count.
const QString kProse = QStringLiteral(
    "It was the best of times, it was the worst of times, it was the age of wisdom, it was "
    "the age of foolishness.");

struct Drained
{
    std::vector<int16_t> samples;
    QList<AudioQueue::Word> words; // offsets in bytes from the start of the audio
};

// What the synthesizer makes of one text for a reading: its audio and where each word
// begins in it.
Drained synthesise(const QString &text, const QByteArray &voice)
{
    auto queue = std::make_shared<AudioQueue>();
    SynthesisWorker::Job job;
    job.id = 1;
    job.generation = queue->generation();
    job.text = text;
    job.voice = voice;
    job.queue = queue;
    job.words = true;
    FliteSynthesizer::instance()->submit(job);
    Drained out;
    QByteArray buffer(65536, Qt::Uninitialized);
    QList<AudioQueue::JobEnd> ends;
    const QDeadlineTimer deadline(kTimeoutMs);
    while (ends.isEmpty() && !deadline.hasExpired()) {
        QList<AudioQueue::Word> words;
        const qsizetype before = qsizetype(out.samples.size()) * 2;
        const qsizetype taken = queue->read(buffer.data(), buffer.size(), &ends, &words);
        for (AudioQueue::Word w : words) {
            w.offset += before;
            out.words << w;
        }
        const auto *s = reinterpret_cast<const int16_t *>(buffer.constData());
        out.samples.insert(out.samples.end(), s, s + taken / 2);
        if (taken == 0 && ends.isEmpty())
            QThread::msleep(1);
    }
    return out;
}

int peak(const std::vector<int16_t> &samples)
{
    int loudest = 0;
    for (int16_t s : samples)
        loudest = std::max(loudest, std::abs(int(s)));
    return loudest;
}

// Every sample of `texts` as the engine's renderer writes them into a file.
std::vector<int16_t> rendered(const SpeechEngine &engine, const QStringList &texts,
                              int *sampleRate = nullptr)
{
    struct Collect : SpeechRenderer::Sink
    {
        std::vector<int16_t> samples;
        bool audio(const int16_t *s, qsizetype count) override
        {
            samples.insert(samples.end(), s, s + count);
            return true;
        }
        bool textDone(qsizetype) override { return true; }
    } sink;
    std::unique_ptr<SpeechRenderer> renderer = engine.CreateRenderer();
    if (sampleRate)
        *sampleRate = renderer->sampleRate();
    renderer->render(texts, sink);
    return sink.samples;
}

class FliteVoices : public ::testing::TestWithParam<const char *>
{
};

// The word mark follows Flite's own word times: every word of the text, in order, each
// beginning later than the one before and inside the audio, on a sane amount of sound.
TEST_P(FliteVoices, WordTimesAreMonotonicAndInsideTheAudio)
{
    const Drained d = synthesise(kSentence, GetParam());
    const double seconds = double(d.samples.size()) / FliteSynthesizer::kSampleRate;
    EXPECT_GT(seconds, 2.0);
    EXPECT_LT(seconds, 8.0);
    EXPECT_GT(peak(d.samples), 2000) << "silence";

    QStringList words;
    qsizetype lastOffset = -1;
    int lastPosition = -1;
    for (const AudioQueue::Word &w : d.words) {
        words << kSentence.mid(w.position, w.length);
        EXPECT_GT(w.offset, lastOffset) << qPrintable(words.back());
        EXPECT_GT(w.position, lastPosition);
        EXPECT_LT(w.offset, qsizetype(d.samples.size()) * 2) << "a word after the audio";
        lastOffset = w.offset;
        lastPosition = w.position;
    }
    EXPECT_EQ(words, kTokens);
    // The first word comes after the lead-in silence, not at the very start.
    ASSERT_FALSE(d.words.isEmpty());
    EXPECT_GT(d.words.front().offset, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryVoice, FliteVoices,
                         ::testing::Values("kal", "kal16", "awb", "rms", "slt"));

// A speed or a pitch means the same whatever the engine: Flite's voices take as long as
// espeak-ng's to say the same prose at the same words per minute, twice the speed halves
// that, and ten steps of pitch raise or lower their tone as they do espeak-ng's.
TEST(FliteScale, SpeedAndPitchSoundAsTheyDoInEspeak)
{
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    engines.push_back(std::make_unique<EspeakEngine>());
    engines.push_back(std::make_unique<FliteEngine>());
    const int english =
        VoiceChoice::Find(VoiceChoice::List(*engines[0]),
                          { QStringLiteral("espeak-ng"), QStringLiteral("English (America)") });
    ASSERT_GT(english, 0);
    engines[0]->Select(english);

    auto secondsAt = [](SpeechEngine &engine, int speed, int pitch, double *tone) {
        engine.setSpeed(speed);
        engine.setPitch(pitch);
        int rate = 0;
        const std::vector<int16_t> samples = rendered(engine, { kProse }, &rate);
        if (tone)
            *tone = medianPitch(samples, rate);
        return double(samples.size()) / rate;
    };
    const double espeakSeconds = secondsAt(*engines[0], 175, 0, nullptr);

    struct Voice
    {
        SpeechEngine *engine;
        int voice;
        bool pitchable;
    };
    QList<Voice> voices { { engines[0].get(), english, true } };
    for (int v = 1; v <= engines[1]->CountEngines(); ++v)
        voices.append({ engines[1].get(), v, engines[1]->ModeName(v) != QStringLiteral("rms") });
    for (const Voice &v : voices) {
        v.engine->Select(v.voice);
        const QString name = v.engine->ModeName(v.voice);
        double tone = 0;
        double lower = 0;
        double higher = 0;
        const double normal = secondsAt(*v.engine, 175, 0, &tone);
        EXPECT_NEAR(normal / espeakSeconds, 1.0, 0.2) << qPrintable(name);
        EXPECT_NEAR(secondsAt(*v.engine, 350, 0, nullptr) / normal, 0.5, 0.1) << qPrintable(name);
        if (!v.pitchable)
            continue; // rms keeps its own tone whatever Flite is told
        secondsAt(*v.engine, 175, -10, &lower);
        secondsAt(*v.engine, 175, 10, &higher);
        EXPECT_LT(lower / tone, 0.85) << qPrintable(name);
        EXPECT_GT(higher / tone, 1.3) << qPrintable(name);
        v.engine->setPitch(0);
    }
}

TEST(FliteReading, SpeaksIntoTheOutputWithWordsMarkedAndDoneOnce)
{
    FliteEngine engine;
    engine.setSpeed(SpeechEngine::kMaxSpeed);
    QSignalSpy started(&engine, &SpeechEngine::SpeakingStarted);
    QSignalSpy done(&engine, &SpeechEngine::SpeakingDone);
    QStringList words;
    const QMetaObject::Connection marking = QObject::connect(
        &engine, &SpeechEngine::SpeakingWord, &engine, [&](int position, int length) {
            // None may come before the sound has begun.
            EXPECT_EQ(started.count(), 1);
            words << kSentence.mid(position, length);
        });
    QElapsedTimer clock;
    clock.start();
    engine.Speak(kSentence);
    ASSERT_TRUE(done.wait(kTimeoutMs));
    const qint64 audioMs = engine.audioHandedBytes() * 1000 / (engine.sampleRate() * 2);
    EXPECT_GT(audioMs, 1000);
    EXPECT_GE(clock.elapsed(), audioMs - 60) << "done before its audio could be heard";
    EXPECT_EQ(words, kTokens);
    EXPECT_EQ(started.count(), 1);
    EXPECT_FALSE(done.wait(300));
    QObject::disconnect(marking);

    // Paused for longer than the sentence lasts it does not end; a stop then ends it
    // without a done event, and the engine speaks again after.
    QSignalSpy handed(&engine, &WorkerEngine::AudioHanded);
    engine.Speak(kSentence);
    ASSERT_TRUE(handed.wait(kTimeoutMs));
    engine.AudioPause();
    EXPECT_FALSE(done.wait(3500));
    engine.StopSpeaking();
    EXPECT_EQ(engine.Speaking(), 0);
    engine.Speak(QStringLiteral("Again."));
    ASSERT_TRUE(done.wait(kTimeoutMs));
    EXPECT_EQ(done.count(), 2);
}

// Written into every format, in this process and in worker processes: the same samples
// however many workers run (each part starts from the library's fresh state, so only
// the noise of the voiceless sounds may differ from a rendering in this process), and
// files of a sane length.
TEST(FliteFiles, EveryFormatAndAnyNumberOfWorkersGiveTheSameSound)
{
    QTemporaryDir dir;
    FliteEngine engine;
    engine.Select(VoiceChoice::Find(VoiceChoice::List(engine), { "flite", "slt" }));
    QString text;
    for (int i = 0; i < 4; ++i)
        text += kSentence + QLatin1Char(' ');

    auto renderTo = [&](const QString &name, int jobs) {
        clsWavRenderer r;
        QSignalSpy finished(&r, &clsWavRenderer::Finished);
        r.Start(engine.CreateRenderer(jobs),
                clsWavRenderer::PrepareSentences(text, nullptr, SentenceRule()), dir.filePath(name),
                {});
        EXPECT_TRUE(finished.wait(120000)) << qPrintable(name);
        EXPECT_EQ(r.outcome(), clsWavRenderer::Outcome::Done) << qPrintable(r.errorText());
        return WavFile::read(dir.filePath(name));
    };
    const WavFile here = renderTo(QStringLiteral("here.wav"), 1);
    ASSERT_TRUE(here.valid) << qPrintable(here.problem);
    EXPECT_EQ(here.sampleRate, FliteSynthesizer::kSampleRate);
    EXPECT_NEAR(here.seconds(), 4 * 4.4, 4 * 2.0);

    const QString bin = qEnvironmentVariable("ORLIN_BIN_DIR");
    Seam::Override<RenderWorker::ProgramSeam> workers(
        { QDir(bin).filePath(QStringLiteral("OrlinSpeak")),
          QString::fromLatin1(RenderWorker::kArgument) });
    const WavFile one = renderTo(QStringLiteral("jobs1.wav"), 1);
    const WavFile two = renderTo(QStringLiteral("jobs2.wav"), 2);
    EXPECT_TRUE(one.samples == two.samples) << "one job and two jobs differ";
    EXPECT_EQ(one.samples.size(), here.samples.size());
    for (const char *format : { "flac", "ogg", "opus", "mp3" }) {
        const WavFile file = renderTo(QStringLiteral("book.") + QLatin1String(format), 2);
        ASSERT_TRUE(file.valid) << format << ": " << qPrintable(file.problem);
        EXPECT_NEAR(file.seconds(), here.seconds(), 0.2) << format;
        EXPECT_GT(file.peak(), 2000) << format;
    }
}

} // namespace
