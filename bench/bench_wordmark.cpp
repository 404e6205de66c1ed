// How late the word mark comes after the word is heard: the real engine speaks into the
// sound server's default sink, and the sink's monitor is recorded (parec, 5 ms latency)
// by this program, which notes when each recorded block arrives. Words that begin with a
// vowel, parted by commas, make each word's first sound easy to find in the recording;
// the delay of a mark is the time of the SpeakingWord signal minus the time that word's
// onset reached the monitor (an estimate on the early side by up to the recording's own
// latency, so the true delay is at most that much more). Target: median under 50 ms.
//
// Run under scripts/with-audio (a null sink when no sound server runs).
#include "base/ProcessServices.h"
#include "platform/EspeakEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr int kFrame = kRate / 200; // 5 ms

std::vector<double> g_delays;

QString defaultMonitor()
{
    QProcess p;
    p.start(QStringLiteral("pactl"), { QStringLiteral("get-default-sink") });
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed() + QStringLiteral(".monitor");
}

void BM_WordMarkDelay(benchmark::State &state)
{
    for (auto _ : state) {
        EspeakEngine engine;
        engine.setSpeed(150);
        QElapsedTimer clock;
        clock.start();

        // The recording: each sample's time is when its block arrived, less the samples
        // that follow it in the block.
        std::vector<int16_t> samples;
        std::vector<double> sampleMs;
        QProcess parec;
        QObject::connect(&parec, &QProcess::readyReadStandardOutput, [&] {
            const double now = double(clock.nsecsElapsed()) / 1e6;
            const QByteArray bytes = parec.readAllStandardOutput();
            const qsizetype n = bytes.size() / 2;
            for (qsizetype i = 0; i < n; ++i) {
                samples.push_back(int16_t(quint8(bytes[2 * i]) | (quint8(bytes[2 * i + 1]) << 8)));
                sampleMs.push_back(now - double(n - 1 - i) * 1000.0 / kRate);
            }
        });
        parec.start(QStringLiteral("parec"),
                    { QStringLiteral("--device=") + defaultMonitor(), QStringLiteral("--raw"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=22050"),
                      QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5") });
        if (!parec.waitForStarted(5000)) {
            state.SkipWithError("parec cannot record the sink's monitor");
            return;
        }
        QEventLoop settle;
        QTimer::singleShot(700, &settle, &QEventLoop::quit);
        settle.exec();

        std::vector<double> marks;
        QObject::connect(&engine, &SpeechEngine::SpeakingWord,
                         [&](int, int) { marks.push_back(double(clock.nsecsElapsed()) / 1e6); });
        QEventLoop done;
        QObject::connect(&engine, &SpeechEngine::SpeakingDone, &done,
                         [&] { QTimer::singleShot(400, &done, &QEventLoop::quit); });
        engine.Speak(QStringLiteral("Apple, orange, olive, umbrella, island, eagle, apple, "
                                    "orange, olive, umbrella, island, eagle, apple, orange, "
                                    "olive, umbrella, island, eagle, apple, orange."));
        done.exec();
        parec.terminate();
        parec.waitForFinished(2000);

        // Onsets: the first 5 ms frame loud enough after at least 60 ms of quiet.
        std::vector<double> onsets;
        int quiet = 0;
        for (size_t f = 0; f + kFrame <= samples.size(); f += kFrame) {
            double energy = 0;
            for (size_t i = f; i < f + kFrame; ++i)
                energy += double(samples[i]) * samples[i];
            const double rms = std::sqrt(energy / kFrame);
            if (rms > 600) {
                if (quiet >= 12) {
                    // The exact sample: the first one past a quarter of the frame's level.
                    size_t at = f;
                    while (at < f + kFrame && std::abs(int(samples[at])) < rms / 4)
                        ++at;
                    onsets.push_back(sampleMs[at]);
                }
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        // Each mark against the onset nearest to it.
        for (double mark : marks) {
            double best = 1e9;
            for (double onset : onsets) {
                if (std::abs(mark - onset) < std::abs(best))
                    best = mark - onset;
            }
            if (std::abs(best) < 250)
                g_delays.push_back(best);
        }
        state.counters["words"] = double(marks.size());
        state.counters["onsets"] = double(onsets.size());
    }
}
BENCHMARK(BM_WordMarkDelay)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProcessServices services;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_delays.empty()) {
        std::printf("no word could be matched to its sound\n");
        return 1;
    }
    std::sort(g_delays.begin(), g_delays.end());
    const double median = g_delays[g_delays.size() / 2];
    std::printf("word mark after the word's sound at the sink: median %.1f ms, min %.1f ms, "
                "max %.1f ms, %zu words (target: median < 50 ms)\n",
                median, g_delays.front(), g_delays.back(), g_delays.size());
    return 0;
}
