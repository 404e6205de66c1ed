// What a user waits for when Orlin is started on a document: from starting the process to
// the first sound the sound server plays, and the memory the start-up needs (the process's
// peak resident size), for the bundled sample and for a whole book (War and Peace) named on
// the command line. The sound is heard where a listener would hear it: on the monitor of the
// default sink (run under scripts/with-audio, which gives a null sink, and a display or
// xvfb-run). The sample's start is the baseline the book's is compared with, in the same run:
// what the book adds is what a long document costs.
//
// Runs the Release build's bin/Orlin beside this program (ORLIN_BENCH_PROGRAM names another
// build's, to compare two versions in the same conditions), each time in a fresh portable
// program folder (no settings, no bookmarks), and stops it once the start-up has settled:
//   xvfb-run -a scripts/with-audio build-release/bench/bench_startup
#include "GeneratedProse.h"
#include "WarAndPeaceBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace {

constexpr int kRate = 22050;
// A sample above this (of 32767) is sound, not the null sink's silence or dither.
constexpr int kThreshold = 300;
constexpr int kTimeoutMs = 15000;
// How long after its first sound the process is left to finish its start-up (laying out the
// rest of the book) before its peak size is read.
constexpr int kSettleMs = 3000;

QString binFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin"));
}

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// War and Peace from the shared corpus (ORLIN_BENCH_BOOK names another book); without it a
// made-up novel of the same size.
QString book()
{
    static const QString path = [] {
        QString wanted = qEnvironmentVariable("ORLIN_BENCH_BOOK");
        if (wanted.isEmpty())
            wanted = WarAndPeaceBook::warAndPeacePath();
        if (QFileInfo(wanted).isFile())
            return wanted;
        const QString made = scratch().filePath(QStringLiteral("book.txt"));
        QFile f(made);
        if (f.open(QIODevice::WriteOnly))
            f.write(generatedProse(3'300'000, 2600,
                                   { ". ", ". ", ". ", "? ", "! ", ". ", ".\n\n", ". " })
                        .toUtf8());
        std::fprintf(stderr, "no %s: a made-up book of the same size instead\n",
                     qPrintable(wanted));
        return made;
    }();
    return path;
}

QString sample()
{
    return QDir(binFolder()).filePath(QStringLiteral("sample.txt"));
}

// Listens to what the default sink plays.
class Monitor
{
public:
    bool start()
    {
        m_parec.start(QStringLiteral("parec"),
                      { QStringLiteral("-d"), QStringLiteral("@DEFAULT_MONITOR@"),
                        QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--channels=1"), QStringLiteral("--rate=%1").arg(kRate),
                        QStringLiteral("--latency-msec=5") });
        if (!m_parec.waitForStarted(5000))
            return false;
        // The monitor is listening once its first bytes arrive; a program started before
        // that is heard only after the sink's next long block, seconds late.
        if (!m_parec.waitForReadyRead(5000))
            return false;
        // Whatever the sink still played before is not the sound waited for.
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 300) {
            m_parec.waitForReadyRead(50);
            m_parec.readAllStandardOutput();
        }
        return m_parec.state() == QProcess::Running;
    }

    ~Monitor()
    {
        m_parec.kill();
        m_parec.waitForFinished(2000);
    }

    // Milliseconds on `clock` when a sound is first heard; nothing within the timeout.
    std::optional<double> firstSound(const QElapsedTimer &clock)
    {
        QByteArray pending;
        while (clock.elapsed() < kTimeoutMs) {
            if (!m_parec.waitForReadyRead(100))
                continue;
            pending += m_parec.readAllStandardOutput();
            const qsizetype samples = pending.size() / 2;
            const auto *data = reinterpret_cast<const qint16 *>(pending.constData());
            for (qsizetype i = 0; i < samples; ++i) {
                if (std::abs(int(data[i])) > kThreshold)
                    return double(clock.nsecsElapsed()) / 1e6;
            }
            pending.remove(0, samples * 2);
        }
        return std::nullopt;
    }

private:
    QProcess m_parec;
};

// The peak resident size of a running process, in MB.
double peakMegabytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

QString orlinProgram()
{
    const QString other = qEnvironmentVariable("ORLIN_BENCH_PROGRAM");
    return other.isEmpty() ? QDir(binFolder()).filePath(QStringLiteral("Orlin")) : other;
}

