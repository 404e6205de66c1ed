#include "ui/RichTextBox.h"

#include "documents/Document.h"
#include "documents/DocumentLoader.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

TEST(RichTextBox, PlainTextIsShownAsGivenWithOneCharacterPerLineEnd)
{
    RichTextBox view;
    view.setText(QStringLiteral("<b>Tags</b> stay.\r\nSecond line.\rThird\nFourth"));
    EXPECT_EQ(view.Text(), QStringLiteral("<b>Tags</b> stay.\nSecond line.\nThird\nFourth"));

    const int length = int(view.Text().size());
    view.setSelStart(length);
    EXPECT_EQ(view.SelStart(), length);
    view.setSelStart(length + 10);
    EXPECT_EQ(view.SelStart(), length);

    // Offsets found in Text() select exactly those characters.
    const int at = int(view.Text().indexOf(QStringLiteral("Second")));
    view.setSelStart(at);
    view.setSelLength(12);
    EXPECT_EQ(view.SelStart(), at);
    EXPECT_EQ(view.SelLength(), 12);
    EXPECT_EQ(view.textCursor().selectedText(), QStringLiteral("Second line."));
    view.setSelLength(0);
    EXPECT_EQ(view.SelStart(), at);
    EXPECT_FALSE(view.textCursor().hasSelection());

    // Whatever a document holds, the text kept for the reading is the one the view shows.
    const char16_t odd[] = u"a\tb\u00A0c\u2028d\u2029e\uFDD0f\uFDD1g\0h\r\n\vi\U0001F600\r";
    view.setText(QString::fromUtf16(odd, std::size(odd) - 1));
    EXPECT_EQ(view.Text(), view.toPlainText());
    EXPECT_EQ(view.Text().size(), qsizetype(std::size(odd)) - 2) << "CR LF is one line end";
}

TEST(RichTextBox, TextFollowsEveryChangeOfTheContent)
{
    RichTextBox view;
    view.setText(QStringLiteral("abc"));
    EXPECT_EQ(view.Text(), QStringLiteral("abc"));
    QTextCursor cursor(view.document());
    cursor.setPosition(1);
    cursor.insertText(QStringLiteral("XY"));
    EXPECT_EQ(view.Text(), QStringLiteral("aXYbc"));
    view.clear();
    EXPECT_TRUE(view.Text().isEmpty());
    view.setPlainText(QStringLiteral("typed"));
    EXPECT_EQ(view.Text(), QStringLiteral("typed"));
}

TEST(RichTextBox, SelectionFontSizeDetectsMixedSizes)
{
    RichTextBox view;
    QFont font = view.font();
    font.setPointSizeF(12);
    view.document()->setDefaultFont(font);
    view.setText(QStringLiteral("one two three\nfour"));

    view.setSelStart(0);
    view.setSelLength(int(view.Text().size()));
    EXPECT_EQ(view.SelFontSize(), 12.0);

    view.setSelStart(4);
    view.setSelLength(3);
    view.setSelFontSize(20);
    EXPECT_EQ(view.SelFontSize(), 20.0);

    view.setSelStart(0);
    view.setSelLength(int(view.Text().size()));
    EXPECT_EQ(view.SelFontSize(), std::nullopt);
    view.setSelFontSize(18);
    EXPECT_EQ(view.SelFontSize(), 18.0);

    view.setSelFontSize(0); // refused
    EXPECT_EQ(view.SelFontSize(), 18.0);

    // No selection: the size at the caret.
    view.setSelStart(2);
    EXPECT_EQ(view.SelFontSize(), 18.0);
}

