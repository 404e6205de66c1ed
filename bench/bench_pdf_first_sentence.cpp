// A long PDF opened as the reader opens it, to the first spoken sentence: War and Peace made
// into a PDF of about a thousand pages, loaded through the main window's DocumentController
// into the real document view, then Read: the time until the talker hands its first
// sentence to the voice (espeak-ng, playing into silence). The baseline, in the same run, is
// the same book as a plain-text file on the same road.
#include "WarAndPeaceBook.h"
#include "app/DocumentController.h"
#include "app/ReaderWindow.h"
#include "app/ReadingController.h"
#include "base/ProcessServices.h"
#include "base/Seam.h"
#include "platform/AudioPlayer.h"
#include "platform/SpeechEngines.h"
#include "speech/clsTalker.h"
#include "ui/RichTextBox.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// The main window as far as opening a document asks it.
class BenchWindow : public ReaderWindow
{
public:
    QWidget *dialogParent() override { return nullptr; }
    void setCaption(const QString &) override { }
    void setReloadEnabled(bool) override { }
    void fillPitchList() override { }
    void fillLanguageMenu() override { }
    void useSymbolFallbacks(bool, bool) override { }
    void fillVoiceList(const clsTalker &) override { }
    void chooseVoice(int) override { }
    void fixMinimumSize() override { }
    void createUpdater() override { }
    void setUpdateTimer(bool) override { }
    void closeWindow() override { }
};

QString textBook()
{
    const QString path = WarAndPeaceBook::folder().filePath(QStringLiteral("war-and-peace.txt"));
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write(WarAndPeaceBook::paragraphs().join(QStringLiteral("\n\n")).toUtf8());
    return path;
}

// Milliseconds from the start of the load to the first sentence handed to the voice.
double toFirstSentence(const QString &path, std::size_t *shown)
{
    BenchWindow window;
    RichTextBox view;
    ReadingController reading(view);
    reading.CreateDictionary();
    reading.CreateTalker();
    reading.Talker()->InitEngine();
    DocumentController documents(window, view);
    documents.onTextAppended = [&](const QString &text, bool) { reading.TextAppended(text); };
    double ms = -1;
    const auto start = Clock::now();
    QObject::connect(reading.Talker(), &clsTalker::SpeakingSentence, &reading, [&] {
        if (ms < 0)
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    });
    documents.LoadDocument(path, DocumentController::Bookmark::None);
    reading.Read();
    *shown = std::size_t(view.Text().size());
    reading.Stop();
    reading.ReleaseTalker();
    return ms;
}

double best(const QString &path, benchmark::State &state, std::size_t *shown)
{
    double fastest = 1e30;
    for (auto _ : state) {
        const double ms = toFirstSentence(path, shown);
        if (ms < 0)
            state.SkipWithError("no sentence was spoken");
        fastest = std::min(fastest, ms);
    }
    return fastest;
}

double g_textMs = 0;

void BM_TextToFirstSentence(benchmark::State &state)
{
    std::size_t shown = 0;
    g_textMs = best(textBook(), state, &shown);
    state.counters["ms"] = g_textMs;
    state.counters["chars_shown"] = double(shown);
}
BENCHMARK(BM_TextToFirstSentence)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PdfToFirstSentence(benchmark::State &state)
{
    std::size_t shown = 0;
    const QString pdf = WarAndPeaceBook::pdfBook();
    const double ms = best(pdf, state, &shown);
    state.counters["ms"] = ms;
    state.counters["chars_shown"] = double(shown);
    if (g_textMs > 0)
        state.counters["x_text"] = ms / g_textMs;
    std::printf("PDF of War and Peace to the first spoken sentence: %.1f ms (target < 1000), "
                "x%.2f the plain text's %.1f ms; %zu characters shown then\n",
                ms, g_textMs > 0 ? ms / g_textMs : 0.0, g_textMs, shown);
}
BENCHMARK(BM_PdfToFirstSentence)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ProcessServices services;
    SpeechEngines::install(SpeechEngines::SystemVoices::Left);
    Seam::install<AudioPlayer::ForceSilentSeam>(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
