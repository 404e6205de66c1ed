#include "ui/RichTextBox.h"

#include <QScrollBar>
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
        view.setTextRTF(QString::fromLatin1(c.rtf));
        EXPECT_EQ(view.Text(), c.text) << c.rtf;
    }
}

TEST(RichTextBox, AnInstalledRtfImporterFillsTheDocument)
{
    RichTextBox view;
    view.setRtfImporter([](QTextDocument &document, const QString &) {
        document.setHtml(QStringLiteral("<p><b>Bold</b> text</p>"));
    });
    view.setText(QStringLiteral("before"));
    view.setTextRTF(QStringLiteral("{\\rtf1 ignored}"));
    EXPECT_EQ(view.Text(), QStringLiteral("Bold text"));
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
