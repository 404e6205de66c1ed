#include "documents/DocumentLoader.h"

#include "documents/RtfImporter.h"
#include "support/TempProgramFolder.h"
#include "ui/RichTextBox.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(DocumentLoader, TextAndHtmlDocumentsBecomePlainText)
{
    TempProgramFolder folder;
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *shown;
    } cases[] = {
        { "emph.txt", "a <b>word</b> and <em>more</em>",
          "a <emph>word</emph> and <emph>more</emph>" },
        // Only the lower-case tags carry emphasis; the others are markup like any tag.
        { "upper.txt", "a <B>word</B> <EM>x</EM>", "a word x" },
        { "markers.txt", "[emph]literal[/emph]", "<emph>literal</emph>" },
        { "maths.txt", "x < y and y > z", "x < y and y > z" },
        { "utf8.txt", "caf\xc3\xa9 \xe2\x80\x94 \xd0\x9c\xd0\xb8\xd1\x80", "café — Мир" },
        { "bom.txt", "\xef\xbb\xbfstarts here", "starts here" },
        { "cp1252.txt", "caf\xe9 \x93quoted\x94", "café “quoted”" },
        { "utf16.txt", QByteArray("\xff\xfe<\0b\0>\0\x14\x04<\0/\0b\0>\0", 18), "<emph>Д</emph>" },
        { "page.html",
          "<html><head><title>T</title><style>p{}</style></head><body><p>One &amp; "
          "<b>two</b><br>three&nbsp;&#8212; &#1044;</p></body></html>",
          "One & <emph>two</emph>\r\nthree - Д" },
        { "noext", "<i>plain</i>", "plain" },
    };
    for (const auto &c : cases) {
        folder.writeBytes(QString::fromLatin1(c.name), c.bytes);
        const DocumentContent content =
            DocumentLoader::Load(folder.file(QString::fromLatin1(c.name)));
        EXPECT_TRUE(content.read) << c.name;
        EXPECT_FALSE(content.rich) << c.name;
        EXPECT_EQ(content.text, u(c.shown)) << c.name;
    }
}

TEST(DocumentLoader, RtfDocumentsComeBackAsMarkupForTheView)
{
    TempProgramFolder folder;
    const QByteArray rtf = "{\\rtf1\\ansi {\\b caf\\'e9} <b>x</b>\\par}";
    for (const char *name : { "doc.rtf", "DOC.RTF", "doc.Rtf" }) {
        folder.writeBytes(QString::fromLatin1(name), rtf);
        const DocumentContent content =
            DocumentLoader::Load(folder.file(QString::fromLatin1(name)));
        EXPECT_TRUE(content.rich) << name;
        EXPECT_EQ(content.text, QString::fromLatin1(rtf)) << name;
        QTextDocument doc;
        RtfImporter::setDocumentRtf(doc, content.text);
        // No emphasis conversion on rich text: its own formatting shows.
        EXPECT_EQ(doc.toPlainText(), u("café <b>x</b>")) << name;
    }
    // Bytes above 127 reach the importer unchanged through the view's text.
    folder.writeBytes("high.rtf", "{\\rtf1 \x81\x8d\x8f\x90\x9d\xe9}");
    const DocumentContent high = DocumentLoader::Load(folder.file("high.rtf"));
    EXPECT_EQ(RtfImporter::plainText(QByteArray("{\\rtf1 \x81\x8d\x8f\x90\x9d\xe9}")), [&] {
        QTextDocument doc;
        RtfImporter::setDocumentRtf(doc, high.text);
        return doc.toPlainText();
    }());
}

TEST(DocumentLoader, QuotedPathsAndUnreadableFiles)
{
    TempProgramFolder folder;
    folder.writeBytes("my book.txt", "quoted path works");
    const QString quoted = QLatin1Char('"') + folder.file("my book.txt") + QLatin1Char('"');
    const DocumentContent content = DocumentLoader::Load(quoted);
    EXPECT_TRUE(content.read);
    EXPECT_EQ(content.text, "quoted path works");

    const DocumentContent missing = DocumentLoader::Load(folder.file("missing.txt"));
    EXPECT_FALSE(missing.read);
    EXPECT_TRUE(missing.text.isEmpty());
    const DocumentContent missingRtf = DocumentLoader::Load(folder.file("missing.rtf"));
    EXPECT_FALSE(missingRtf.read);
    EXPECT_TRUE(missingRtf.rich);
    EXPECT_TRUE(DocumentLoader::Load(folder.path()).text.isEmpty());
}

// The document view with the importer installed, as the program runs it: formatted
// text shows its characters only, and caret offsets count exactly those.
// Today's books come with LF line ends: a blank line between paragraphs and after a
// heading must still be one in the view, whatever the line ends and the kind of file.
TEST(DocumentLoader, BlankLinesSurviveWhateverTheLineEnds)
{
    TempProgramFolder folder;
    RichTextBox view;
    for (const char *end : { "\n", "\r", "\r\n" }) {
        const QByteArray e(end);
        const QByteArray body = "CHAPTER I" + e + e + "It begins." + e + "Still." + e + e + "Next.";
        folder.writeBytes("book.txt", body);
        folder.writeBytes("book.html", "<html><body><pre>" + body + "</pre></body></html>");
        for (const char *name : { "book.txt", "book.html" }) {
            view.setText(DocumentLoader::Load(folder.file(QString::fromLatin1(name))).text);
            EXPECT_EQ(view.Text(), "CHAPTER I\n\nIt begins.\nStill.\n\nNext.")
                << name << " " << e.toHex().toStdString();
        }
    }
}

TEST(DocumentLoader, ContentInTheDocumentView)
{
    TempProgramFolder folder;
    RichTextBox view;
    view.setRtfImporter(&RtfImporter::setDocumentRtf);

    folder.writeBytes("doc.rtf",
                      "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 First {\\b bold} "
                      "line.\\par\\qc Second\\~line \\u8364?5.\\par}");
    const DocumentContent rtf = DocumentLoader::Load(folder.file("doc.rtf"));
    view.setTextRTF(rtf.text);
    EXPECT_EQ(view.Text(), u("First bold line.\nSecond line €5."));
    const int bold = int(view.Text().indexOf(QLatin1String("bold")));
    view.setSelStart(bold);
    view.setSelLength(4);
    EXPECT_EQ(view.textCursor().selectedText(), "bold");
    EXPECT_EQ(view.textCursor().charFormat().fontWeight(), QFont::Bold);
    view.setSelStart(int(view.Text().size()));
    EXPECT_EQ(view.SelStart(), int(view.Text().size()));

    folder.writeBytes("doc.html", "<p>One<br>Two &amp; <b>three</b></p>");
    view.setText(DocumentLoader::Load(folder.file("doc.html")).text);
    EXPECT_EQ(view.Text(), "One\nTwo & <emph>three</emph>");
}

TEST(DocumentLoader, RtfByExtensionOnly)
{
    EXPECT_TRUE(DocumentLoader::IsRtf("/a/b.rtf"));
    EXPECT_TRUE(DocumentLoader::IsRtf("C:\\docs\\B.RTF"));
    EXPECT_FALSE(DocumentLoader::IsRtf("/a/b.rtf.txt"));
    EXPECT_FALSE(DocumentLoader::IsRtf("/a/rtf"));
    EXPECT_FALSE(DocumentLoader::IsRtf("/a/b.rtfd"));
}

} // namespace
