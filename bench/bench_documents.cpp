// Opening documents: HTML to plain text on a whole book, the replace-all over a large
// text, a UTF-8 book and an RTF book from the file until the reader's view shows them and
// has their text for a reading, and RTF import alone. Each
// figure is printed with its ratio to copying the same data once in the same run, the
// least any pass over it can cost. The books come from the shared corpora beside the
// project when present; otherwise stand-in text of the same size is generated.
#include "base/ProcessServices.h"
#include "documents/DocumentLoader.h"
#include "documents/RtfImporter.h"
#include "documents/cSharedHTML.h"
#include "ui/RichTextBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

QString corpora()
{
    QString source = qEnvironmentVariable("ORLIN_SOURCE_DIR");
    if (source.isEmpty())
        source = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/..");
    return QDir::cleanPath(source + QStringLiteral("/../shared/corpora"));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A plain English book of about 3.3 MB, UTF-8.
QByteArray book()
{
    static const QByteArray bytes = [] {
        QByteArray b = readFile(corpora() + QStringLiteral("/gutenberg_books/2600-0.txt"));
        if (b.isEmpty()) {
            const QByteArray para = "\xe2\x80\x9cWell, Prince, so Genoa and Lucca are now just "
                                    "family estates,\xe2\x80\x9d she said. It was July.\n\n";
            while (b.size() < 3'300'000)
                b += para;
        }
        return b;
    }();
    return bytes;
}

// About 5 MB of real HTML books, concatenated.
QString htmlBook()
{
    static const QString text = [] {
        QByteArray one;
        for (const char *name : { "14263/14263-h.htm", "15122/15122-h.htm", "972/972-h.htm" })
            one += readFile(corpora() + QStringLiteral("/gutenberg_books/") + QLatin1String(name));
        if (one.isEmpty()) {
            const QByteArray para = "<p class=\"x\">It was &ldquo;July&rdquo;, 1805 &mdash; "
                                    "<i>Anna</i> &amp; <b>Pierre</b>.<br>Next&#8230;</p>\n";
            while (one.size() < 1'000'000)
                one += para;
        }
        QByteArray all;
        while (all.size() < 5'000'000)
            all += one;
        return QString::fromUtf8(all);
    }();
    return text;
}

// An RTF rendering of the book: a font and colour table, a paragraph per paragraph,
// italic and bold runs, and non-ASCII letters as \u or \'hh, as word processors write.
QByteArray rtfBook()
{
    static const QByteArray rtf = [] {
        const QString text = QString::fromUtf8(book());
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 "
                         "Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}}"
                         "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;}"
                         "{\\info{\\title War and Peace}}\\pard\\f0\\fs24 ";
        out.reserve(text.size() + text.size() / 5);
        int word = 0;
        bool inGroup = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            const char16_t u = c.unicode();
            if (u == '\n') {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                    out += "\\par\n";
                    ++i;
                } else {
                    out += ' ';
                }
            } else if (u == '\r' || u == 0xFEFF) {
            } else if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += char(u);
            } else if (u >= 0xA0 && u <= 0xFF) {
                out += "\\'" + QByteArray::number(int(u), 16);
            } else if (u >= 0x80) {
                out += "\\u" + QByteArray::number(int(qint16(u))) + '?';
            } else {
                if (u == ' ' && ++word % 40 == 0 && !inGroup) {
                    out += word % 80 ? " {\\i " : " {\\b\\cf2 ";
                    inGroup = true;
                } else if (u == ' ' && word % 40 == 3 && inGroup) {
                    out += "} ";
                    inGroup = false;
                } else {
                    out += char(u);
                }
            }
        }
        out += inGroup ? "}\\par}" : "\\par}";
        return out;
    }();
    return rtf;
}

template<class Step> double bestMs(int runs, Step &&step)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        step();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

double copyMs(const QString &text)
{
    return bestMs(10, [&] {
        QString copy(text.constData(), text.size());
        benchmark::DoNotOptimize(copy.data());
    });
}

