#pragma once

#include <QList>
#include <QString>
#include <memory>

class QTextDocument;

// One opened document, made once by DocumentLoader and taken as it is by everything that
// shows or speaks it: the view shows it (RichTextBox::showDocument), Read and Read to WAV
// take their text from the caret in `text`, OrlinSpeak prints, cuts and renders `text`.
// Positions anywhere in the program (the caret, bookmarks, the spoken sentence, headings)
// count UTF-16 units of `text`.
//
// A loader that needs long for a big book may hand out the first pages as a document with
// `complete` false and append to `text` (and `formatted`) later; whatever has been handed
// out keeps its positions.
struct Document
{
    // A place the reader can jump to (a chapter), in reading order.
    struct Heading
    {
        QString title;
        int position = 0; // where it starts in `text`
        int level = 1; // 1 for a top-level heading
    };

    // The file it came from, without the quotes a command line may put round it.
    QString path;
    // The text as the view shows it and a reading takes it: every line end is one "\n"
    // (ShownText).
    QString text;
    // The formatting the view shows, for a rich document (RTF); null for plain text. Its
    // plain text is `text`, character for character. The view that shows it takes it over.
    std::shared_ptr<QTextDocument> formatted;
    // The title the document gives itself (an HTML <title>, an RTF \title); empty if none.
    QString title;
    // The document's language as it states it ("en", "de-AT"); empty if it does not.
    QString language;
    // How the file's bytes were read: "UTF-8", "UTF-16LE", "UTF-16BE", "Windows-1252",
    // or "RTF" for RTF, which names its own code pages inside.
    QString encoding;
    // Chapters and sections, for the formats that mark them; empty for text, HTML and RTF.
    QList<Heading> headings;
    // False while a loader is still appending to a document already shown.
    bool complete = true;

    bool rich() const { return formatted != nullptr; }

    // The one rule for what the view shows of a text: CR LF, a lone CR and the separators a
    // text view breaks lines at (U+2028, U+2029) become "\n"; a no-break space becomes a
    // space, as a text view gives its text back.
    static QString ShownText(QString text);
};
