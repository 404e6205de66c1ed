#include "ui/RichTextBox.h"

#include "documents/Document.h"
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

// The longest block a plain text is given, in characters, when no blank line ends it sooner.
constexpr qsizetype kLongestBlock = 4000;

// Plain text as the editor takes it: a block per paragraph, not one per line. A line end
// inside a paragraph becomes a line separator, which breaks the line just the same and which
// the editor's plain text gives back as "\n"; a paragraph ends after a blank line (or once it
// is long). A book wrapped at seventy characters then needs a fifth of the blocks, and of
// their layouts, for the same view. `blockSoFar` characters of the block go before `text`.
QString paragraphBlocks(QString text, qsizetype blockSoFar = 0)
{
    QChar *c = text.data();
    const qsizetype size = text.size();
    qsizetype blockStart = -blockSoFar;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (c[i] != QLatin1Char('\n'))
            continue;
        // The last of a run of blank lines ends the paragraph before it.
        const bool endsBlankLines =
            i == lineStart && (i + 1 == size || c[i + 1] != QLatin1Char('\n'));
        lineStart = i + 1;
        if (endsBlankLines || i - blockStart >= kLongestBlock)
            blockStart = i + 1;
        else
            c[i] = QChar::LineSeparator;
    }
    return text;
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
    watchDocument();
}

RichTextBox::~RichTextBox()
{
    // The editor still points at the shared document while it is taken down: it gets a
    // document of its own first, so the shared one may go with the last Document holding it.
    if (m_formatted)
        QTextEdit::setDocument(nullptr);
}

void RichTextBox::watchDocument()
{
    disconnect(m_contentsWatch);
    m_contentsWatch = connect(document(), &QTextDocument::contentsChange, this,
                              [this](int, int, int) { m_textValid = false; });
    m_textValid = false;
}

void RichTextBox::useDocument(const std::shared_ptr<QTextDocument> &formatted)
{
    if (formatted == m_formatted)
        return;
    // The word mark's cursor belongs to the document going away.
    setExtraSelections({});
    const QFont shownFont = font();
    QTextEdit::setDocument(formatted.get());
    // A document that does not carry its own font sizes takes the view's, as typed text does.
    document()->setDefaultFont(shownFont);
    // Let go only once the editor no longer shows it.
    m_formatted = formatted;
    watchDocument();
}

void RichTextBox::showDocument(const Document &document)
{
    if (document.formatted) {
        useDocument(document.formatted);
        setTextCursor(QTextCursor(this->document()));
        return;
    }
    showBeginning(document, document.text.size());
}

void RichTextBox::showBeginning(const Document &document, qsizetype shown)
{
    useDocument(nullptr);
    // Plain text takes the format at the caret; after a rich document that may be underlined
    // or coloured, so it starts from the view's own plain format.
    setCurrentCharFormat(QTextCharFormat());
    shown = std::clamp<qsizetype>(shown, 0, document.text.size());
    setPlainText(paragraphBlocks(document.text.left(shown)));
    // A text in the shown form is what the view gives back, character for character: the
    // view keeps the document's string instead of a copy of its own (a book's megabytes).
    m_text = document.text;
    m_textValid = true;
    m_toCome = document.text.size() - shown;
}

void RichTextBox::appendText(const QString &text)
{
    if (text.isEmpty())
        return;
    // The user's caret and selection are put back exactly: a caret at the very end would
    // otherwise travel with the text inserted there.
    const QTextCursor user = textCursor();
    const int anchor = user.anchor();
    const int position = user.position();
    const int scrolled = verticalScrollBar()->value();
    const bool wasValid = m_textValid;
    const QString shown = Document::ShownText(text);
    // Appending is not an edit the user could undo.
    const bool undo = document()->isUndoRedoEnabled();
    document()->setUndoRedoEnabled(false);
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(paragraphBlocks(shown, document()->lastBlock().length() - 1));
    document()->setUndoRedoEnabled(undo);
    // The text already shown is kept as it is; only the new part is added to it, unless
    // it is a slice of a book the view holds whole already.
    if (wasValid) {
        if (m_toCome > 0)
            m_toCome = std::max<qsizetype>(m_toCome - shown.size(), 0);
        else
            m_text += shown;
        m_textValid = true;
    }
    QTextCursor restored(document());
    restored.setPosition(anchor);
    restored.setPosition(position, QTextCursor::KeepAnchor);
    setTextCursor(restored);
    verticalScrollBar()->setValue(scrolled);
}

const QString &RichTextBox::Text() const
{
    if (!m_textValid) {
        // Changed by other hands, the view's text is what it shows: slices that still come
        // are appended to it.
        m_text = toPlainText();
        m_textValid = true;
        m_toCome = 0;
    }
    return m_text;
}

void RichTextBox::setText(const QString &text)
{
    Document plain;
    plain.text = Document::ShownText(text);
    showDocument(plain);
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