TEST(RichTextBox, RtfShowsOnlyItsText)
{
    struct Case
    {
        const char *rtf;
        QString text;
    };
    const Case cases[] = {
        { "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Hello \\b world\\b0.\\par Next}",
          QStringLiteral("Hello world.\nNext") },
        { "{\\rtf1 Caf\\'e9 \\u8364? costs\\tab 5\\par}",
          QStringLiteral("Caf\u00e9 \u20ac costs\t5") },
        { "{\\rtf1{\\*\\generator Writer;}{\\info{\\title T}}Braces \\{ and \\\\ kept}",
          QStringLiteral("Braces { and \\ kept") },
        { "{\\rtf1\\uc0\\u233 t\\u233\\par}", QStringLiteral("\u00e9t\u00e9") },
    };
    for (const Case &c : cases) {
        RichTextBox view;
        const Document document = DocumentLoader::FromBytes("doc.rtf", c.rtf);
        view.showDocument(document);
        EXPECT_EQ(view.Text(), c.text) << c.rtf;
        EXPECT_EQ(view.Text(), document.text) << c.rtf;
    }
}

// The view shows a rich document's own formatting in its own font, and lets it go when
// another document comes, however long the document outlives it.
TEST(RichTextBox, ARichDocumentIsShownAsItIsAndLetGo)
{
    auto view = std::make_unique<RichTextBox>();
    QFont font = view->font();
    font.setPointSizeF(17);
    view->setFont(font);
    Document rich =
        DocumentLoader::FromBytes("doc.rtf", "{\\rtf1 Plain {\\b bold} {\\fs48 big}\\par}");
    view->setText(QStringLiteral("before"));
    view->setSelStart(3);
    view->showDocument(rich);
    EXPECT_EQ(view->document(), rich.formatted.get());
    EXPECT_EQ(view->Text(), QStringLiteral("Plain bold big"));
    EXPECT_EQ(view->SelStart(), 0);
    EXPECT_EQ(view->document()->defaultFont().pointSizeF(), 17.0);
    view->setWordMark(6, 4);
    ASSERT_TRUE(view->wordMark());

    // A plain document after it: the view's own plain format, in the view's font.
    view->setText(QStringLiteral("Plain again"));
    EXPECT_EQ(view->Text(), QStringLiteral("Plain again"));
    EXPECT_NE(view->document(), rich.formatted.get());
    EXPECT_EQ(view->document()->defaultFont().pointSizeF(), 17.0);
    EXPECT_FALSE(view->wordMark()) << "the mark belonged to the document that went";
    view->setSelStart(2);
    EXPECT_NE(view->textCursor().charFormat().fontWeight(), QFont::Bold);
    // Shown again, then the view goes first: the document stays whole for its other holders.
    view->showDocument(rich);
    view.reset();
    EXPECT_EQ(rich.formatted->toPlainText(), QStringLiteral("Plain bold big"));
}

TEST(RichTextBox, SelectedRangeIsScrolledIntoView)
{
    RichTextBox view;
    view.resize(300, 120);
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QStringLiteral("Line number %1 of the document.").arg(i);
    view.setText(lines.join(QLatin1Char('\n')));
    view.show();

    const int at = int(view.Text().indexOf(QStringLiteral("Line number 350 ")));
    view.selectRange(at, 30);
    EXPECT_EQ(view.SelStart(), at);
    EXPECT_EQ(view.SelLength(), 30);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    QTextCursor start(view.document());
    start.setPosition(at);
    const QRect rect = view.cursorRect(start);
    EXPECT_GE(rect.top(), 0);
    EXPECT_LE(rect.bottom(), view.viewport()->height());

    // Back to the top.
    view.selectRange(0, 4);
    start.setPosition(0);
    EXPECT_GE(view.cursorRect(start).top(), 0);
    EXPECT_LT(view.verticalScrollBar()->value(), rect.height());
}

