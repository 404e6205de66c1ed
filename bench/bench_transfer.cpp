// A 256 MB download from Python's http.server on 127.0.0.1, through
// cSHAREDInternet::GetFile (libcurl, the bounded buffer, 1024-byte chunks written on
// the main thread) against `curl -o` of the same file in the same run, with the growth
// of this process's resident memory during the GetFile runs; and the same file read from a
// mirror on this computer (a file: address) against `cp`.
#include "base/ProcessServices.h"
#include "base/ProgramInfo.h"
#include "base/cSHAREDSettings.h"
#include "net/InternetTransfer.h"
#include "net/cSHAREDInternet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

constexpr qint64 kFileSize = 256LL * 1024 * 1024;

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString served()
{
    return QDir(workDir().path()).filePath(QStringLiteral("served"));
}

QString target()
{
    return QDir(workDir().path()).filePath(QStringLiteral("download.bin"));
}

// Python's http.server over the served folder; its port, 0 when it did not start.
int startServer(QProcess &server)
{
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
        ? QStringLiteral("/usr/bin/python3")
        : QStandardPaths::findExecutable(QStringLiteral("python3"));
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(
        python, { "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", served() });
    static const QRegularExpression portLine(QStringLiteral("port (\\d+)"));
    QByteArray output;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 15000 && server.waitForReadyRead(15000)) {
        output += server.readAll();
        const auto m = portLine.match(QString::fromUtf8(output));
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    return 0;
}

QString &url()
{
    static QString u;
    return u;
}

long residentKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

long g_growthKb = -1;

void BM_CurlBaseline(benchmark::State &state)
{
    for (auto _ : state) {
        QFile::remove(target());
        QProcess curl;
        curl.start(QStringLiteral("curl"), { "-s", "-o", target(), url() });
        if (!curl.waitForFinished(600000) || curl.exitCode() != 0
            || QFile(target()).size() != kFileSize)
            state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_CurlBaseline)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_GetFile(benchmark::State &state)
{
    cSHAREDInternet inet;
    inet.ApplyProxy();
    // A fresh peak for this process, then measured again after the downloads.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    const long before = residentKb("VmRSS:");
    for (auto _ : state) {
        if (!inet.GetFile(url(), target(), true) || QFile(target()).size() != kFileSize)
            state.SkipWithError("GetFile failed");
    }
    g_growthKb = std::max(g_growthKb, residentKb("VmHWM:") - before);
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_GetFile)->Iterations(1)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMillisecond);

QString servedFile()
{
    return QDir(served()).filePath(QStringLiteral("big.bin"));
}

void BM_LocalMirror(benchmark::State &state)
{
    cSHAREDInternet inet;
    inet.transfer().AllowLocalFiles = true;
    for (auto _ : state) {
        if (!inet.GetFile(QStringLiteral("file://") + servedFile(), target(), true)
            || QFile(target()).size() != kFileSize)
            state.SkipWithError("GetFile failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_LocalMirror)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_CopyBaseline(benchmark::State &state)
{
    for (auto _ : state) {
        QFile::remove(target());
        QProcess cp;
        cp.start(QStringLiteral("cp"), { servedFile(), target() });
        if (!cp.waitForFinished(600000) || cp.exitCode() != 0)
            state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(BM_CopyBaseline)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

class BestReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> bestNs;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0 || run.error_occurred)
                continue;
            const double ns =
                run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto it = bestNs.find(run.run_name.function_name);
            if (it == bestNs.end() || ns < it->second)
                bestNs[run.run_name.function_name] = ns;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ProgramInfo::setProgramFolder(workDir().path());
    ProcessServices services;
    Settings().sSet(QStringLiteral("ProxyType"), 1);
    benchmark::Initialize(&argc, argv);

    QDir().mkpath(served());
    {
        QFile file(QDir(served()).filePath(QStringLiteral("big.bin")));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 31 % 251);
        for (qint64 written = 0; written < kFileSize; written += block.size())
            file.write(block);
    }
    QProcess server;
    const int port = startServer(server);
    if (port == 0 || QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
        std::printf("needs python3 and curl: run scripts/install-deps\n");
        return 1;
    }
    url() = QStringLiteral("http://127.0.0.1:%1/big.bin").arg(port);

    BestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    server.kill();
    server.waitForFinished(5000);

    const double curlNs = reporter.bestNs["BM_CurlBaseline"];
    const double getFileNs = reporter.bestNs["BM_GetFile"];
    if (curlNs > 0 && getFileNs > 0) {
        const auto mbps = [](double ns) { return double(kFileSize) / (1024 * 1024) / (ns / 1e9); };
        std::printf("256 MB, best of 3: curl -o %.0f MB/s, GetFile %.0f MB/s; "
                    "throughput ratio GetFile / curl: %.2f (target >= 0.8)\n",
                    mbps(curlNs), mbps(getFileNs), curlNs / getFileNs);
    }
    const double localNs = reporter.bestNs["BM_LocalMirror"];
    const double cpNs = reporter.bestNs["BM_CopyBaseline"];
    if (localNs > 0 && cpNs > 0)
        std::printf("256 MB from a local mirror: GetFile %.0f ms (%.0f MB/s), cp %.0f ms; ratio "
                    "%.2f (target <= 8: the 1 KB chunk loop the network road runs too)\n",
                    localNs / 1e6, double(kFileSize) / (1024 * 1024) / (localNs / 1e9), cpNs / 1e6,
                    localNs / cpNs);
    if (g_growthKb >= 0)
        std::printf("resident memory growth during GetFile: %.1f MB (target < 16 MB)\n",
                    double(g_growthKb) / 1024);
    return 0;
}
