// Applying a long pronunciation list to one sentence, the work done before every
// sentence of a reading. Baselines measured in the same run: copying the sentence once
// per pair (the least any per-pair work can cost) and the plain approach of searching
// the sentence once per delimiter pair for every pair that occurs. Then the hostile
// lists, read from their file as a reading reads them: a replacement holding its own word
// between every delimiter, a long line of them, a chain of growing pairs and empty words.
// Each must stay under 50 ms and 10 MB for its sentence; the peak memory of the process
// is measured around one translation of each, before the timed runs.
#include "base/ProcessServices.h"
#include "speech/clsDict.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kPairs = 2000;
constexpr int kMatching = 10;

QString wordFor(int i)
{
    // Made-up names, all different, none a substring problem for the others.
    static const char *syllables[] = { "ka", "lo", "mir", "van", "tes", "dru", "pel", "zon" };
    QString w = QStringLiteral("Q");
    for (int n = i + 1; n > 0; n /= 8)
        w += QLatin1String(syllables[n % 8]);
    return w;
}

clsDict makeDict()
{
    clsDict dict;
    for (int i = 0; i < kPairs; ++i) {
        auto pair = std::make_shared<clsWordPair>();
        pair->OriginalWord = wordFor(i);
        pair->NewWord = QStringLiteral("Said%1").arg(i);
        dict.AddWordPair(pair);
    }
    return dict;
}

// 200 characters holding 10 of the listed words, spread through the list.
QString makeSentence()
{
    QString s;
    for (int k = 0; k < kMatching; ++k) {
        s += QStringLiteral("and then ") + wordFor(k * (kPairs / kMatching) + 7).toUpper()
            + QStringLiteral(", ");
    }
    while (s.size() < 200)
        s += QStringLiteral("more words follow here. ");
    s.truncate(199);
    return s + QLatin1Char('.');
}

const clsDict &dict()
{
    static const clsDict d = makeDict();
    return d;
}

const QString &sentence()
{
    static const QString s = makeSentence();
    return s;
}

void BM_TranslateText(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(dict().TranslateText(sentence()));
}
BENCHMARK(BM_TranslateText);

void BM_CopySentencePerPair(benchmark::State &state)
{
    for (auto _ : state) {
        for (int i = 0; i < kPairs; ++i) {
            QString copy(sentence().constData(), sentence().size());
            benchmark::DoNotOptimize(copy);
        }
    }
}
BENCHMARK(BM_CopySentencePerPair);

// The same result the plain way: every pair searches the sentence, and every pair that
// occurs does its 121 replace passes over the whole text.
QString translatePlainly(const clsDict &d, const QString &sentence)
{
    static const std::array<QString, 11> delimiters = {
        ",", ".", "'", "?", "!", "-", ":", ";", " ", "\"", "\r\n",
    };
    QString text = QLatin1Char(' ') + sentence;
    for (const auto &pair : *d.Words) {
        if (!text.contains(pair->OriginalWord, Qt::CaseInsensitive))
            continue;
        for (const QString &r : delimiters) {
            for (const QString &l : delimiters)
                text.replace(l + pair->OriginalWord + r, l + pair->NewWord + r,
                             Qt::CaseInsensitive);
        }
    }
    return text;
}

void BM_TranslatePlainly(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(translatePlainly(dict(), sentence()));
}
BENCHMARK(BM_TranslatePlainly);

struct Hostile
{
    const char *name;
    QByteArray list;
    const char *sentence;
};

const std::vector<Hostile> &hostileLists()
{
    static const std::vector<Hostile> lists = [] {
        const QByteArray selfish = "a.a,a;a:a-a!a?a'a\"a a,a.a,a;a:a-a!a?a'a\"a a a a";
        const QByteArray hello = "hello, hello. hello! hello? hello; hello: hello- hello\" hello'";
        return std::vector<Hostile> {
            { "own word between delimiters", "a," + selfish + "\r\n", "a a a a." },
            { "long line", "hello," + hello.repeated(5) + " hello\r\n", "Hello, world." },
            { "chain of growing pairs", QByteArray("a,a a\r\n").repeated(40), "a b." },
            { "empty words", ", , ,\r\n,. .\r\n,; ;\r\n,! !\r\n,: :\r\n", "Hello, world." },
            // The same chain on a sentence of a book: the bound scales with the sentence.
            { "chain on a long sentence", QByteArray("a,a a\r\n").repeated(40),
              "It was a dark and stormy night, and a wind came a long way over a hill to a house "
              "where a man sat at a table with a lamp, a book and a cup of tea, and a cat." },
        };
    }();
    return lists;
}

clsDict loadedFrom(const QByteArray &list)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ol1dict.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(list);
    file.close();
    clsDict d;
    d.setFileName(path);
    d.LoadWords();
    return d;
}

void BM_HostileList(benchmark::State &state)
{
    const Hostile &h = hostileLists()[size_t(state.range(0))];
    state.SetLabel(h.name);
    const clsDict d = loadedFrom(h.list);
    const QString sentence = QString::fromLatin1(h.sentence);
    for (auto _ : state)
        benchmark::DoNotOptimize(d.TranslateText(sentence));
}
BENCHMARK(BM_HostileList)->DenseRange(0, 4);

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Keeps each benchmark's time per iteration so the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> nsPerIteration;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                nsPerIteration[run.benchmark_name()] = run.GetAdjustedRealTime()
                    * (1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit));
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

    const clsDict &d = dict();
    const QString s = sentence();
    if (d.TranslateText(s) != translatePlainly(d, s)) {
        std::fprintf(stderr, "TranslateText and the plain translation disagree\n");
        return 1;
    }
    std::printf("sentence: %lld characters, %d pairs, %d of them in the sentence\n",
                static_cast<long long>(s.size()), kPairs, kMatching);

    for (const Hostile &h : hostileLists()) {
        const clsDict hd = loadedFrom(h.list);
        const long before = peakKilobytes();
        QElapsedTimer timer;
        timer.start();
        const QString spoken = hd.TranslateText(QString::fromLatin1(h.sentence));
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        std::printf("hostile list, %s: %.3f ms, %lld characters out of %lld, peak memory +%ld KB "
                    "(targets: 50 ms, 10 MB)\n",
                    h.name, ms, static_cast<long long>(spoken.size()),
                    static_cast<long long>(qstrlen(h.sentence)), peakKilobytes() - before);
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto &t = reporter.nsPerIteration;
    auto get = [&](const char *name) {
        auto it = t.find(name);
        return it == t.end() ? 0.0 : it->second;
    };
    const double translate = get("BM_TranslateText");
    const double copy = get("BM_CopySentencePerPair");
    const double plain = get("BM_TranslatePlainly");
    if (translate > 0) {
        std::printf("TranslateText: %.3f ms per sentence (target < 2 ms)\n", translate / 1e6);
        if (copy > 0)
            std::printf("ratio TranslateText / copying the sentence %d times: %.2f\n", kPairs,
                        translate / copy);
        if (plain > 0)
            std::printf("ratio TranslateText / plain per-pair replacing: %.3f\n",
                        translate / plain);
    }
    return 0;
}
