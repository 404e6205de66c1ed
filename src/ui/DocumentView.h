#pragma once

#include <QString>

struct Document;

// What the reader's logic needs of the document view: showing a document, its text, the
// caret and the selection. Every offset counts characters of Text(). The main window's
// RichTextBox is one; a controller's tests use a plain one of their own.
class DocumentView
{
public:
    virtual ~DocumentView() = default;

    // Shows the document; Text() is then its text. The caret goes to the top.
    virtual void showDocument(const Document &document) = 0;
    // Shows the first `shown` characters of a plain document, whose rest follows through
    // appendText (a book taken in slices). Text() is the whole text from now on, the
    // document's own string, so a reading may start anywhere in it at once.
    virtual void showBeginning(const Document &document, qsizetype shown) = 0;
    // Appends text to a plain document shown (the rest of a long PDF as it is read, the
    // next slice of a book): the caret, the selection and the place in view stay as they are.
    virtual void appendText(const QString &text) = 0;
    // The text shown (of a book taken in slices, all of it), as one string with one "\n"
    // per line end.
    virtual const QString &Text() const = 0;
    virtual int SelStart() const = 0;
    // Moves the caret; the selection goes.
    virtual void setSelStart(int position) = 0;
    virtual int SelLength() const = 0;
    // Selects from SelStart on; 0 leaves only the caret.
    virtual void setSelLength(int length) = 0;
    // Selects in one step and brings the selection into view (the spoken sentence).
    virtual void selectRange(int start, int length) = 0;
    // Whether the view is on the screen: a hidden one takes text in without laying it out.
    virtual bool isOnScreen() const = 0;
};
