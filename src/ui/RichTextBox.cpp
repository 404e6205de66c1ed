#include "ui/RichTextBox.h"

#include "base/CodePage.h"
#include "ui/ScreenReader.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace {

// Groups whose content is not document text.
bool isSkippedDestination(const QString &word)
{
    static const QStringList destinations {
        QStringLiteral("fonttbl"),    QStringLiteral("colortbl"),
        QStringLiteral("stylesheet"), QStringLiteral("info"),
        QStringLiteral("pict"),       QStringLiteral("header"),
        QStringLiteral("footer"),     QStringLiteral("headerl"),
        QStringLiteral("headerr"),    QStringLiteral("footerl"),
        QStringLiteral("footerr"),    QStringLiteral("object"),
        QStringLiteral("listtable"),  QStringLiteral("listoverridetable"),
        QStringLiteral("rsidtbl"),    QStringLiteral("generator"),
        QStringLiteral("xmlnstbl"),
    };
    return destinations.contains(word);
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    // Tab moves on to the next control: a reader's keyboard user must not be caught here.
    setTabChangesFocus(true);
    // Translated with the window, as its other texts.
    setAccessibleName(QStringLiteral("Document"));
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int, int, int) { m_textValid = false; });
}

const QString &RichTextBox::Text() const
{
    if (!m_textValid) {
        m_text = toPlainText();
        m_textValid = true;
    }
    return m_text;
}

void RichTextBox::setText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(shown);
    m_textValid = false;
}

void RichTextBox::setTextRTF(const QString &rtf)
{
    if (m_rtfImporter) {
        m_rtfImporter(*document(), rtf);
        m_textValid = false;
        return;
    }
    setText(rtfToPlainText(rtf));
}

int RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int position)
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(position, 0, textLength()));
    setTextCursor(cursor);
}

int RichTextBox::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    const int start = SelStart();
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(std::clamp(start + std::max(length, 0), start, textLength()),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichTextBox::selectRange(int start, int length)
{
    const int from = std::clamp(start, 0, textLength());
    const int to = std::clamp(from + std::max(length, 0), from, textLength());
    QTextCursor cursor(document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
    // Showing the end may have pushed the start of a long sentence off the top; the
    // start is where the listener's eyes go, so it wins.
    QTextCursor startCursor(document());
    startCursor.setPosition(from);
    const int top = cursorRect(startCursor).top();
    if (top < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + top);
    // Each spoken sentence reaches a screen reader as the selection and the caret, whatever
    // Qt itself reports for a selection made by the program.
    QAccessibleTextSelectionEvent selected(this, from, to);
    ScreenReader::notify(selected);
    QAccessibleTextCursorEvent caret(this, to);
    ScreenReader::notify(caret);
}

double RichTextBox::effectiveSize(const QTextCharFormat &format) const
{
    if (format.hasProperty(QTextFormat::FontPointSize))
        return format.fontPointSize();
    const double size = document()->defaultFont().pointSizeF();
    return size > 0 ? size : font().pointSizeF();
}

std::optional<double> RichTextBox::SelFontSize() const
{
    return fontSizeOf(textCursor());
}

std::optional<double> RichTextBox::fontSizeOf(const QTextCursor &cursor) const
{
    if (!cursor.hasSelection())
        return effectiveSize(cursor.charFormat());
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    std::optional<double> size;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= from || fragment.position() >= to)
                continue;
            const double fragmentSize = effectiveSize(fragment.charFormat());
            if (!size)
                size = fragmentSize;
            else if (!qFuzzyCompare(*size, fragmentSize))
                return std::nullopt;
        }
    }
    return size ? size : effectiveSize(cursor.charFormat());
}

void RichTextBox::setSelFontSize(double points)
{
    if (!(points >= 1))
        return;
    QTextCursor cursor = textCursor();
    QTextCharFormat format;
    format.setFontPointSize(points);
    cursor.mergeCharFormat(format);
    // Typing after the change should use the new size too.
    mergeCurrentCharFormat(format);
}

std::optional<double> RichTextBox::TextFontSize() const
{
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    return fontSizeOf(all);
}

void RichTextBox::setTextFontSize(double points)
{
    if (!(points >= 1))
        return;
    // A cursor of its own: the view's caret, selection and scroll stay where they are.
    const int scrolledTo = verticalScrollBar()->value();
    const int scrollRange = verticalScrollBar()->maximum();
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFontPointSize(points);
    all.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
    // The same place in the text stays in view at the new size.
    if (scrollRange > 0)
        verticalScrollBar()->setValue(
            int(qint64(scrolledTo) * verticalScrollBar()->maximum() / scrollRange));
    ensureCursorVisible();
}

void RichTextBox::showEvent(QShowEvent *event)
{
    QTextEdit::showEvent(event);
    // A highlight made while the window was still hidden scrolls into view now.
    ensureCursorVisible();
}

