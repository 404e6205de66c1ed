// The format readers on a whole book: War and Peace (the shared Gutenberg text) made into
// a PDF of about a thousand pages with QPdfWriter and into an EPUB of one document per
// chapter. For the PDF: the time until the first pages' text is there (what the view
// shows and Read starts on) and the whole text, each against the `pdftotext` command on
// the same file in the same run; for the EPUB: the whole conversion, against copying its
// bytes once.
#include "WarAndPeaceBook.h"
#include "base/ProcessServices.h"
#include "documents/EpubReader.h"
#include "documents/PdfLoader.h"
#include "documents/PdfReader.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <zip.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace {

using WarAndPeaceBook::folder;
using WarAndPeaceBook::paragraphs;
using WarAndPeaceBook::pdfBook;
using WarAndPeaceBook::warAndPeace;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

QByteArray epubBook()
{
    static const QByteArray bytes = [] {
        // One document per chapter, as Gutenberg's EPUBs are made.
        QList<QByteArray> chapters;
        QByteArray current;
        for (const QString &p : paragraphs()) {
            if (p.startsWith(QLatin1String("CHAPTER ")) && !current.isEmpty()) {
                chapters.append(current);
                current.clear();
            }
            QString escaped = p.toHtmlEscaped();
            current +=
                (p.startsWith(QLatin1String("CHAPTER ")) ? "<h2>" + escaped.toUtf8() + "</h2>\n"
                                                         : "<p>" + escaped.toUtf8() + "</p>\n");
        }
        chapters.append(current);
        QByteArray manifest;
        QByteArray spine;
        QByteArray nav;
        using File = std::pair<QByteArray, QByteArray>;
        QList<File> files;
        files.append(File { "mimetype", "application/epub+zip" });
        files.append(
            File { "META-INF/container.xml",
                   "<container xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>"
                   "<rootfiles><rootfile full-path='OEBPS/content.opf' "
                   "media-type='application/oebps-package+xml'/></rootfiles></container>" });
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const QByteArray id = "c" + QByteArray::number(i);
            manifest += "<item id='" + id + "' href='" + id
                + ".xhtml' media-type='application/xhtml+xml'/>";
            spine += "<itemref idref='" + id + "'/>";
            nav += "<li><a href='" + id + ".xhtml'>Chapter " + QByteArray::number(i) + "</a></li>";
            files.append(
                File { "OEBPS/" + id + ".xhtml",
                       "<?xml version='1.0' encoding='utf-8'?><html "
                       "xmlns='http://www.w3.org/1999/xhtml'><head><title>War and Peace</title>"
                       "</head><body>"
                           + chapters[i] + "</body></html>" });
        }
        files.append(File { "OEBPS/nav.xhtml",
                            "<html xmlns='http://www.w3.org/1999/xhtml' "
                            "xmlns:epub='http://www.idpf.org/2007/ops'>"
                            "<body><nav epub:type='toc'><ol>"
                                + nav + "</ol></nav></body></html>" });
        files.append(
            { "OEBPS/content.opf",
              "<package xmlns='http://www.idpf.org/2007/opf' version='3.0'><metadata "
              "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:title>War and Peace</dc:title>"
              "<dc:language>en</dc:language></metadata><manifest>"
              "<item id='nav' href='nav.xhtml' properties='nav' "
              "media-type='application/xhtml+xml'/>"
                  + manifest + "</manifest><spine>" + spine + "</spine></package>" });
        const QString path = folder().filePath(QStringLiteral("war-and-peace.epub"));
        int error = 0;
        zip_t *zip = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (const auto &[name, data] : files) {
            zip_source_t *source =
                zip_source_buffer(zip, data.constData(), zip_uint64_t(data.size()), 0);
            zip_file_add(zip, name.constData(), source, ZIP_FL_ENC_UTF_8);
        }
        // The buffers must live until the archive is written.
        zip_close(zip);
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    return bytes;
}

// pdftotext on the same file, best of three: the yardstick.
double pdftotextMs(const QString &pdf, const QStringList &extra = {})
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return 0;
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        QProcess::execute(
            tool, extra + QStringList { pdf, folder().filePath(QStringLiteral("out.txt")) });
        best = std::min(best, msSince(start));
    }
    return best;
}

std::map<std::string, std::pair<double, double>> &results()
{
    static std::map<std::string, std::pair<double, double>> r;
    return r;
}

void report(benchmark::State &state, const std::string &name, double ms, double baseline,
            const char *ratioName)
{
    state.counters["ms"] = ms;
    if (baseline > 0)
        state.counters[ratioName] = ms / baseline;
    results()[name] = { ms, baseline };
}

void BM_PdfFirstPages(benchmark::State &state)
{
    const QString pdf = pdfBook();
    const double baseline =
        pdftotextMs(pdf, { "-f", "1", "-l", QString::number(PdfLoader::kFirstPages) });
    double best = 1e30;
    for (auto _ : state) {
        const auto start = Clock::now();
        PdfReader reader;
        FormatText text = reader.open(pdf);
        reader.readPages(0, PdfLoader::kFirstPages, text);
        best = std::min(best, msSince(start));
        if (text.text.size() < 1000)
            state.SkipWithError("no text on the first pages");
    }
    report(state, "PDF, 1,000 pages: first pages' text (vs pdftotext -l 3)", best, baseline,
           "x_pdftotext");
}
BENCHMARK(BM_PdfFirstPages)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PdfWholeText(benchmark::State &state)
{
    const QString pdf = pdfBook();
    const double baseline = pdftotextMs(pdf);
    double best = 1e30;
    for (auto _ : state) {
        const auto start = Clock::now();
        const FormatText text = PdfReader::read(pdf);
        best = std::min(best, msSince(start));
        if (text.text.size() < 3'000'000)
            state.SkipWithError("the PDF did not read whole");
    }
    report(state, "PDF, 1,000 pages: whole text (vs pdftotext)", best, baseline, "x_pdftotext");
}
BENCHMARK(BM_PdfWholeText)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_EpubWholeBook(benchmark::State &state)
{
    const QByteArray epub = epubBook();
    const auto copyStart = Clock::now();
    QByteArray copy(epub.constData(), epub.size());
    benchmark::DoNotOptimize(copy.data());
    const double baseline = std::max(0.001, msSince(copyStart));
    double best = 1e30;
    for (auto _ : state) {
        const auto start = Clock::now();
        const FormatText text = EpubReader().read(epub);
        best = std::min(best, msSince(start));
        if (text.text.size() < 3'000'000 || text.headings.size() < 300)
            state.SkipWithError("the EPUB did not read whole");
    }
    report(state, "EPUB of War and Peace: whole text (vs copying it)", best, baseline, "x_copy");
}
BENCHMARK(BM_EpubWholeBook)->Unit(benchmark::kMillisecond)->Iterations(3);

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
    std::printf("\nbest times, and ratio to the baseline measured in the same run:\n");
    for (const auto &[name, r] : results())
        std::printf("  %-58s %8.1f ms  x%.2f (baseline %.1f ms)\n", name.c_str(), r.first,
                    r.second > 0 ? r.first / r.second : 0.0, r.second);
    return 0;
}
