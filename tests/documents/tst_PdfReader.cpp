// PDFs of the shared corpus against pdftotext's reading of the same files, by word
// similarity (bag-of-words F1 after NFKC and case folding, and the longest common word
// subsequence for order), grouped by what breaks readers: reading order, hyphen joins,
// running heads and feet, non-Latin scripts, encryption; then files made here: a password,
// a scan, damaged and truncated files.
#include "documents/PdfLoader.h"
#include "documents/PdfReader.h"

#include "support/Corpora.h"
#include "support/FileParamName.h"
#include "support/QStringPrinter.h"
#include "support/TextSimilarity.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    EXPECT_EQ(TextSimilarity::misplaced(result.text, c.present, c.absent), QStringList());
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
    // Reading order: two columns read as columns; words broken at line ends joined.
    { "tracemonkey",
      0.95,
      0.9,
      { "Trace-based Just-in-Time Type Specialization", "objects’ representations" },
      { "rep- resentations", "rep-resentations" } },
    { "pdkids", 0.95, 0.9, {}, {} },
    { "standard_fonts", 0.95, 0.9, {}, {} },
    { "rotation", 0.95, 0.9, {}, {} },
    { "hello_world_rotated", 0.95, 0.9, {}, {} },
    // Right-to-left lines in reading order, presentation forms as plain letters.
    { "ArabicCIDTrueType", 0.95, 0.9, { "انواع الخطوط العربية" }, {} },
    { "vertical", 0.95, 0.9, { "あいうえお", "日本語" }, {} },
    { "mixedfonts", 0.95, 0.9, {}, {} },
    { "issue1002", 0.95, 0.9, {}, {} },
    { "bug1997343", 0.95, 0.9, {}, {} },
    // Ligatures spoken as their letters.
    { "copy_paste_ligatures", 0.95, 0.9, { "abcdeffffiflffifflststghijklmno" }, {} },
    { "bug2013793", 0.95, 0.9, {}, {} },
    // An empty user password opens without asking.
    { "bug900822", 0.95, 0.9, {}, {} },
    { "Type3WordSpacing", 0.95, 0.9, {}, {} },
};

INSTANTIATE_TEST_SUITE_P(Pdf, CorpusPdf, testing::ValuesIn(cases), FileParamName());

// A book of `pages` pages with a running head, a page number at the foot, and a sentence
// and a word broken across every page break.
void writeBook(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setTitle(QStringLiteral("Made Book"));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    painter.setFont(font);
    const int height = writer.height();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.drawText(60, 40, QStringLiteral("The Orlin Chronicle"));
        int y = 120;
        if (page > 1)
            painter.drawText(
                60, y, QStringLiteral("ordinary ending of page %1 goes on here.").arg(page - 1)),
                y += 14;
        for (int line = 0; line < 8; ++line, y += 14)
            painter.drawText(
                60, y,
                QStringLiteral("Body line %1 of page %2 reads on and on").arg(line).arg(page));
        painter.drawText(60, y, QStringLiteral("and this sentence is extra-"));
        painter.drawText(280, height - 30, QStringLiteral("Page %1").arg(page));
    }
}

TEST(PdfReader, RunningHeadsFeetAndPageBreaksReadAsOneText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.pdf"));
    writeBook(path, 8);
    const FormatText result = PdfReader::read(path);
    ASSERT_TRUE(result.read()) << result.failure.toStdString();
    EXPECT_EQ(result.title, QStringLiteral("Made Book"));
    EXPECT_FALSE(result.text.contains(QLatin1String("Orlin Chronicle")))
        << result.text.toStdString();
    EXPECT_FALSE(result.text.contains(QLatin1String("Page 3")));
    // The word and the sentence cut by the page break go on.
    EXPECT_TRUE(result.text.contains(
        QLatin1String("this sentence is extraordinary ending of page 1 goes on here.")))
        << result.text.left(600).toStdString();
    EXPECT_TRUE(result.text.endsWith(QLatin1String("extra-")));
}

TEST(PdfReader, PasswordScanAndDamagedFilesEndInAMessage)
{
    const QString source = corporaFile(QStringLiteral("formats/pdf/tracemonkey.pdf"));
    if (source.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    QTemporaryDir dir;

    // A user password: asked for once, refused when wrong, read when right.
    const QString locked = dir.filePath(QStringLiteral("locked.pdf"));
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    ASSERT_FALSE(qpdf.isEmpty()) << "qpdf (scripts/install-deps) makes the encrypted file";
    ASSERT_EQ(
        QProcess::execute(qpdf, { "--encrypt", "secret", "owner", "256", "--", source, locked }),
        0);
    EXPECT_EQ(PdfReader::read(locked).outcome, FormatText::Outcome::NeedsPassword);
    EXPECT_EQ(PdfReader::read(locked, "wrong").outcome, FormatText::Outcome::WrongPassword);
    const FormatText opened = PdfReader::read(locked, "secret");
    EXPECT_TRUE(opened.read());
    EXPECT_TRUE(opened.text.contains(QLatin1String("Trace-based")));

    // A scan: pictures of pages, no text.
    const QString scan = dir.filePath(QStringLiteral("scan.pdf"));
    {
        QPdfWriter writer(scan);
        QPainter painter(&writer);
        QImage image(400, 500, QImage::Format_RGB32);
        image.fill(Qt::white);
        painter.drawImage(QRect(0, 0, 2000, 2500), image);
    }
    const FormatText scanned = PdfReader::read(scan);
    EXPECT_EQ(scanned.outcome, FormatText::Outcome::NoText);
    EXPECT_TRUE(scanned.failure.contains(QLatin1String("scan")));

    // Not a PDF, and truncated ones: a message or what could be read, never a crash.
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const struct
    {
        const char *name;
        QByteArray bytes;
    } damaged[] = {
        { "empty", {} },
        { "text", "just some words, no PDF" },
        { "header only", "%PDF-1.7\n" },
        { "first tenth", whole.left(whole.size() / 10) },
        { "first half", whole.left(whole.size() / 2) },
        { "middle gone", whole.left(whole.size() / 3) + whole.mid(whole.size() * 2 / 3) },
    };
    for (const auto &c : damaged) {
        PdfReader reader;
        FormatText result = reader.openData(c.bytes);
        if (result.read()) {
            reader.readPages(0, reader.pageCount(), result);
            continue;
        }
        EXPECT_FALSE(result.failure.isEmpty()) << c.name;
        EXPECT_NE(result.outcome, FormatText::Outcome::NeedsPassword) << c.name;
    }
    EXPECT_EQ(PdfReader::read(dir.filePath(QStringLiteral("missing.pdf"))).outcome,
              FormatText::Outcome::Unreadable);
}

TEST(PdfLoader, FirstPagesComeFirstAndThePiecesMakeTheWholeText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    writeBook(path, 60);
    PdfLoader loader;
    QSignalSpy opened(&loader, &PdfLoader::opened);
    QSignalSpy pieces(&loader, &PdfLoader::pagesRead);
    QSignalSpy finished(&loader, &PdfLoader::finished);
    loader.start(path);
    ASSERT_TRUE(finished.wait(60000));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0][0].value<FormatText>().read());
    ASSERT_GE(pieces.size(), 2);
    EXPECT_EQ(pieces[0][2].toInt(), PdfLoader::kFirstPages);
    QString text;
    for (const QList<QVariant> &piece : std::as_const(pieces))
        text += piece[0].toString();
    EXPECT_EQ(pieces.back()[2].toInt(), 60);
    EXPECT_EQ(text, PdfReader::read(path).text);
    EXPECT_TRUE(finished[0][0].toBool());
}

} // namespace