QString RichTextBox::rtfToPlainText(const QString &rtf)
{
    QString out;
    out.reserve(rtf.size());
    struct Group
    {
        bool skip;
        int unicodeSkip;
    };
    QList<Group> groups { { false, 1 } };
    int pendingSkip = 0; // fallback characters still to drop after a \uN
    const qsizetype n = rtf.size();
    auto put = [&](QChar ch) {
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (!groups.last().skip)
            out.append(ch);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = rtf.at(i);
        if (ch == QLatin1Char('{')) {
            groups.append(groups.last());
        } else if (ch == QLatin1Char('}')) {
            if (groups.size() > 1)
                groups.removeLast();
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            continue;
        } else if (ch != QLatin1Char('\\')) {
            put(ch);
        } else if (i + 1 < n) {
            const QChar next = rtf.at(i + 1);
            if (next.isLetter()) {
                qsizetype j = i + 1;
                while (j < n && rtf.at(j).isLetter())
                    ++j;
                const QString word = rtf.mid(i + 1, j - i - 1);
                qsizetype k = j;
                if (k < n && (rtf.at(k) == QLatin1Char('-') || rtf.at(k).isDigit()))
                    ++k;
                while (k < n && rtf.at(k).isDigit())
                    ++k;
                const bool hasParam = k > j;
                const int param = hasParam ? rtf.mid(j, k - j).toInt() : 0;
                if (k < n && rtf.at(k) == QLatin1Char(' '))
                    ++k;
                i = k - 1;
                pendingSkip = 0;
                if (word == QLatin1String("par") || word == QLatin1String("line"))
                    put(QLatin1Char('\n'));
                else if (word == QLatin1String("tab"))
                    put(QLatin1Char('\t'));
                else if (word == QLatin1String("uc"))
                    groups.last().unicodeSkip = param;
                else if (word == QLatin1String("u") && hasParam) {
                    put(QChar(char16_t(param < 0 ? param + 65536 : param)));
                    pendingSkip = groups.last().unicodeSkip;
                } else if (isSkippedDestination(word))
                    groups.last().skip = true;
            } else if (next == QLatin1Char('\'') && i + 3 < n) {
                bool ok = false;
                const int byte = rtf.mid(i + 2, 2).toInt(&ok, 16);
                if (ok)
                    put(CodePage::byteToChar(static_cast<unsigned char>(byte)));
                i += 3;
            } else if (next == QLatin1Char('*')) {
                groups.last().skip = true;
                ++i;
            } else {
                if (next == QLatin1Char('\\') || next == QLatin1Char('{')
                    || next == QLatin1Char('}'))
                    put(next);
                else if (next == QLatin1Char('~'))
                    put(QChar(0x00A0));
                else if (next == QLatin1Char('_'))
                    put(QLatin1Char('-'));
                else if (next == QLatin1Char('\r') || next == QLatin1Char('\n'))
                    put(QLatin1Char('\n'));
                ++i;
            }
        }
    }
    // Every RTF paragraph ends in \par; the last one is no line of its own.
    while (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

namespace {
// Tells the word mark apart from any other extra selection.
constexpr int kWordMarkProperty = QTextFormat::UserProperty + 1;
} // namespace

QColor RichTextBox::wordMarkColor()
{
    return QColor(255, 196, 0);
}

void RichTextBox::setWordMark(int start, int length)
{
    const int end = std::clamp(start + length, 0, textLength());
    start = std::clamp(start, 0, end);
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document());
    mark.cursor.setPosition(start);
    mark.cursor.setPosition(end, QTextCursor::KeepAnchor);
    mark.format.setBackground(wordMarkColor());
    mark.format.setForeground(QColor(Qt::black));
    mark.format.setProperty(kWordMarkProperty, true);
    QList<QTextEdit::ExtraSelection> selections;
    for (const QTextEdit::ExtraSelection &s : extraSelections()) {
        if (!s.format.hasProperty(kWordMarkProperty))
            selections.append(s);
    }
    if (end > start)
        selections.append(mark);
    setExtraSelections(selections);
}

void RichTextBox::clearWordMark()
{
    if (wordMark())
        setWordMark(0, 0);
}

std::optional<std::pair<int, int>> RichTextBox::wordMark() const
{
    for (const QTextEdit::ExtraSelection &s : extraSelections()) {
        if (s.format.hasProperty(kWordMarkProperty) && s.cursor.hasSelection())
            return std::pair { s.cursor.selectionStart(),
                               s.cursor.selectionEnd() - s.cursor.selectionStart() };
    }
    return std::nullopt;
}

void RichTextBox::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    paintWordMark();
}

// Qt paints the selection over the extra selections, which would hide the word inside the
// spoken sentence: the marked word is painted once more on top, through the block's own
// layout, so it looks exactly like the text with the mark's colours.
void RichTextBox::paintWordMark()
{
    const std::optional<std::pair<int, int>> mark = wordMark();
    if (!mark)
        return;
    QTextEdit::ExtraSelection selection;
    for (const QTextEdit::ExtraSelection &s : extraSelections()) {
        if (s.format.hasProperty(kWordMarkProperty))
            selection = s;
    }
    const int start = mark->first;
    const int end = mark->first + mark->second;
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        QTextLayout *text = block.layout();
        if (!text)
            continue;
        // Where the layout's own coordinates sit in the document (cells of a table have an
        // offset of their own).
        const QPointF origin = layout->blockBoundingRect(block).topLeft() - text->position();
        QTextLayout::FormatRange range;
        range.start = std::max(start, block.position()) - block.position();
        range.length =
            std::min(end, block.position() + block.length()) - block.position() - range.start;
        range.format = selection.format;
        QRegion clip;
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            const int from = std::max(range.start, line.textStart());
            const int to =
                std::min(range.start + range.length, line.textStart() + line.textLength());
            if (from >= to)
                continue;
            const qreal x1 = line.cursorToX(from);
            const qreal x2 = line.cursorToX(to);
            const QRectF r(QPointF(std::min(x1, x2), line.y()),
                           QPointF(std::max(x1, x2), line.y() + line.height()));
            clip += r.translated(text->position() + origin).toAlignedRect();
        }
        if (clip.isEmpty())
            continue;
        painter.save();
        painter.setClipRegion(clip);
        text->draw(&painter, origin, { range });
        painter.restore();
    }
}