double copyMs(const QByteArray &bytes)
{
    return bestMs(10, [&] {
        QByteArray copy(bytes.constData(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
    });
}

std::map<std::string, std::pair<double, double>> &results()
{
    static std::map<std::string, std::pair<double, double>> r;
    return r;
}

// Each benchmark measures its own iterations; the ratio to the copy goes out as a counter.
void report(benchmark::State &state, const std::string &name, double ms, double baseline)
{
    state.counters["ms"] = ms;
    state.counters["x_copy"] = ms / baseline;
    auto &r = results()[name];
    if (r.first == 0 || ms < r.first)
        r = { ms, baseline };
}

void BM_HtmlToPlainText(benchmark::State &state)
{
    const QString html = htmlBook();
    const double baseline = copyMs(html);
    double best = 1e30;
    for (auto _ : state) {
        state.PauseTiming();
        QString text(html.constData(), html.size());
        state.ResumeTiming();
        const auto start = Clock::now();
        cSharedHTML::HtmlToPlainText(text);
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * html.size() * 2);
    // A second yardstick: one replace-all pass over the same text, the unit the
    // conversion's seven steps are made of.
    const double onePass = bestMs(5, [&] {
        QString text(html.constData(), html.size());
        cSharedHTML::MyReplace(text, QStringLiteral("<"), QStringLiteral("["), true);
        benchmark::DoNotOptimize(text.data());
    });
    state.counters["x_one_pass"] = best / onePass;
    std::printf("HtmlToPlainText: %.1f ms = %.1f x one replace-all pass over the book (%.1f ms)\n",
                best, best / onePass, onePass);
    report(state, "HtmlToPlainText 5 MB HTML", best, baseline);
}
BENCHMARK(BM_HtmlToPlainText)->Unit(benchmark::kMillisecond)->Iterations(5);

// Ten-character words, one in ten characters replaced: a million occurrences in 10 MB.
void BM_MyReplace(benchmark::State &state)
{
    const qsizetype megabytes = state.range(0);
    const QString text = QStringLiteral("abcd efghi").repeated(megabytes * 100'000);
    const bool matchCase = state.range(1) != 0;
    const double baseline = copyMs(text);
    double best = 1e30;
    for (auto _ : state) {
        state.PauseTiming();
        QString work(text.constData(), text.size());
        state.ResumeTiming();
        const auto start = Clock::now();
        cSharedHTML::MyReplace(work, matchCase ? QStringLiteral("e") : QStringLiteral("E"),
                               QStringLiteral("xy"), matchCase);
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        benchmark::DoNotOptimize(work.data());
    }
    report(state,
           "MyReplace " + std::to_string(megabytes) + " MB, "
               + std::to_string(megabytes / 10.0 * 1e6).substr(0, 7) + " hits, "
               + (matchCase ? "exact" : "ignoring case"),
           best, baseline);
}
BENCHMARK(BM_MyReplace)
    ->Unit(benchmark::kMillisecond)
    ->Args({ 10, 1 })
    ->Args({ 10, 0 })
    ->Args({ 5, 0 })
    ->Args({ 2, 0 })
    ->Iterations(5);

// The reader's road from a file to its view, up to the text a reading takes.
void loadIntoView(RichTextBox &view, const QString &path)
{
    view.showDocument(DocumentLoader::Load(path));
    benchmark::DoNotOptimize(view.Text().size());
}

void BM_LoadDocumentIntoView(benchmark::State &state)
{
    const bool rtf = state.range(0) != 0;
    const QByteArray bytes = rtf ? rtfBook() : book();
    QTemporaryDir dir;
    const QString path =
        dir.filePath(rtf ? QStringLiteral("book.rtf") : QStringLiteral("book.txt"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    const double baseline = copyMs(bytes);
    RichTextBox view;
    double best = 1e30;
    for (auto _ : state) {
        const auto start = Clock::now();
        loadIntoView(view, path);
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (view.Text().size() < bytes.size() / 2)
        state.SkipWithError("the book did not load whole");
    report(state,
           "LoadDocument " + std::to_string(bytes.size() / 100000 / 10.0).substr(0, 3) + " MB "
               + (rtf ? "RTF" : "UTF-8") + " book into the reader's view",
           best, baseline);
}
BENCHMARK(BM_LoadDocumentIntoView)->Unit(benchmark::kMillisecond)->Arg(0)->Arg(1)->Iterations(3);

void BM_RtfImport(benchmark::State &state)
{
    const QByteArray rtf = rtfBook();
    const double baseline = copyMs(rtf);
    QTextEdit view;
    double best = 1e30;
    for (auto _ : state) {
        const auto start = Clock::now();
        RtfImporter::import(rtf, view.document());
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (view.document()->characterCount() < rtf.size() / 2)
        state.SkipWithError("the RTF book did not import whole");
    state.SetBytesProcessed(int64_t(state.iterations()) * rtf.size());
    report(state,
           "RTF import " + std::to_string(rtf.size() / 100000 / 10.0).substr(0, 3)
               + " MB into a QTextEdit's document",
           best, baseline);
}
BENCHMARK(BM_RtfImport)->Unit(benchmark::kMillisecond)->Iterations(3);

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
    std::printf("\nbest times, and ratio to copying the same data once:\n");
    for (const auto &[name, r] : results())
        std::printf("  %-55s %8.1f ms  x%.1f (copy %.2f ms)\n", name.c_str(), r.first,
                    r.first / r.second, r.second);
    return 0;
}
