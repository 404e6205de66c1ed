// The two costs a user feels when reading a whole book from the top: cutting the book
// into sentences (against the baseline of copying the text once) and the wait from
// pressing Read to the first sound, in each engine: the first samples reaching the sound
// output (espeak-ng, Flite) or the daemon's begin event (speech-dispatcher, the user's
// own daemon, started when it is not running).
#include "base/ProcessServices.h"
#include "documents/DocumentLoader.h"
#include "platform/SpeechEngines.h"
#include "speech/VoiceChoice.h"
#include "speech/clsStore.h"
#include "speech/clsTalker.h"

#include "GeneratedProse.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr qsizetype kBookSize = 3 * 1024 * 1024;

// A made-up novel: sentences of ordinary words, paragraphs, dialogue, the odd
// question, exclamation, ellipsis and dash.
QString makeBook()
{
    // A real book instead, as the view would show it: ORLIN_BENCH_DOCUMENT=path.
    if (const QString path = qEnvironmentVariable("ORLIN_BENCH_DOCUMENT"); !path.isEmpty())
        return DocumentLoader::Load(path).text;
    return generatedProse(kBookSize, 12345,
                          { ". ", ". ", ". ", "? ", "! ", "... ", ".\r\n\r\n", " -- " });
}

const QString &book()
{
    static const QString b = makeBook();
    return b;
}

void BM_CopyBookOnce(benchmark::State &state)
{
    for (auto _ : state) {
        QString copy(book().constData(), book().size());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_CopyBookOnce)->Unit(benchmark::kMillisecond);

// Cutting alone, to tell the one pass over the book from the handing out.
void BM_StoreBook(benchmark::State &state)
{
    for (auto _ : state) {
        clsStore store;
        store.StoreInSentences(book());
        benchmark::DoNotOptimize(store.Sentences());
    }
}
BENCHMARK(BM_StoreBook)->Unit(benchmark::kMillisecond);

void BM_StoreAndDrainBook(benchmark::State &state)
{
    for (auto _ : state) {
        clsStore store;
        store.StoreInSentences(book());
        // Every sentence is handed out, not only those before the first empty one.
        for (int i = store.Sentences(); i > 0; --i) {
            QString s = store.NextSentence();
            benchmark::DoNotOptimize(s.data());
        }
    }
}
BENCHMARK(BM_StoreAndDrainBook)->Unit(benchmark::kMillisecond);

// Waits for the first sound of the engine's reading, at most `timeoutMs`; false on timeout.
bool waitForSound(SpeechEngine *engine, int timeoutMs)
{
    QEventLoop loop;
    bool arrived = false;
    auto connection = QObject::connect(engine, &SpeechEngine::SpeakingStarted, &loop, [&] {
        arrived = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return arrived;
}

// A talker reading in `voice` ("ENGINE:NAME"); false when that voice is not installed.
bool useVoice(clsTalker &talker, const char *voice, benchmark::State &state)
{
    talker.InitEngine();
    QString why;
    const int number = VoiceChoice::FromCommandLine(VoiceChoice::List(*talker.engine()),
                                                    QString::fromUtf8(voice), &why);
    if (number == 0) {
        state.SkipWithError(qPrintable(QString::fromUtf8(voice) + QStringLiteral(": ") + why));
        return false;
    }
    talker.SelectVoice(number - 1);
    return true;
}

// From ReadText (the book already stored) to the first sound.
void BM_ReadTextToFirstAudio(benchmark::State &state, const char *voice)
{
    clsTalker talker;
    if (!useVoice(talker, voice, state))
        return;
    talker.StoreTextFile(book());
    for (auto _ : state) {
        talker.StopSpeaking();
        talker.StoreTextFile(book());
        QElapsedTimer clock;
        clock.start();
        talker.ReadText();
        if (!waitForSound(talker.engine(), 5000)) {
            state.SkipWithError("no sound within 5 s");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    talker.StopSpeaking();
}
BENCHMARK_CAPTURE(BM_ReadTextToFirstAudio, espeak_ng, "espeak-ng:English (America)")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_ReadTextToFirstAudio, flite_slt, "flite:slt")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_ReadTextToFirstAudio, flite_kal, "flite:kal")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_ReadTextToFirstAudio, speech_dispatcher,
                  "speech-dispatcher:espeak-ng/English (America)")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The same with storing the book counted in: what pressing Read at the top costs.
void BM_StoreAndReadToFirstAudio(benchmark::State &state)
{
    clsTalker talker;
    if (!useVoice(talker, "espeak-ng:English (America)", state))
        return;
    for (auto _ : state) {
        talker.StopSpeaking();
        QElapsedTimer clock;
        clock.start();
        talker.StoreTextFile(book());
        talker.ReadText();
        if (!waitForSound(talker.engine(), 5000)) {
            state.SkipWithError("no sound within 5 s");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    talker.StopSpeaking();
}
BENCHMARK(BM_StoreAndReadToFirstAudio)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Keeps each benchmark's time per iteration so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> msPerIteration;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                msPerIteration[run.run_name.str()] = run.GetAdjustedRealTime()
                    * (1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit));
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProcessServices services;
    benchmark::Initialize(&argc, argv);
    SpeechEngines::install();

    clsStore store;
    store.StoreInSentences(book());
    std::printf("book: %lld characters, %d sentences\n", static_cast<long long>(book().size()),
                store.Sentences());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &t = reporter.msPerIteration;
    // By the run's name up to its options ("/iterations:20", "/manual_time").
    auto time = [&t](const std::string &name) {
        for (const auto &[run, ms] : t) {
            if (run == name || run.rfind(name + "/", 0) == 0)
                return ms;
        }
        return -1.0;
    };
    const double copy = time("BM_CopyBookOnce");
    const double drain = time("BM_StoreAndDrainBook");
    if (copy > 0 && drain > 0)
        std::printf("store + drain / copy once: %.1fx (target <= 10x)\n", drain / copy);
    const double cut = time("BM_StoreBook");
    if (copy > 0 && cut > 0)
        std::printf("store alone / copy once: %.1fx\n", cut / copy);
    const double first = time("BM_ReadTextToFirstAudio/espeak_ng");
    for (const char *engine : { "espeak_ng", "flite_slt", "flite_kal", "speech_dispatcher" }) {
        const double ms = time("BM_ReadTextToFirstAudio/" + std::string(engine));
        if (ms >= 0)
            std::printf("ReadText to first sound, %s: %.1f ms (target < 150 ms), %.2fx "
                        "espeak-ng's\n",
                        engine, ms, first > 0 ? ms / first : 0.0);
    }
    const double storeFirst = time("BM_StoreAndReadToFirstAudio");
    if (storeFirst >= 0)
        std::printf("StoreTextFile + ReadText to first audio: %.1f ms\n", storeFirst);
    return 0;
}
