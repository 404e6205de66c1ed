// The cost of following a reading in a 3 MB document: one step of a reading in the main
// window (the engine's done event until the next sentence is selected: the talker takes it
// from its store and says where it stands, the view selects it and scrolls it into view,
// the window pumps messages) against finding one sentence end alone, and the time from
// pressing Read with the caret at the top to the first sentence being highlighted, against
// copying the document's text once.
#include "app/ReadingController.h"
#include "app/frmMain.h"
#include "base/ProcessServices.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/SentenceRule.h"
#include "documents/DocumentLoader.h"
#include "speech/SpeechEngine.h"
#include "speech/clsTalker.h"
#include "ui/RichTextBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

// An engine that accepts everything and speaks nothing, so the figures are the window's.
class SilentEngine : public SpeechEngine
{
public:
    void setInitialized(int) override { }
    int CountEngines() const override { return 1; }
    QString ModeName(int) const override { return QStringLiteral("Silent"); }
    QString ModeLanguage(int) const override { return QStringLiteral("en"); }
    void Select(int) override { }
    int CurrentMode() const override { return 1; }
    void Speak(const QString &) override { }
    void StopSpeaking() override { }
    void AudioPause() override { }
    void AudioResume() override { }
    int Speaking() const override { return 0; }
    int Speed() const override { return m_speed; }
    void setSpeed(int speed) override { m_speed = speed; }
    int Pitch() const override { return 0; }
    void setPitch(int) override { }

private:
    int m_speed = 175;
};

// About 3 MB of prose: sentences of 6 to 30 words ending in ".", "?", "!", "?!" or ".\"",
// in paragraphs of 3 to 8 sentences.
QString makeDocument()
{
    // A real book instead, as the view would show it: ORLIN_BENCH_DOCUMENT=path.
    if (const QString path = qEnvironmentVariable("ORLIN_BENCH_DOCUMENT"); !path.isEmpty())
        return DocumentLoader::Load(path).text;
    static const char *words[] = { "the",   "reader", "speaks", "every", "sentence", "aloud",
                                   "while", "view",   "marks",  "where", "it",       "is",
                                   "in",    "text",   "and",    "you",   "follow",   "along" };
    static const char *ends[] = { ".", ".", ".", "?", "!", "?!", ".\"" };
    QRandomGenerator random(42);
    QString text;
    text.reserve(3'200'000);
    while (text.size() < 3'150'000) {
        const int sentences = 3 + int(random.bounded(6));
        for (int s = 0; s < sentences; ++s) {
            const int count = 6 + int(random.bounded(25));
            for (int w = 0; w < count; ++w) {
                QString word = QString::fromLatin1(words[random.bounded(18)]);
                if (w == 0)
                    word[0] = word[0].toUpper();
                text += word;
                if (w + 1 < count)
                    text += QLatin1Char(' ');
            }
            text += QLatin1String(ends[random.bounded(7)]);
            text += QLatin1Char(' ');
        }
        text += QStringLiteral("\r\n\r\n");
    }
    return text;
}

struct Setup
{
    Setup()
    {
        ProgramInfo::setProgramFolder(folder.path());
        Seam::install<SpeechEngineFactory::FactorySeam>(
            [] { return std::make_unique<SilentEngine>(); });
        window.Form_Load();
        window.resize(900, 700);
        window.show();
        view()->setText(makeDocument());
        QCoreApplication::processEvents();
    }
    // Any edit makes the view build its plain text again, as after loading a document.
    void invalidateText()
    {
        QTextCursor cursor(view()->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral(" "));
        cursor.deletePreviousChar();
    }
    RichTextBox *view() const
    {
        return window.findChild<RichTextBox *>(QStringLiteral("RichTextBox1"));
    }
    QTemporaryDir folder;
    frmMain window;
};

// Made on first use, gone before the application object.
std::unique_ptr<Setup> g_setup;
Setup &setup()
{
    if (!g_setup)
        g_setup = std::make_unique<Setup>();
    return *g_setup;
}

double median(std::vector<qint64> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : double(samples[samples.size() / 2]);
}