// A book wrapped at a fixed width goes into the editor a paragraph per block; what the view
// shows, where each line breaks and the text it gives back are those of a block per line.
TEST(RichTextBox, AWrappedBookIsShownAsItsLinesWithABlockPerParagraph)
{
    QString book;
    for (int paragraph = 0; paragraph < 40; ++paragraph) {
        for (int line = 0; line < 1 + paragraph % 5; ++line)
            book += QStringLiteral("Paragraph %1, line %2 of the wrapped text.\n")
                        .arg(paragraph)
                        .arg(line);
        book += paragraph % 7 == 3 ? QStringLiteral("\n\n\n") : QStringLiteral("\n");
    }
    // One long paragraph without blank lines is still cut into blocks of a bounded size.
    for (int line = 0; line < 300; ++line)
        book += QStringLiteral("A line of a very long paragraph, number %1.\n").arg(line);
    const QString opening = QStringLiteral("\n\nFirst words after two blank lines.\n");
    book = opening + book;

    // Shown in slices, as a book opened before the window shows: Text() is the document's
    // whole string throughout, a selection stays inside what is shown.
    RichTextBox view;
    view.resize(500, 300);
    Document document;
    document.text = book;
    const int half = int(book.indexOf(QStringLiteral("Paragraph 20,")));
    const int threeQuarters = int(book.indexOf(QStringLiteral("number 150.")));
    view.showBeginning(document, half);
    EXPECT_TRUE(view.Text().isSharedWith(document.text));
    EXPECT_EQ(view.toPlainText(), book.left(half));
    view.selectRange(half - 5, 50);
    EXPECT_EQ(view.SelStart() + view.SelLength(), half);
    view.appendText(book.mid(half, threeQuarters - half));
    view.appendText(book.mid(threeQuarters));
    EXPECT_TRUE(view.Text().isSharedWith(document.text));
    EXPECT_EQ(view.toPlainText(), book);
    EXPECT_EQ(view.SelStart(), half - 5) << "the selection stays";
    EXPECT_LT(view.document()->blockCount(), 80);
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
        EXPECT_LE(block.length(), 4200);

    QTextEdit lineBlocks;
    lineBlocks.resize(view.size());
    lineBlocks.setPlainText(book);
    EXPECT_EQ(lineBlocks.document()->blockCount(), book.count(QLatin1Char('\n')) + 1);
    view.show();
    lineBlocks.show();
    // Both laid out to the end, so the lengths of their scroll bars compare.
    for (QTextEdit *edit : { static_cast<QTextEdit *>(&view), &lineBlocks }) {
        QTextDocument *document = edit->document();
        document->documentLayout()->blockBoundingRect(document->lastBlock());
        QCoreApplication::processEvents();
    }
    for (const QString &shownAt :
         { QStringLiteral("Paragraph 3, line 2"), QStringLiteral("Paragraph 33,"),
           QStringLiteral("number 250.") }) {
        const int at = int(book.indexOf(shownAt));
        const int length = int(shownAt.size());
        view.selectRange(at, length);
        QTextCursor same(lineBlocks.document());
        same.setPosition(at);
        same.setPosition(at + length, QTextCursor::KeepAnchor);
        lineBlocks.setTextCursor(same);
        lineBlocks.verticalScrollBar()->setValue(view.verticalScrollBar()->value());
        EXPECT_EQ(view.cursorRect(), lineBlocks.cursorRect()) << qPrintable(shownAt);
        EXPECT_EQ(view.verticalScrollBar()->maximum(), lineBlocks.verticalScrollBar()->maximum());
        EXPECT_EQ(view.viewport()->grab().toImage(), lineBlocks.viewport()->grab().toImage())
            << qPrintable(shownAt);
    }

    // A view changed while slices still come shows the change and then the slices.
    RichTextBox edited;
    edited.showBeginning(document, half);
    QTextCursor(edited.document()).insertText(QStringLiteral("Typed. "));
    EXPECT_EQ(edited.Text(), QStringLiteral("Typed. ") + book.left(half));
    edited.appendText(book.mid(half));
    EXPECT_EQ(edited.Text(), QStringLiteral("Typed. ") + book);

    // Typing a line end into a paragraph gives it back as "\n" like any other.
    QTextCursor typed(view.document());
    typed.setPosition(int(book.indexOf(QStringLiteral(" of the wrapped"))));
    typed.insertBlock();
    EXPECT_EQ(view.Text().count(QLatin1Char('\n')), book.count(QLatin1Char('\n')) + 1);
    EXPECT_EQ(view.Text(), view.toPlainText());
}
