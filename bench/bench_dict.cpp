// Applying a long pronunciation list to one sentence, the work done before every
// sentence of a reading. Baselines measured in the same run: copying the sentence once
// per pair (the least any per-pair work can cost) and the plain approach of searching
// the sentence once per delimiter pair for every pair that occurs.
#include "base/ProcessServices.h"
#include "speech/clsDict.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

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
