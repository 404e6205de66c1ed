#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads RTF into a QTextDocument with its formatting: paragraphs and line breaks, tabs,
// bold, italic, underline, strike-through, font sizes and faces, colours and paragraph
// alignment; text in any code page the document names, and Unicode. Pictures, headers,
// footers, document information and other non-text parts are skipped; table cells come
// out separated by tabs and rows by paragraph breaks. Orlin's one RTF parser: the view
// shows the document it fills, and every other reader of RTF takes that document's text.
//
// Any input is safe: braces may be unbalanced, the file cut short, groups nested
// without limit, counts absurd. The parser keeps its own stack and never recurses.
class RtfImporter
{
public:
    // Replaces the document's content; `title`, when given, gets the \title of the
    // document's information (empty when there is none). Returns false, leaving the
    // document untouched, when the bytes do not start as RTF ("{\rtf", after blanks).
    static bool import(const QByteArray &rtf, QTextDocument *doc, QString *title = nullptr);

    // The text a view would show, for callers that need no formatting.
    static QString plainText(const QByteArray &rtf);

    static bool looksLikeRtf(const QByteArray &bytes);
};
