#pragma once

#include <QString>
#include <QTextEdit>
#include <functional>
#include <optional>

class QTextDocument;

// The document view: the open document, the caret and the highlight of the sentence
// being spoken. Every offset counts characters of the string Text() returns, with one
// "\n" per line end, so a position found by scanning Text() selects exactly those
// characters.
class RichTextBox : public QTextEdit
{
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);

    // The displayed document as one plain string. Kept until the content changes, so
    // the reading code can ask for it once per sentence of a whole book.
    const QString &Text() const;
    // Replaces the content by plain text, shown unformatted: tags stay visible.
    // CR LF and lone CR count as one line end, as the view shows them.
    void setText(const QString &text);
    // Replaces the content by RTF markup, shown formatted through the RTF importer.
    void setTextRTF(const QString &rtf);

    int SelStart() const;
    // Moves the caret; the selection goes.
    void setSelStart(int position);
    int SelLength() const;
    // Selects from SelStart on; 0 leaves only the caret.
    void setSelLength(int length);
    // Selects in one step and scrolls the selection into view (the spoken sentence), and tells
    // assistive technology which text is now selected.
    void selectRange(int start, int length);

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

    // Turns RTF markup into this view's document. Until a full importer is set (the main
    // window sets Orlin's), the markup is stripped to its text.
    using RtfImporter = std::function<void(QTextDocument &document, const QString &rtf)>;
    void setRtfImporter(RtfImporter importer) { m_rtfImporter = std::move(importer); }
    // The crude importer: control words, groups and destinations removed, \par as a
    // line end, \'hh as a Windows-1252 character, \uN as that character.
    static QString rtfToPlainText(const QString &rtf);

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int textLength() const { return int(Text().size()); }
    void paintWordMark();
    double effectiveSize(const class QTextCharFormat &format) const;
    std::optional<double> fontSizeOf(const class QTextCursor &cursor) const;

    RtfImporter m_rtfImporter;
    mutable QString m_text;
    mutable bool m_textValid = false;
};