// A fresh portable Orlin: the program beside an empty program folder.
QString freshOrlin()
{
    const QString folder = scratch().filePath(QStringLiteral("orlin"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString program = QDir(folder).filePath(QStringLiteral("Orlin"));
    QFile::copy(orlinProgram(), program);
    return program;
}

struct Run
{
    double firstSoundMs = 0;
    double peakMb = 0;
};

std::map<std::string, Run> &results()
{
    static std::map<std::string, Run> r;
    return r;
}

// Which voices the start-up lists: the desktop's too (speech-dispatcher, started when it is
// not running), or Orlin's own only, which shows Orlin's own part of the wait.
enum class Voices { WithSystem, OwnOnly };

// One start of `program` on `document`: the wait for its first sound and its peak size.
std::optional<Run> startAndListen(const QString &program, const QString &document, Voices voices)
{
    Monitor monitor;
    if (!monitor.start())
        return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (voices == Voices::OwnOnly) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SPEECHD_ADDRESS"),
                   QStringLiteral("unix_socket:/nonexistent/orlin-bench/speechd.sock"));
        env.insert(QStringLiteral("SPEECHD_CMD"), QStringLiteral("/bin/false"));
        process.setProcessEnvironment(env);
    }
    QElapsedTimer clock;
    clock.start();
    process.start(program, { document });
    const std::optional<double> heard = monitor.firstSound(clock);
    if (heard)
        QThread::msleep(kSettleMs);
    Run run;
    run.peakMb = peakMegabytes(process.processId());
    // Killed, not closed: nothing of the run is kept, and the next run starts as fresh.
    process.kill();
    process.waitForFinished(5000);
    if (!heard)
        return std::nullopt;
    run.firstSoundMs = *heard;
    return run;
}

void report(benchmark::State &state, const std::string &name, double msTotal, double mbTotal,
            int runs)
{
    Run mean { msTotal / runs, mbTotal / runs };
    results()[name] = mean;
    state.counters["first_sound_ms"] = mean.firstSoundMs;
    state.counters["peak_MB"] = mean.peakMb;
}

void BM_OrlinToFirstSound(benchmark::State &state, bool wholeBook, Voices voices)
{
    const QString document = wholeBook ? book() : sample();
    if (!QFileInfo(orlinProgram()).isExecutable()) {
        state.SkipWithError("no bin/Orlin beside the benchmarks");
        return;
    }
    double ms = 0;
    double mb = 0;
    int runs = 0;
    for (auto _ : state) {
        const QString program = freshOrlin();
        const std::optional<Run> run = startAndListen(program, document, voices);
        if (!run) {
            state.SkipWithError("Orlin was not heard: run under scripts/with-audio and a display");
            return;
        }
        state.SetIterationTime(run->firstSoundMs / 1000.0);
        ms += run->firstSoundMs;
        mb += run->peakMb;
        ++runs;
    }
    report(state,
           std::string(wholeBook ? "book" : "sample")
               + (voices == Voices::OwnOnly ? " own voices" : ""),
           ms, mb, runs);
}
BENCHMARK_CAPTURE(BM_OrlinToFirstSound, sample, false, Voices::WithSystem)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OrlinToFirstSound, war_and_peace, true, Voices::WithSystem)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OrlinToFirstSound, sample_own_voices, false, Voices::OwnOnly)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OrlinToFirstSound, war_and_peace_own_voices, true, Voices::OwnOnly)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto &r = results();
    for (const char *voices : { "", " own voices" }) {
        const std::string sample = std::string("sample") + voices;
        const std::string book = std::string("book") + voices;
        if (!r.count(sample) || !r.count(book))
            continue;
        const Run &s = r.at(sample);
        const Run &b = r.at(book);
        std::printf("\n%s: process start to first sound (mean of 5) %.0f ms with the sample, "
                    "%.0f ms with the book (%.2fx)\n",
                    *voices ? "Orlin's own voices only" : "With the desktop's voices",
                    s.firstSoundMs, b.firstSoundMs, b.firstSoundMs / s.firstSoundMs);
        std::printf("The book adds %.0f ms (target < 50) and %.1f MB of peak size (target < 30): "
                    "%.1f MB with the sample, %.1f MB with the book (%s)\n",
                    b.firstSoundMs - s.firstSoundMs, b.peakMb - s.peakMb, s.peakMb, b.peakMb,
                    qPrintable(QFileInfo(::book()).fileName()));
    }
    return 0;
}
