// The two costs a user feels when reading a whole book from the top: cutting the book
// into sentences (against the baseline of copying the text once) and the wait from
// pressing Read to the first audio reaching the sound output.
#include "base/ProcessServices.h"
#include "documents/DocumentLoader.h"
#include "platform/EspeakEngine.h"
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

// Waits for the engine's first audio, at most `timeoutMs`; false on timeout.
bool waitForAudio(EspeakEngine *engine, int timeoutMs)
{
    QEventLoop loop;
    bool arrived = false;
    auto connection = QObject::connect(engine, &EspeakEngine::AudioHanded, &loop, [&] {
        arrived = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return arrived;
}

// From ReadText (the book already stored) to the first samples handed to the sink.
void BM_ReadTextToFirstAudio(benchmark::State &state)
{
    clsTalker talker;
    talker.InitEngine();
    auto *engine = qobject_cast<EspeakEngine *>(talker.engine());
    talker.StoreTextFile(book());
    for (auto _ : state) {
        talker.StopSpeaking();
        talker.StoreTextFile(book());
        QElapsedTimer clock;
        clock.start();
        talker.ReadText();
        if (!waitForAudio(engine, 5000)) {
            state.SkipWithError("no audio within 5 s");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    talker.StopSpeaking();
}
BENCHMARK(BM_ReadTextToFirstAudio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The same with storing the book counted in: what pressing Read at the top costs.
void BM_StoreAndReadToFirstAudio(benchmark::State &state)
{
    clsTalker talker;
    talker.InitEngine();
    auto *engine = qobject_cast<EspeakEngine *>(talker.engine());
    for (auto _ : state) {
        talker.StopSpeaking();
        QElapsedTimer clock;
        clock.start();
        talker.StoreTextFile(book());
        talker.ReadText();
        if (!waitForAudio(engine, 5000)) {
            state.SkipWithError("no audio within 5 s");
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
                msPerIteration[run.run_name.function_name] = run.GetAdjustedRealTime()
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
    EspeakEngine::installAsSpeechEngine();

    clsStore store;
    store.StoreInSentences(book());
    std::printf("book: %lld characters, %d sentences\n", static_cast<long long>(book().size()),
                store.Sentences());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &t = reporter.msPerIteration;
    auto time = [&t](const char *name) {
        const auto it = t.find(name);
        return it == t.end() ? -1.0 : it->second;
    };
    const double copy = time("BM_CopyBookOnce");
    const double drain = time("BM_StoreAndDrainBook");
    if (copy > 0 && drain > 0)
        std::printf("store + drain / copy once: %.1fx (target <= 10x)\n", drain / copy);
    const double cut = time("BM_StoreBook");
    if (copy > 0 && cut > 0)
        std::printf("store alone / copy once: %.1fx\n", cut / copy);
    const double first = time("BM_ReadTextToFirstAudio");
    if (first >= 0)
        std::printf("ReadText to first audio: %.1f ms (target < 100 ms)\n", first);
    const double storeFirst = time("BM_StoreAndReadToFirstAudio");
    if (storeFirst >= 0)
        std::printf("StoreTextFile + ReadText to first audio: %.1f ms\n", storeFirst);
    return 0;
}
