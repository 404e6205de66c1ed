// Read to WAV on a 100 KB text: how many seconds of audio the renderer writes per
// second of wall time (the user waits for the file, so this is the figure that
// matters), and the same rendering against the baseline of writing that much audio
// to a wave file without synthesising it.
#include "base/ProcessServices.h"
#include "base/SentenceRule.h"
#include "platform/EspeakEngine.h"
#include "speech/AudioFileWriter.h"
#include "speech/SpeechEngine.h"
#include "speech/clsWavRenderer.h"

#include "GeneratedProse.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr qsizetype kTextSize = 100 * 1024;

// Plain English prose: sentences of ordinary words with the odd question and pause.
QString makeText()
{
    return generatedProse(kTextSize, 4242,
                          { ". ", ". ", ". ", "? ", "! ", ", then ", ".\r\n\r\n", "; " });
}

std::unique_ptr<SpeechEngine> &engine()
{
    static std::unique_ptr<SpeechEngine> e = [] {
        auto made = SpeechEngineFactory::create();
        made->setInitialized(1);
        return made;
    }();
    return e;
}

double g_audioSeconds = 0;
double g_renderSeconds = 0;
double g_writeSeconds = 0;
int g_sampleRate = 22050;

void BM_RenderText100KB(benchmark::State &state)
{
    const QString text = makeText();
    QTemporaryDir dir;
    for (auto _ : state) {
        clsWavRenderer rendering;
        QEventLoop loop;
        QObject::connect(&rendering, &clsWavRenderer::Finished, &loop, &QEventLoop::quit);
        const auto start = std::chrono::steady_clock::now();
        rendering.Start(engine()->CreateRenderer(),
                        clsWavRenderer::PrepareSentences(text, nullptr, SentenceRule()),
                        dir.filePath("book.wav"), dir.filePath("book.srt"));
        loop.exec();
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rendering.outcome() != clsWavRenderer::Outcome::Done) {
            state.SkipWithError(qPrintable(rendering.errorText()));
            return;
        }
        g_audioSeconds = double(rendering.durationMs()) / 1000.0;
        g_renderSeconds = wall;
        state.SetIterationTime(wall);
        state.counters["audio_s"] = g_audioSeconds;
        state.counters["x_realtime"] = g_audioSeconds / wall;
    }
}
BENCHMARK(BM_RenderText100KB)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The baseline: the same length of audio written to a wave file from memory.
void BM_WriteSameAudio(benchmark::State &state)
{
    QTemporaryDir dir;
    const qint64 total = qint64(g_audioSeconds * g_sampleRate);
    std::vector<int16_t> block(32768, 1000);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        AudioFileWriter wav(dir.filePath("plain.wav"), g_sampleRate);
        wav.open();
        for (qint64 written = 0; written < total; written += qint64(block.size()))
            wav.append(block.data(), qsizetype(std::min<qint64>(block.size(), total - written)));
        wav.commit();
        g_writeSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(g_writeSeconds);
    }
}
BENCHMARK(BM_WriteSameAudio)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProcessServices services;
    benchmark::Initialize(&argc, argv);
    EspeakEngine::installAsSpeechEngine();
    try {
        g_sampleRate = engine()->CreateRenderer()->sampleRate();
    } catch (const std::exception &) {
        std::printf("speech engine not available\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_renderSeconds > 0) {
        std::printf("text: %lld characters; audio: %.0f s; rendering: %.1f s wall\n",
                    static_cast<long long>(kTextSize), g_audioSeconds, g_renderSeconds);
        std::printf("rendering speed: %.1fx real time (target >= 20x)\n",
                    g_audioSeconds / g_renderSeconds);
        if (g_writeSeconds > 0)
            std::printf("rendering / writing the same audio: %.0fx\n",
                        g_renderSeconds / g_writeSeconds);
    }
    return 0;
}
