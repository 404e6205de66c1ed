#include "documents/DocumentLoader.h"

#include "base/Failure.h"
#include "documents/RtfImporter.h"
#include "support/Corpora.h"
#include "support/TempProgramFolder.h"
#include "ui/RichTextBox.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
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
          "One & <emph>two</emph>\nthree - Д" },
        { "noext", "<i>plain</i>", "plain" },
        { "lines.txt",
          "one\r\ntwo\rthree\u2028four\xc2\xa0"
          "five",
          "one\ntwo\nthree\nfour five" },
    };
    for (const auto &c : cases) {
        folder.writeBytes(QString::fromLatin1(c.name), c.bytes);
        const Document document = DocumentLoader::Load(folder.file(QString::fromLatin1(c.name)));
        EXPECT_FALSE(document.rich()) << c.name;
        EXPECT_EQ(document.text, u(c.shown)) << c.name;
        EXPECT_TRUE(document.headings.isEmpty()) << c.name;
        EXPECT_TRUE(document.complete) << c.name;
    }
}

// The title, language and encoding the document states or its bytes show.
TEST(DocumentLoader, TitleLanguageAndEncoding)
{
    TempProgramFolder folder;
    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *title;
        const char *language;
        const char *encoding;
    } cases[] = {
        { "book.html",
          "<html lang=\"de-AT\"><head><title>Der  &amp;\n Titel</title></head>"
          "<body>Text</body></html>",
          "Der & Titel", "de-AT", "UTF-8" },
        { "bare.html", "<HTML LANG=fr><HEAD><TITLE>Caf\xe9</TITLE></HEAD>x", "Caf\xc3\xa9", "fr",
          "Windows-1252" },
        // A title outside the head is text, and an attribute that is no language is none.
        { "body.html", "<html lang=\"x;y\"><body><title>No</title></body>", "", "", "UTF-8" },
        { "plain.txt", "\xff\xfeT\0", "", "", "UTF-16LE" },
        { "doc.rtf", "{\\rtf1{\\info{\\title The \\'e9t\\u233?}{\\author Me}}Body\\par}",
          "The \xc3\xa9t\xc3\xa9", "", "RTF" },
        { "fake.rtf", "not rtf at all", "", "", "Windows-1252" },
    };
    for (const auto &c : cases) {
        folder.writeBytes(QString::fromLatin1(c.name), c.bytes);
        const Document document = DocumentLoader::Load(folder.file(QString::fromLatin1(c.name)));
        EXPECT_EQ(document.title, u(c.title)) << c.name;
        EXPECT_EQ(document.language, u(c.language)) << c.name;
        EXPECT_EQ(document.encoding, u(c.encoding)) << c.name;
    }
}

TEST(DocumentLoader, RtfDocumentsComeWithTheirFormatting)
{
    TempProgramFolder folder;
    const QByteArray rtf = "{\\rtf1\\ansi {\\b caf\\'e9} <b>x</b>\\par}";
    for (const char *name : { "doc.rtf", "DOC.RTF", "doc.Rtf" }) {
        folder.writeBytes(QString::fromLatin1(name), rtf);
        const Document document = DocumentLoader::Load(folder.file(QString::fromLatin1(name)));
        ASSERT_TRUE(document.rich()) << name;
        // No emphasis conversion on rich text: its own formatting shows.
        EXPECT_EQ(document.text, u("café <b>x</b>")) << name;
        EXPECT_EQ(document.formatted->toPlainText(), document.text) << name;
    }
    // Every byte above 127 reaches the importer as it is in the file.
    const QByteArray high = "{\\rtf1 \x81\x8d\x8f\x90\x9d\xe9\\u8364?}";
    folder.writeBytes("high.rtf", high);
    EXPECT_EQ(DocumentLoader::Load(folder.file("high.rtf")).text, RtfImporter::plainText(high));
    // A file named .rtf that holds no RTF shows as the text it is, line ends and all.
    folder.writeBytes("plain.rtf", "Just text,\r\nnot {\\rtf at all.");
    const Document plain = DocumentLoader::Load(folder.file("plain.rtf"));
    EXPECT_FALSE(plain.rich());
    EXPECT_EQ(plain.text, "Just text,\nnot {\\rtf at all.");
}

