#include "documents/TextDecoding.h"

#include "support/Corpora.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using TextDecoding::Encoding;

TEST(TextDecoding, RecognisesTheEncodingByItsBytes)
{
    struct Case
    {
        QByteArray bytes;
        Encoding encoding;
        QString text;
    } cases[] = {
        { "", Encoding::Utf8, "" },
        { "plain ASCII", Encoding::Utf8, "plain ASCII" },
        { "caf\xc3\xa9 \xe2\x80\x9cq\xe2\x80\x9d", Encoding::Utf8, QString::fromUtf8("café “q”") },
        { "\xef\xbb\xbf"
          "BOM dropped",
          Encoding::Utf8, "BOM dropped" },
        { "\xf0\x9f\x98\x80", Encoding::Utf8, QString::fromUtf8("😀") },
        { "caf\xe9 \x93q\x94 \x80", Encoding::Windows1252, QString::fromUtf8("café “q” €") },
        // Not UTF-8: overlong, surrogate, beyond U+10FFFF, truncated, stray continuation.
        { "\xc0\xaf", Encoding::Windows1252, QString::fromUtf8("À¯") },
        { "\xed\xa0\x80", Encoding::Windows1252, QString::fromUtf8("í\u00a0€") },
        { "\xf4\x90\x80\x80", Encoding::Windows1252, QString::fromUtf8("ô\u0090€€") },
        { "end \xe2\x82", Encoding::Windows1252, QString::fromUtf8("end â‚") },
        { "\x80 alone", Encoding::Windows1252, QString::fromUtf8("€ alone") },
        { QByteArray("\xff\xfe"
                     "A\0\x14\x04",
                     6),
          Encoding::Utf16LE, QString::fromUtf8("AД") },
        { QByteArray("\xfe\xff\0A\x04\x14", 6), Encoding::Utf16BE, QString::fromUtf8("AД") },
        { QByteArray("\xff\xfe"
                     "A\0B",
                     5),
          Encoding::Utf16LE, QString::fromUtf8("A\uFFFD") },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TextDecoding::detect(c.bytes), c.encoding) << c.bytes.toHex().toStdString();
        EXPECT_EQ(TextDecoding::decodeDocument(c.bytes), c.text) << c.bytes.toHex().toStdString();
    }
}

TEST(TextDecoding, LongValidTextWithLateFault)
{
    // The fast ASCII stride must not step over a fault near the end.
    QByteArray bytes(10000, 'a');
    EXPECT_EQ(TextDecoding::detect(bytes), Encoding::Utf8);
    bytes[9997] = '\xe9';
    EXPECT_EQ(TextDecoding::detect(bytes), Encoding::Windows1252);
}

TEST(TextDecoding, RealBooks)
{
    struct Case
    {
        const char *file;
        Encoding encoding;
        const char *contains;
    } cases[] = {
        { "gutenberg_books/2600-0.txt", Encoding::Utf8, "War and Peace" },
        { "gutenberg_books/74-0.txt", Encoding::Windows1252, "“" },
        { "gutenberg_books/15122/15122-8.txt", Encoding::Windows1252, "é" },
        { "gutenberg_books/15122/15122.txt", Encoding::Utf8, "Little Colonel" },
    };
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "shared corpora not present, real books not decoded";
    for (const auto &c : cases) {
        QFile file(corporaFile(QString::fromLatin1(c.file)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(TextDecoding::detect(bytes), c.encoding) << c.file;
        const QString text = TextDecoding::decodeDocument(bytes);
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.contains))) << c.file;
        EXPECT_NE(text.front(), QChar(0xFEFF)) << c.file;
    }
}

} // namespace
