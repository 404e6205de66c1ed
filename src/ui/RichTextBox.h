#pragma once

#include "ui/DocumentView.h"

#include <QString>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>
#include <optional>

struct Document;

// The document view: the open document, the caret and the highlight of the sentence
// being spoken. Every offset counts characters of the string Text() returns, with one
// "\n" per line end, so a position found by scanning Text() selects exactly those
// characters.
class RichTextBox : public QTextEdit, public DocumentView
{
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    // The displayed document as one plain string. Kept until the content changes, so
    // the reading code can ask for it once per sentence of a whole book.
    const QString &Text() const override;
    // Shows a document: its formatting when it is rich (the view takes that formatted
    // document over and shows it as it is), else its text, unformatted. Text() is then the
    // document's text, character for character. The caret goes to the top.
    void showDocument(const Document &document) override;
    void showBeginning(const Document &document, qsizetype shown) override;
    void appendText(const QString &text) override;
    // Replaces the content by plain text, shown unformatted: tags stay visible. Line ends
    // count as Document::ShownText counts them.
    void setText(const QString &text);

    int SelStart() const override;
    // Moves the caret; the selection goes.
    void setSelStart(int position) override;
    int SelLength() const override;
    // Selects from SelStart on; 0 leaves only the caret.
    void setSelLength(int length) override;
    // Selects in one step and scrolls the selection into view (the spoken sentence), and tells
    // assistive technology which text is now selected.
    void selectRange(int start, int length) override;
    bool isOnScreen() const override { return isVisible(); }

    // The size in points of the selected characters (of the character before the
    // caret when nothing is selected); empty when the selection mixes sizes.
    std::optional<double> SelFontSize() const;
    // Resizes every selected character. Sizes below one point are refused and leave
    // the text as it was.
    void setSelFontSize(double points);
    // The same for the whole text, leaving the caret, the selection (a highlight) and the
    // place in view as they are.
    std::optional<double> TextFontSize() const;
    void setTextFontSize(double points);

    // The word being heard, marked inside the selected sentence with a mark of its own
    // (an amber background), held as one of the view's extra selections so it follows
    // edits of the document. The selection is left exactly as it is.
    void setWordMark(int start, int length);
    void clearWordMark();
    // The marked word as start and length; nothing when none is marked.
    std::optional<std::pair<int, int>> wordMark() const;
    // The mark's background colour.
    static QColor wordMarkColor();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The characters shown (of a book coming in slices, fewer than Text() holds).
    int textLength() const { return document()->characterCount() - 1; }
    void paintWordMark();
    double effectiveSize(const class QTextCharFormat &format) const;
    std::optional<double> fontSizeOf(const class QTextCursor &cursor) const;

    void useDocument(const std::shared_ptr<QTextDocument> &formatted);
    void watchDocument();

    // The rich document shown now, shared with the Document it came from; null while the
    // view shows its own.
    std::shared_ptr<QTextDocument> m_formatted;
    QMetaObject::Connection m_contentsWatch;
    mutable QString m_text;
    mutable bool m_textValid = false;
    // Of a book coming in slices, the characters of m_text still to be shown.
    mutable qsizetype m_toCome = 0;
};
