// EPUB books of the shared corpus against their reference readings (spine order exactly,
// title, language, the text of every document, the toc as headings), and books built here
// to be hostile: DRM, escaping references, broken and truncated archives.
#include "documents/EpubReader.h"

#include "support/Corpora.h"
#include "support/TextSimilarity.h"
#include "support/ZipBuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Reference
{
    QString title;
    QString language;
    int tocEntries = 0;
    QStringList linear; // spine documents in reading order
    QStringList nonLinear;
    QString text; // every document's text
    QStringList firstLines; // the first line of each document with text, in order
};

Reference readReference(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    Reference ref;
    bool first = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("# titles: ")) && ref.title.isEmpty())
            ref.title = line.mid(10);
        else if (line.startsWith(QLatin1String("# languages: ")) && ref.language.isEmpty())
            ref.language = line.mid(13);
        else if (line.startsWith(QLatin1String("# toc")))
            ++ref.tocEntries;
        else if (line.startsWith(QLatin1String("== "))) {
            const QString name = line.mid(3).section(QLatin1Char(' '), 0, 0);
            (line.contains(QLatin1String("linear=\"no\"")) ? ref.nonLinear : ref.linear)
                .append(name);
            first = !line.contains(QLatin1String("linear=\"no\""));
        } else if (!line.startsWith(QLatin1String("# ")) && !line.trimmed().isEmpty()) {
            ref.text += line + QLatin1Char('\n');
            if (first)
                ref.firstLines.append(line.simplified());
            first = false;
        }
    }
    return ref;
}

class CorpusBook : public testing::TestWithParam<const char *>
{
};

TEST_P(CorpusBook, ReadsSpineInOrderWithMetadataTextAndHeadings)
{
    const QString name = QString::fromLatin1(GetParam());
    const QString book = corporaFile(QStringLiteral("formats/epub/") + name + ".epub");
    if (book.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    const Reference ref =
        readReference(corporaFile(QStringLiteral("formats/epub/expected/") + name + ".txt"));

    EpubReader reader;
    const FormatText result = reader.read(book);
    ASSERT_TRUE(result.read()) << result.failure.toStdString();
    EXPECT_EQ(reader.readingOrder(), ref.linear + ref.nonLinear);
    EXPECT_EQ(result.title, ref.title.section(QStringLiteral(" | "), 0, 0));
    EXPECT_EQ(result.language, ref.language);

    // The documents' first lines are there (images, whose alt text the reference keeps,
    // are not), and those long enough to occur once stand in spine order.
    const QString flat = result.text.simplified();
    qsizetype found = 0;
    qsizetype last = -1;
    for (const QString &line : ref.firstLines) {
        const qsizetype at = flat.indexOf(line);
        found += at >= 0;
        if (at < 0 || line.size() < 12 || flat.lastIndexOf(line) != at)
            continue;
        EXPECT_GT(at, last) << "out of spine order: " << line.left(80).toStdString();
        last = at;
    }
    EXPECT_GE(found, ref.firstLines.size() / 2);
    EXPECT_GE(TextSimilarity::wordF1(result.text, ref.text), 0.95);

    // The toc as headings, in text order, each where its own text begins.
    EXPECT_GE(result.headings.size(), 1);
    EXPECT_LE(result.headings.size(), ref.tocEntries);
    qsizetype previous = 0;
    for (const FormatHeading &h : result.headings) {
        EXPECT_GE(h.position, previous);
        previous = h.position;
        ASSERT_LE(h.position, result.text.size());
    }
    if (qEnvironmentVariableIsSet("ORLIN_DUMP")) {
        QFile out(QStringLiteral("/tmp/epub-") + name + ".txt");
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

INSTANTIATE_TEST_SUITE_P(Epub, CorpusBook,
                         testing::Values("idpf-moby-dick", "idpf-accessible_epub_3",
                                         "idpf-childrens-literature", "idpf-georgia-cfi",
                                         "idpf-wasteland", "idpf-wasteland-otf-obf",
                                         "idpf-regime-anticancer-arabic", "idpf-mymedia_lite",
                                         "readium-SmokeTest-EPUB2", "bmaupin-minimal-v2"));

} // namespace
