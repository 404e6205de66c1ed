#include "documents/RtfImporter.h"

#include "documents/DocumentLoader.h"
#include "support/Corpora.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QString text(const char *rtf)
{
    return RtfImporter::plainText(QByteArray(rtf));
}

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// The format of the character at a position of the view's text.
QTextCharFormat formatAt(QTextDocument &doc, int position)
{
    QTextCursor cursor(&doc);
    cursor.setPosition(position);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return cursor.charFormat();
}

int find(const QTextDocument &doc, const char *what)
{
    return int(doc.toPlainText().indexOf(QLatin1String(what)));
}

TEST(RtfImporter, CharacterFormattingAtPositions)
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\deff0"
        "{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "\\fs24 plain {\\b bold} {\\i italic} {\\ul under}{\\ulnone  no} "
        "{\\strike gone} {\\f1\\fs40 big} {\\cf1 red}{\\cf2\\b blue}"
        " {\\b\\i\\plain reset} after\\par}";
    QTextDocument doc;
    ASSERT_TRUE(RtfImporter::import(rtf, &doc));
    EXPECT_EQ(doc.toPlainText(), "plain bold italic under no gone big redblue reset after");

    const QTextCharFormat plain = formatAt(doc, find(doc, "plain"));
    EXPECT_EQ(plain.fontWeight(), QFont::Normal);
    EXPECT_FALSE(plain.fontItalic());
    EXPECT_EQ(plain.fontPointSize(), 12.0);
    EXPECT_EQ(plain.fontFamilies().toStringList(), QStringList { "Times New Roman" });
    EXPECT_FALSE(plain.hasProperty(QTextFormat::ForegroundBrush));

    EXPECT_EQ(formatAt(doc, find(doc, "bold")).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(doc, find(doc, "bold") + 4).fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatAt(doc, find(doc, "italic")).fontItalic());
    EXPECT_TRUE(formatAt(doc, find(doc, "under")).fontUnderline());
    EXPECT_FALSE(formatAt(doc, find(doc, " no") + 1).fontUnderline());
    EXPECT_TRUE(formatAt(doc, find(doc, "gone")).fontStrikeOut());

    const QTextCharFormat big = formatAt(doc, find(doc, "big"));
    EXPECT_EQ(big.fontPointSize(), 20.0);
    EXPECT_EQ(big.fontFamilies().toStringList(), QStringList { "Arial" });

    EXPECT_EQ(formatAt(doc, find(doc, "red")).foreground().color(), QColor(255, 0, 0));
    const QTextCharFormat blue = formatAt(doc, find(doc, "blue"));
    EXPECT_EQ(blue.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(blue.fontWeight(), QFont::Bold);

    const QTextCharFormat reset = formatAt(doc, find(doc, "reset"));
    EXPECT_EQ(reset.fontWeight(), QFont::Normal);
    EXPECT_FALSE(reset.fontItalic());
}

TEST(RtfImporter, ParagraphsLinesTabsAndAlignment)
{
    QTextDocument doc;
    ASSERT_TRUE(RtfImporter::import("{\\rtf1 left\\par\\qc centred\\line same\\par"
                                    "\\pard\\qr right\\tab tabbed\\par\\pard\\qj just\\par}",
                                    &doc));
    EXPECT_EQ(doc.toPlainText(), u("left\ncentred\nsame\nright\ttabbed\njust"));
    ASSERT_EQ(doc.blockCount(), 4);
    const Qt::Alignment expected[] = { Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                       Qt::AlignJustify };
    QTextBlock block = doc.begin();
    for (Qt::Alignment align : expected) {
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, align)
            << block.text().toStdString();
        block = block.next();
    }
    // A line break stays inside its paragraph, and counts as one character.
    EXPECT_EQ(doc.begin().next().text(), u("centred\u2028same"));
}

TEST(RtfImporter, TablesCellsAsTabsRowsAsLines)
{
    EXPECT_EQ(text("{\\rtf1\\trowd\\cellx1000\\cellx2000 \\intbl a\\cell b\\cell\\row"
                   "\\trowd \\intbl c\\cell\\cell d\\cell\\row\\pard after\\par}"),
              "a\tb\nc\t\td\nafter");
}

