// The archive reader under EPUB, DOCX and ODT, fed the archives a hostile document
// brings: bombs, too many entries, forged sizes, encryption, truncation, and references
// that try to leave the book.
#include "documents/ZipArchiveReader.h"

#include "support/ZipBuilder.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray archive(const QList<ZipItem> &items,
                   const std::function<void(const QString &)> &edit = {})
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    EXPECT_TRUE(writeZip(path, items));
    if (edit)
        edit(path);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(ZipArchiveReader, ReferencesResolveInsideTheArchiveOnly)
{
    const struct
    {
        const char *from;
        const char *href;
        const char *entry; // "" for refused
    } cases[] = {
        { "OEBPS/text/a.xhtml", "b.xhtml#frag", "OEBPS/text/b.xhtml" },
        { "OEBPS/text/a.xhtml", "../images/c.png", "OEBPS/images/c.png" },
        { "OEBPS/text/a.xhtml", "./d%20e.xhtml?x=1", "OEBPS/text/d e.xhtml" },
        { "OEBPS/a.xhtml", "/META-INF/container.xml", "META-INF/container.xml" },
        { "", "OEBPS/content.opf", "OEBPS/content.opf" },
        { "OEBPS/a.xhtml", "../../etc/passwd", "" },
        { "OEBPS/a.xhtml", "%2e%2e/%2e%2e/etc/passwd", "" },
        { "a.xhtml", "../b.xhtml", "" },
        { "OEBPS/a.xhtml", "http://example.org/x.xhtml", "" },
        { "OEBPS/a.xhtml", "file:///etc/passwd", "" },
        { "OEBPS/a.xhtml", "C:\\Windows\\x", "" },
        { "OEBPS/a.xhtml", "..\\..\\x", "" },
        { "OEBPS/a.xhtml", "#only-a-fragment", "" },
        { "OEBPS/a.xhtml", "", "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ZipArchiveReader::resolve(QString::fromUtf8(c.from), QString::fromUtf8(c.href)),
                  QString::fromUtf8(c.entry))
            << c.from << " + " << c.href;
}

TEST(ZipArchiveReader, HostileArchivesEndInTheirMessage)
{
    using Outcome = FormatText::Outcome;
    const QByteArray zeros(2 << 20, '\0');
    const QByteArray normal = archive({ { "a.txt", "hello" }, { "dir/B.xml", "<b/>" } });
    QList<ZipItem> many;
    for (int i = 0; i < 60; ++i)
        many.append({ QByteArray("f") + QByteArray::number(i), "x" });

    ZipArchiveReader::Limits small;
    small.entries = 50;
    small.entryBytes = 64 << 10;
    small.totalBytes = 100 << 10;

    const struct
    {
        const char *what;
        QByteArray bytes;
        ZipArchiveReader::Limits limits;
        const char *entry; // read after opening, when set
        Outcome outcome;
    } cases[] = {
        { "a readable archive", normal, {}, "a.txt", Outcome::Read },
        { "a name in another letter case", normal, {}, "DIR/b.xml", Outcome::Read },
        { "a missing entry", normal, {}, "nothing.xml", Outcome::Damaged },
        { "no zip at all", "PK\x03\x04 but nothing after", {}, nullptr, Outcome::Damaged },
        { "empty", {}, {}, nullptr, Outcome::Damaged },
        { "cut in half", normal.left(normal.size() / 2), {}, nullptr, Outcome::Damaged },
        // Two megabytes of zeros pack into a few kilobytes: a bomb by its ratio.
        { "a zip bomb", archive({ { "bomb.xml", zeros } }), {}, "bomb.xml", Outcome::TooLarge },
        { "too many entries", archive(many), small, nullptr, Outcome::TooLarge },
        { "an entry past the size limit",
          archive({ { "big.xml", QByteArray(80 << 10, 'a'), ZipItem::File, false } }), small,
          "big.xml", Outcome::TooLarge },
        // It declares 10 bytes and holds 200 KB: what comes out is counted, not the claim.
        { "a forged size",
          archive({ { "forged.xml", QByteArray(200 << 10, 'b'), ZipItem::File, false } },
                  [](const QString &p) { forgeFirstEntrySize(p, 10); }),
          small, "forged.xml", Outcome::TooLarge },
        { "an encrypted entry",
          archive({ { "secret.xml", "<x/>", ZipItem::File, true, "pw" } }),
          {},
          "secret.xml",
          Outcome::Protected },
    };
    for (const auto &c : cases) {
        ZipArchiveReader zip(c.limits);
        const bool opened = zip.open(c.bytes);
        Outcome outcome = zip.outcome();
        QByteArray data;
        if (opened && c.entry) {
            data = zip.read(QString::fromUtf8(c.entry));
            outcome = zip.outcome();
        }
        EXPECT_EQ(outcome, c.outcome) << c.what;
        EXPECT_EQ(zip.failure().isEmpty(), c.outcome == Outcome::Read) << c.what;
        if (c.outcome == Outcome::Read && c.entry) {
            EXPECT_FALSE(data.isEmpty()) << c.what;
        }
    }
}

} // namespace