TEST(DocumentLoader, QuotedPathsAndUnreadableFiles)
{
    TempProgramFolder folder;
    folder.writeBytes("my book.txt", "quoted path works");
    const QString quoted = QLatin1Char('"') + folder.file("my book.txt") + QLatin1Char('"');
    const Document document = DocumentLoader::Load(quoted);
    EXPECT_EQ(document.text, "quoted path works");
    EXPECT_EQ(document.path, folder.file("my book.txt"));

    // What cannot be read stops the load with the reason in the user's words.
    folder.writeBytes("locked.txt", "secret");
    QFile::setPermissions(folder.file("locked.txt"), QFileDevice::Permissions());
    const bool root = QFile(folder.file("locked.txt")).open(QIODevice::ReadOnly);
    const struct
    {
        QString path;
        const char *reason;
        int code;
    } cases[] = {
        { folder.file("missing.txt"), "The file does not exist.", FailureCode::FileNotFound },
        { folder.file("missing.rtf"), "The file does not exist.", FailureCode::FileNotFound },
        { folder.path(), "It is a folder, not a document.", FailureCode::PathFileAccess },
        { folder.file("locked.txt"), "You are not allowed to read it.",
          FailureCode::PathFileAccess },
    };
    for (const auto &c : cases) {
        if (root && c.path.endsWith("locked.txt"))
            continue; // root reads every file
        try {
            DocumentLoader::Load(c.path);
            ADD_FAILURE() << qPrintable(c.path) << " loaded";
        } catch (const Failure &failure) {
            EXPECT_EQ(failure.description(), c.reason) << qPrintable(c.path);
            EXPECT_EQ(failure.code(), c.code) << qPrintable(c.path);
        }
    }
}

// The one line-end rule is what a text view makes of a text: a view given Document::ShownText
// of a text shows the same characters as a view given the text itself.
TEST(DocumentLoader, ShownTextIsWhatATextViewShows)
{
    QStringList texts = {
        QString(),
        QStringLiteral("plain"),
        QStringLiteral("a\r\nb\rc\nd\r\r\n\n\r"),
        QString::fromUtf16(u"nbsp\u00a0ls\u2028ps\u2029frame\ufdd0\ufdd1end"),
        QString::fromUtf16(u"nul\u0000 obj\ufffc tab\t ff\f lone\xd800 pair\U0001F600", 31),
    };
    // And whole documents as the loader prepares them, before the rule.
    QDirIterator it(corporaFolder(), { "*.txt", "*.htm", "*.html" }, QDir::Files,
                    QDirIterator::Subdirectories);
    for (int n = 0; it.hasNext() && n < 40; ++n) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.size() < 2'000'000)
            texts << DocumentLoader::PrepareText(QString::fromUtf8(file.readAll()));
    }
    for (const QString &text : texts) {
        QTextDocument view;
        view.setPlainText(text);
        EXPECT_EQ(Document::ShownText(text), view.toPlainText()) << qPrintable(text.left(60));
    }
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
            view.showDocument(DocumentLoader::Load(folder.file(QString::fromLatin1(name))));
            EXPECT_EQ(view.Text(), "CHAPTER I\n\nIt begins.\nStill.\n\nNext.")
                << name << " " << e.toHex().toStdString();
        }
    }
}