double g_stepNs = 0, g_scanNs = 0, g_selectNs = 0, g_readNs = 0, g_copyNs = 0;

// Steps through the document sentence by sentence from the top, as a reading does.
void BM_HighlightStep(benchmark::State &state)
{
    Setup &s = setup();
    s.view()->setSelStart(0);
    s.window.cmdRead_Click();
    SpeechEngine *engine = s.window.reading().Talker()->engine();
    std::vector<qint64> steps;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        emit engine->SpeakingDone();
        steps.push_back(timer.nsecsElapsed());
    }
    s.window.cmdStopReading_Click();
    g_stepNs = median(steps);
    state.counters["median_us"] = g_stepNs / 1000;

    // Finding the sentences alone, in the same text from the top.
    const QString &text = s.view()->Text();
    const SentenceRule rule;
    std::vector<qint64> scans;
    qsizetype from = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        timer.start();
        const std::optional<SentenceRule::Span> span = rule.next(text, from);
        scans.push_back(timer.nsecsElapsed());
        if (!span)
            break;
        from = span->end;
    }
    g_scanNs = median(scans);
    state.counters["scan_median_us"] = g_scanNs / 1000;
}
BENCHMARK(BM_HighlightStep)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// Where the step's time goes: selecting and scrolling alone, without pumping messages.
void BM_SelectionOnly(benchmark::State &state)
{
    Setup &s = setup();
    const QString &text = s.view()->Text();
    std::vector<qint64> samples;
    QElapsedTimer timer;
    qsizetype from = 0;
    const SentenceRule rule;
    for (auto _ : state) {
        const std::optional<SentenceRule::Span> span = rule.next(text, from);
        if (!span)
            break;
        timer.start();
        s.view()->selectRange(int(span->begin), int(span->end - span->begin));
        samples.push_back(timer.nsecsElapsed());
        from = span->end;
    }
    QCoreApplication::processEvents();
    g_selectNs = median(samples);
    state.counters["median_us"] = g_selectNs / 1000;
}
BENCHMARK(BM_SelectionOnly)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// From the Read click with the caret at the top until the first sentence is selected,
// with the view's plain text to be built again as after loading.
void BM_ReadToFirstSentence(benchmark::State &state)
{
    Setup &s = setup();
    QElapsedTimer timer;
    qint64 firstAt = -1;
    const auto connection =
        QObject::connect(s.window.reading().Talker(), &clsTalker::SpeakingSentence, [&] {
            if (firstAt < 0)
                firstAt = timer.nsecsElapsed();
        });
    std::vector<qint64> samples;
    for (auto _ : state) {
        state.PauseTiming();
        s.window.cmdStopReading_Click();
        s.view()->setSelStart(0);
        s.invalidateText();
        firstAt = -1;
        state.ResumeTiming();
        timer.start();
        s.window.cmdRead_Click();
        samples.push_back(firstAt);
    }
    QObject::disconnect(connection);
    s.window.cmdStopReading_Click();
    g_readNs = median(samples);
    state.counters["median_ms"] = g_readNs / 1e6;

    std::vector<qint64> copies;
    for (int i = 0; i < 10; ++i) {
        timer.start();
        QString copy = s.view()->Text();
        copy.detach();
        benchmark::DoNotOptimize(copy.data());
        copies.push_back(timer.nsecsElapsed());
    }
    g_copyNs = median(copies);
}
BENCHMARK(BM_ReadToFirstSentence)->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ProcessServices services;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nDocument: %lld characters\n", qlonglong(setup().view()->Text().size()));
    std::printf("Reading step, median: %.1f us; finding a sentence alone: %.2f us; ratio %.1fx\n",
                g_stepNs / 1000, g_scanNs / 1000, g_scanNs > 0 ? g_stepNs / g_scanNs : 0.0);
    std::printf("Selecting and scrolling alone, median: %.1f us\n", g_selectNs / 1000);
    std::printf("Read to first sentence, median: %.1f ms; copying the text once: %.2f ms; "
                "ratio %.1fx\n",
                g_readNs / 1e6, g_copyNs / 1e6, g_copyNs > 0 ? g_readNs / g_copyNs : 0.0);
    g_setup.reset();
    return 0;
}
