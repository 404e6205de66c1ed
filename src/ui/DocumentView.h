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
    // Appends text to a plain document shown (the rest of a long PDF as it is read): the
    // caret, the selection and the place in view stay as they are.
    virtual void appendText(const QString &text) = 0;
    // The text shown, grown piece by piece, is `whole` (the document's own string): the
    // view keeps that string instead of its own copy. Anything else is left as it is.
    virtual void adoptWholeText(const QString &whole) = 0;
    // The text shown, as one string with one "\n" per line end.
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
