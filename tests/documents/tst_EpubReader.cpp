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

// A small book: container, package with a spine of three documents (the middle one
// non-linear), an EPUB 3 nav pointing into the last one, and extra entries as given.
QByteArray book(const QByteArray &container, const QByteArray &spine,
                const QList<ZipItem> &extra = {})
{
    const QByteArray opf =
        "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' "
        "version='3.0'><metadata xmlns:dc='http://purl.org/dc/elements/1.1/'>"
        "<dc:title>Made</dc:title><dc:language>fr</dc:language></metadata>"
        "<manifest>"
        "<item id='nav' href='nav.xhtml' media-type='application/xhtml+xml' "
        "properties='nav'/>"
        "<item id='c1' href='text/one.xhtml' media-type='application/xhtml+xml'/>"
        "<item id='notes' href='text/notes.xhtml' "
        "media-type='application/xhtml+xml'/>"
        "<item id='c2' href='text/two.xhtml' media-type='application/xhtml+xml'/>"
        "<item id='img' href='a.png' media-type='image/png' fallback='img2'/>"
        "<item id='img2' href='b.png' media-type='image/png' fallback='img'/>"
        "<item id='out' href='../../../etc/passwd' "
        "media-type='application/xhtml+xml'/>"
        "</manifest><spine>"
        + spine + "</spine></package>";
    const QByteArray nav =
        "<html xmlns='http://www.w3.org/1999/xhtml' xmlns:epub='http://www.idpf.org/2007/ops'>"
        "<body><nav epub:type='toc'><ol><li><a href='text/one.xhtml'>One</a></li>"
        "<li><a href='text/two.xhtml#s2'>Second part</a><ol><li><span>Unlinked</span></li>"
        "</ol></li></ol></nav></body></html>";
    QList<ZipItem> items {
        { "mimetype", "application/epub+zip", ZipItem::File, false },
        { "META-INF/container.xml", container },
        { "OEBPS/content.opf", opf },
        { "OEBPS/nav.xhtml", nav },
        { "OEBPS/text/one.xhtml",
          "<html><head><title>Not read</title><style>p{}</style></head><body><h1>One</h1>"
          "<p>First <b>chapter</b> text.</p><script>alert(1)</script></body></html>" },
        { "OEBPS/text/notes.xhtml", "<html><body><p>A note read last.</p></body></html>" },
        { "OEBPS/text/two.xhtml",
          "<html><body><p>Opening.</p><section id=\"s2\">\n  <h2>Second part</h2><p>More "
          "<ruby>漢<rt>kan</rt></ruby> text.</p></section></body></html>" },
    };
    items += extra;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("made.epub"));
    EXPECT_TRUE(writeZip(path, items));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

const QByteArray kContainer =
    "<container xmlns='urn:oasis:names:tc:opendocument:xmlns:container'><rootfiles>"
    "<rootfile full-path='OEBPS/content.opf' media-type='application/oebps-package+xml'/>"
    "</rootfiles></container>";
const QByteArray kSpine = "<itemref idref='c1'/><itemref idref='notes' linear='no'/>"
                          "<itemref idref='img'/><itemref idref='out'/><itemref idref='c2'/>";

TEST(EpubReader, MadeBookReadsInSpineOrderWithHeadingsAtTheirTargets)
{
    EpubReader reader;
    const FormatText result = reader.read(book(kContainer, kSpine));
    ASSERT_TRUE(result.read()) << result.failure.toStdString();
    // Linear documents first, the non-linear one after; pictures whose fallbacks loop and
    // a reference out of the book are not read.
    EXPECT_EQ(
        reader.readingOrder(),
        QStringList({ "OEBPS/text/one.xhtml", "OEBPS/text/two.xhtml", "OEBPS/text/notes.xhtml" }));
    EXPECT_EQ(result.text,
              QStringLiteral("One\n\nFirst chapter text.\n\nOpening.\n\nSecond part\n\n"
                             "More 漢 text.\n\nA note read last."));
    EXPECT_EQ(result.title, QStringLiteral("Made"));
    EXPECT_EQ(result.language, QStringLiteral("fr"));
    ASSERT_EQ(result.headings.size(), 2);
    EXPECT_EQ(result.headings[0].position, 0);
    EXPECT_EQ(result.headings[1].text, QStringLiteral("Second part"));
    EXPECT_EQ(result.headings[1].level, 1);
    EXPECT_EQ(result.headings[1].position, result.text.indexOf(QLatin1String("Second part")));
}

TEST(EpubReader, ProtectedDamagedAndHostileBooksEndInAMessage)
{
    using Outcome = FormatText::Outcome;
    auto encryption = [](const char *algorithm, const char *uri) {
        return ZipItem(
            "META-INF/encryption.xml",
            QByteArray("<encryption xmlns='urn:oasis:names:tc:opendocument:xmlns:container'>"
                       "<EncryptedData xmlns='http://www.w3.org/2001/04/xmlenc#'>"
                       "<EncryptionMethod Algorithm='")
                + algorithm + "'/><CipherData><CipherReference URI='" + uri
                + "'/></CipherData></EncryptedData></encryption>");
    };
    const QByteArray good = book(kContainer, kSpine);
    const struct
    {
        const char *what;
        QByteArray bytes;
        Outcome outcome;
    } cases[] = {
        { "fonts obfuscated",
          book(kContainer, kSpine,
               { encryption("http://www.idpf.org/2008/embedding", "OEBPS/f.otf") }),
          Outcome::Read },
        { "content under DRM",
          book(kContainer, kSpine,
               { encryption("http://www.w3.org/2001/04/xmlenc#aes128-cbc",
                            "OEBPS/text/two.xhtml") }),
          Outcome::Protected },
        { "a package outside the book",
          book("<container><rootfiles><rootfile "
               "full-path='../../content.opf'/></rootfiles></container>",
               kSpine),
          Outcome::Damaged },
        { "no container",
          book("", kSpine).replace("META-INF/container.xml", "META-INF/elsewhere.xm"),
          Outcome::Damaged },
        { "an empty spine", book(kContainer, ""), Outcome::NoText },
        { "a package that is not XML", book(kContainer, "<itemref idref='c1'/><<<&&&"),
          Outcome::Read },
        { "cut in half", good.left(good.size() / 2), Outcome::Damaged },
        { "not a zip", "<html>hello</html>", Outcome::Damaged },
    };
    for (const auto &c : cases) {
        EpubReader reader;
        const FormatText result = reader.read(c.bytes);
        EXPECT_EQ(result.outcome, c.outcome) << c.what << ": " << result.failure.toStdString();
        EXPECT_EQ(result.failure.isEmpty(), c.outcome == Outcome::Read) << c.what;
    }

    // The real books: the obfuscated one reads, and a truncated one says so.
    const QString obfuscated =
        corporaFile(QStringLiteral("formats/epub/idpf-wasteland-otf-obf.epub"));
    if (obfuscated.isEmpty())
        GTEST_SKIP() << "shared corpus not present";
    EXPECT_TRUE(EpubReader().read(obfuscated).read());
    QFile file(corporaFile(QStringLiteral("formats/epub/idpf-moby-dick.epub")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const FormatText truncated = EpubReader().read(file.read(file.size() * 3 / 4));
    EXPECT_EQ(truncated.outcome, Outcome::Damaged);
    EXPECT_FALSE(truncated.failure.isEmpty());
}

} // namespace