TEST(RtfImporter, UnicodeAndSkippedFallbacks)
{
    struct Case
    {
        const char *rtf;
        const char *expected;
    } cases[] = {
        { "{\\rtf1 \\u8364?x}", "€x" },
        { "{\\rtf1 \\u-3913?}", "\xef\x82\xb7" }, // negative values wrap to 16 bits
        { "{\\rtf1 \\uc2\\u233\\'e9\\'e9x}", "éx" },
        { "{\\rtf1 \\uc0\\u233 x}", "éx" },
        { "{\\rtf1 {\\uc3\\u233 abc}\\u233?y}", "ééy" }, // \uc ends with its group
        { "{\\rtf1 \\u233{b}}", "éb" },
        { "{\\rtf1 \\u55357?\\u56832?!}", "😀!" },
        { "{\\rtf1 \\u56832?\\u55357?x}", "\xef\xbf\xbd\xef\xbf\xbdx" },
        { "{\\rtf1 a\\u0?b}", "ab" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(text(c.rtf), u(c.expected)) << c.rtf;
}

TEST(RtfImporter, CodePagesOfDocumentAndFonts)
{
    struct Case
    {
        const char *rtf;
        const char *expected;
    } cases[] = {
        { "{\\rtf1\\ansi \\'93quoted\\'94 caf\\'e9 \\'80}", "“quoted” café €" },
        { "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}", "Привет" },
        { "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial CYR;}}"
          "\\f0 caf\\'e9 {\\f1 \\'cc\\'e8\\'f0} \\'e9}",
          "café Мир é" },
        { "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 "
          "\\'82\\'a0\\'82\\'a2 \\'93\\'fa\\'96\\'7b}",
          "あい 日本" },
        { "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 Mincho;}}\\f0 \\'83A}", "ア" },
        { "{\\rtf1\\mac \\'8e\\'87}", "éá" },
        { "{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2\\'e3}", "αβγ" },
        { "{\\rtf1\\ansi\\ansicpg99999 caf\\'e9}", "café" },
        { "{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'e8}", "Šč" },
        // The Symbol font's letters are Greek; other symbol fonts keep their bytes.
        { "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1\\fcharset2 Symbol;}{\\f2\\fcharset2 Wingdings;}}"
          "\\f0 x {\\f1 abG\\'b3} {\\f1\\u61543?} {\\f2 J}}",
          "x αβΓ≥ γ J" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(text(c.rtf), u(c.expected)) << c.rtf;
}

TEST(RtfImporter, SymbolWordsAndEscapes)
{
    EXPECT_EQ(text("{\\rtf1 a\\emdash b\\endash c\\lquote d\\rquote e\\ldblquote f\\rdblquote "
                   "g\\bullet h\\~i\\-j\\_k \\{\\}\\\\}"),
              u("a—b–c‘d’e“f”g•h ij\u2011k {}\\"));
    // The view's plain text shows the no-break space as a space; the document keeps it.
    QTextDocument doc;
    RtfImporter::import("{\\rtf1 h\\~i}", &doc);
    EXPECT_EQ(doc.toRawText(), u("h\u00A0i"));
}

TEST(RtfImporter, DestinationsAreSkipped)
{
    EXPECT_EQ(text("{\\rtf1{\\fonttbl{\\f0{\\*\\panose 0}Times{\\*\\falt T};}}"
                   "{\\stylesheet{\\s0 Normal;}}{\\info{\\title The Title}{\\author Me}}"
                   "{\\header Header text\\par}{\\footer Footer}{\\*\\generator Writer;}"
                   "{\\*\\unknown hidden {nested} text}"
                   "{\\pict\\wmetafile8 0123456789abcdef}"
                   "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} "
                   "{\\v hidden}shown\\par"
                   // For readers that cannot show nested tables; this one shows them.
                   "{\\nonesttables NESTED FALLBACK ONE\\par}}"),
              "link shown");
}

TEST(RtfImporter, BinaryDataIsSkippedByCount)
{
    // The raw bytes hold braces and backslashes that must not be read as markup.
    const QByteArray rtf = QByteArray("{\\rtf1 a{\\pict\\bin6 ") + QByteArray("}{\\\0x", 6)
        + QByteArray("}b{\\*\\shprslt\\bin3 }}}}c\\par}");
    EXPECT_EQ(RtfImporter::plainText(rtf), "abc");
    // A count beyond the end stops at the end.
    EXPECT_EQ(text("{\\rtf1 a{\\pict\\bin999999999 xyz}}"), "a");
    EXPECT_EQ(text("{\\rtf1 a\\bin2 xyzb}"), "azb");
}

TEST(RtfImporter, BadInputIsSafe)
{
    struct Case
    {
        const char *rtf;
        const char *expected;
    } cases[] = {
        { "{\\rtf1 {\\b bold", "bold" }, // truncated
        { "{\\rtf1 a}} trailing", "a" }, // text after the document's end
        { "{\\rtf1 a}}}}{{{b", "a" },
        { "{\\rtf1 a\\", "a" }, // ends on a backslash
        { "{\\rtf1 a\\'4", "a4" }, // half a hex escape is no escape
        { "{\\rtf1 \\fs-5 \\fs99999999999999999999 x}", "x" },
        { "{\\rtf1 \\uc-4\\u65 ?x}", "A?x" },
        { "{\\rtf1 {\\*\\skipped never closed", "" },
        { "{\\rtf1 \\verylongcontrolwordthatgoesonandonandonandonandon1 x}", "x" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(text(c.rtf), u(c.expected)) << c.rtf;

    QByteArray deep = "{\\rtf1 ";
    deep += QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + " end}";
    EXPECT_EQ(RtfImporter::plainText(deep), "deep end");
}

TEST(RtfImporter, OnlyRtfIsImported)
{
    QTextDocument doc;
    doc.setPlainText("kept");
    EXPECT_FALSE(RtfImporter::import("plain text", &doc));
    EXPECT_FALSE(RtfImporter::import("", &doc));
    EXPECT_EQ(doc.toPlainText(), "kept");
    EXPECT_TRUE(RtfImporter::import(" \r\n{\\rtf1 x}", &doc));
    EXPECT_EQ(doc.toPlainText(), "x");

    // A document's RTF reaches the importer as the file's bytes; a file named .rtf that holds
    // no RTF is shown as the text it is.
    EXPECT_EQ(DocumentLoader::FromBytes("doc.rtf", "{\\rtf1 caf\\'e9 \xe9}").text, u("café é"));
    EXPECT_EQ(DocumentLoader::FromBytes("doc.rtf", "not rtf {\\b at all}").text,
              "not rtf {\\b at all}");
}

// Real documents written by other programs, against the text their renderings show.
TEST(RtfImporter, CorpusDocumentsGiveTheirText)
{
    struct Case
    {
        const char *file;
        const char *contains;
    } cases[] = {
        { "rtf/libreoffice/bin-skipping.rtf", "text" },
        { "rtf/rtfpipe/rtf2xml/char_upper_ranges.rtf", "Ö::00D6" },
        { "rtf/rtfpipe/rtf2xml/char_upper_ranges_hex.rtf", "Ü:00DC" },
        { "rtf/rtfpipe/rtf2xml/japanese.rtf", "ダウンロード" },
        { "rtf/rtfpipe/rtf2xml/table_simple.rtf", "Cell one\tCell two\nCell three\tCell four" },
        { "rtf/rtfpipe/Issue34.rtf", "Гулько" },
        { "rtf/rtfpipe/rtf2xml/headers_footers.rtf", "Body Text" },
    };
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "shared corpora not present, real documents not compared";
    for (const auto &c : cases) {
        QFile file(corporaFile(QString::fromLatin1(c.file)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        const QString shown = RtfImporter::plainText(file.readAll());
        EXPECT_TRUE(shown.contains(u(c.contains))) << c.file << "\n" << shown.toStdString();
        EXPECT_FALSE(shown.contains(u("MUST NOT IMPORT"))) << c.file;
        EXPECT_FALSE(shown.contains(u("Header"))) << c.file;
    }
}

} // namespace