TEST(DocumentLoader, ContentInTheDocumentView)
{
    TempProgramFolder folder;
    RichTextBox view;

    folder.writeBytes("doc.rtf",
                      "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 First {\\b bold} "
                      "line.\\par\\qc Second\\~line \\u8364?5.\\par}");
    view.showDocument(DocumentLoader::Load(folder.file("doc.rtf")));
    EXPECT_EQ(view.Text(), u("First bold line.\nSecond line €5."));
    const int bold = int(view.Text().indexOf(QLatin1String("bold")));
    view.setSelStart(bold);
    view.setSelLength(4);
    EXPECT_EQ(view.textCursor().selectedText(), "bold");
    EXPECT_EQ(view.textCursor().charFormat().fontWeight(), QFont::Bold);
    view.setSelStart(int(view.Text().size()));
    EXPECT_EQ(view.SelStart(), int(view.Text().size()));

    folder.writeBytes("doc.html", "<p>One<br>Two &amp; <b>three</b></p>");
    view.showDocument(DocumentLoader::Load(folder.file("doc.html")));
    EXPECT_EQ(view.Text(), "One\nTwo & <emph>three</emph>");
    // Back to a rich document and once more plain: each shows as itself.
    view.showDocument(DocumentLoader::Load(folder.file("doc.rtf")));
    EXPECT_EQ(view.Text(), u("First bold line.\nSecond line €5."));
    view.showDocument(DocumentLoader::Load(folder.file("doc.html")));
    EXPECT_EQ(view.Text(), "One\nTwo & <emph>three</emph>");
    view.setSelStart(0);
    EXPECT_NE(view.textCursor().charFormat().fontWeight(), QFont::Bold);
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

namespace {

QByteArray corpusBytes(const QString &relative)
{
    QFile file(corporaFile(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where a heading points, the text says it: its first word starts there (case and
// numbering aside), so the Contents lands on the heading and Read reads it first.
void expectHeadingsInPlace(const Document &document, const char *name)
{
    for (const Document::Heading &heading : document.headings) {
        ASSERT_GE(heading.position, 0) << name;
        ASSERT_LE(heading.position, document.text.size()) << name;
        const QString firstWord = heading.title.section(QLatin1Char(' '), -1).toLower();
        const QString there = document.text.mid(heading.position, 400).toLower();
        EXPECT_TRUE(there.contains(firstWord))
            << name << ": \"" << heading.title.toStdString() << "\" at " << heading.position
            << " finds \"" << there.left(60).toStdString() << "\"";
    }
}

} // namespace

// Each format through its reader into the one Document: the text starts as the file's first
// words, the title and language it states, headings where their text is, and no markup.
TEST(DocumentLoader, EveryFormatBecomesItsDocument)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    TempProgramFolder folder;
    const struct
    {
        const char *file;
        const char *starts; // among the first 300 characters
        const char *title;
        const char *firstHeading; // empty: none expected
        const char *encoding;
    } cases[] = {
        { "formats/epub/readium-SmokeTest-EPUB2.epub", "Excerpt from King Solomon's Mines",
          "SmokeTest - EPUB 2", "1. King Solomon's Mines", "EPUB" },
        { "formats/epub/idpf-wasteland.epub", "The Waste Land", "The Waste Land",
          "I. THE BURIAL OF THE DEAD", "EPUB" },
        { "formats/pdf/pdkids.pdf", "PD KIDS", "", "", "PDF" },
        { "formats/docx/docx4j_sample-docx.docx", "Docx sample document", "",
          "Docx sample document", "DOCX" },
        { "formats/odt/odftoolkit_doc_heading_table.odt", "Weit hinten, hinter den Wortbergen", "",
          "", "ODT" },
        { "formats/markdown/commonmark-README.md", "CommonMark", "CommonMark", "CommonMark",
          "UTF-8" },
    };
    for (const auto &c : cases) {
        const Document document = DocumentLoader::Load(corporaFile(QString::fromLatin1(c.file)));
        EXPECT_TRUE(document.text.left(300).contains(QString::fromUtf8(c.starts)))
            << c.file << " starts \"" << document.text.left(120).toStdString() << "\"";
        EXPECT_EQ(document.title, QString::fromUtf8(c.title)) << c.file;
        EXPECT_EQ(document.encoding, QString::fromLatin1(c.encoding)) << c.file;
        EXPECT_FALSE(document.text.contains(QLatin1String("<p")) || document.text.contains("**"))
            << c.file;
        EXPECT_FALSE(document.text.contains(QLatin1Char('\r'))) << c.file;
        EXPECT_TRUE(document.complete && !document.rich()) << c.file;
        if (*c.firstHeading) {
            ASSERT_FALSE(document.headings.isEmpty()) << c.file;
            EXPECT_EQ(document.headings.first().title, QString::fromUtf8(c.firstHeading)) << c.file;
        }
        expectHeadingsInPlace(document, c.file);
    }
    const Document epub2 = DocumentLoader::Load(
        corporaFile(QStringLiteral("formats/epub/readium-SmokeTest-EPUB2.epub")));
    EXPECT_EQ(epub2.language, QStringLiteral("en"));
    EXPECT_EQ(epub2.headings.size(), 2);
}

// What a file holds decides before its name does, where its first bytes say it: a PDF or an
// EPUB under another name is read as what it is, not shown as bytes.
TEST(DocumentLoader, ContentOutweighsTheName)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    TempProgramFolder folder;
    const struct
    {
        const char *from;
        const char *as;
        DocumentLoader::Format format;
    } cases[] = {
        { "formats/pdf/pdkids.pdf", "book.txt", DocumentLoader::Format::Pdf },
        { "formats/epub/bmaupin-minimal-v2.epub", "book.zip", DocumentLoader::Format::Epub },
        { "formats/epub/bmaupin-minimal-v2.epub", "book", DocumentLoader::Format::Epub },
        { "formats/odt/odftoolkit_footnote.odt", "notes.html", DocumentLoader::Format::Odt },
        { "formats/docx/mammoth_tables.docx", "tables.DOCX", DocumentLoader::Format::Docx },
        { "formats/markdown/commonmark-README.md", "read.Markdown",
          DocumentLoader::Format::Markdown },
    };
    for (const auto &c : cases) {
        const QByteArray bytes = corpusBytes(QString::fromLatin1(c.from));
        folder.writeBytes(QString::fromLatin1(c.as), bytes);
        const QString path = folder.file(QString::fromLatin1(c.as));
        EXPECT_EQ(DocumentLoader::FormatOfFile(path), c.format) << c.as;
        const Document document = DocumentLoader::Load(path);
        EXPECT_EQ(document.text,
                  DocumentLoader::Load(corporaFile(QString::fromLatin1(c.from))).text)
            << c.as;
        EXPECT_FALSE(document.text.contains(QChar(0xFFFD))) << c.as;
    }
    // A text that only mentions a PDF is a text.
    folder.writeBytes(QStringLiteral("note.txt"), "About %PDF- files.");
    EXPECT_EQ(DocumentLoader::Load(folder.file(QStringLiteral("note.txt"))).text,
              QStringLiteral("About %PDF- files."));
}

// Cut short, overwritten with junk or empty: every format ends in its message for the user,
// never in a crash or in bytes shown as text.
TEST(DocumentLoader, DamagedFilesOfEveryFormatGiveAMessage)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    TempProgramFolder folder;
    const QString damaged = FormatText::messageFor(FormatText::Outcome::Damaged);
    const char *const sources[] = { "formats/epub/idpf-wasteland.epub", "formats/pdf/pdkids.pdf",
                                    "formats/docx/docx4j_sample-docx.docx",
                                    "formats/odt/odftoolkit_doc_heading_table.odt" };
    for (const char *source : sources) {
        const QByteArray whole = corpusBytes(QString::fromLatin1(source));
        const QString extension = QString::fromLatin1(source).section(QLatin1Char('.'), -1);
        const std::pair<const char *, QByteArray> damages[] = {
            { "first half", whole.first(whole.size() / 2) },
            { "first 100 bytes", whole.first(100) },
            { "junk", QByteArray(5000, 'x') },
            { "empty", QByteArray() },
        };
        for (const auto &[how, bytes] : damages) {
            const QString name = QStringLiteral("damaged.") + extension;
            folder.writeBytes(name, bytes);
            const std::string what = std::string(source) + ", " + how;
            try {
                const Document document = DocumentLoader::Load(folder.file(name));
                ADD_FAILURE() << what << " opened: \"" << document.text.left(80).toStdString()
                              << "\"";
            } catch (const DocumentLoader::FormatFailure &failure) {
                EXPECT_FALSE(failure.description().isEmpty()) << what;
                EXPECT_NE(failure.outcome(), FormatText::Outcome::Read) << what;
                if (failure.outcome() == FormatText::Outcome::Damaged) {
                    EXPECT_EQ(failure.description(), damaged) << what;
                }
            }
        }
    }
}

// A PDF with a user password says so, and opens with the right one only; one with an empty
// user password (an owner password alone) opens without asking.
TEST(DocumentLoader, PasswordProtectedPdf)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "the shared corpora are not beside the project";
    if (QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty())
        GTEST_SKIP() << "qpdf is not installed (scripts/install-deps)";
    TempProgramFolder folder;
    const QString locked = folder.file(QStringLiteral("locked.pdf"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("qpdf"),
                                { "--encrypt", "secret", "owner", "256", "--",
                                  corporaFile(QStringLiteral("formats/pdf/pdkids.pdf")), locked }),
              0);
    const QString plain = DocumentLoader::Load(corporaFile("formats/pdf/pdkids.pdf")).text;
    const struct
    {
        QByteArray password;
        FormatText::Outcome outcome;
    } cases[] = {
        { {}, FormatText::Outcome::NeedsPassword },
        { "wrong", FormatText::Outcome::WrongPassword },
        { "secret", FormatText::Outcome::Read },
    };
    for (const auto &c : cases) {
        try {
            EXPECT_EQ(DocumentLoader::Load(locked, c.password).text, plain) << c.password.data();
            EXPECT_EQ(c.outcome, FormatText::Outcome::Read) << c.password.data();
        } catch (const DocumentLoader::FormatFailure &failure) {
            EXPECT_EQ(failure.outcome(), c.outcome) << c.password.data();
            EXPECT_EQ(failure.description(), FormatText::messageFor(c.outcome));
        }
    }
    EXPECT_TRUE(DocumentLoader::Load(corporaFile("formats/pdf/bug900822.pdf")).text.size() > 100);
}
