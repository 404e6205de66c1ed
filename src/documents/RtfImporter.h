#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// Reads RTF into a QTextDocument with its formatting: paragraphs and line breaks, tabs,
// bold, italic, underline, strike-through, font sizes and faces, colours and paragraph
// alignment; text in any code page the document names, and Unicode. Pictures, headers,
// footers, document information and other non-text parts are skipped; table cells come
// out separated by tabs and rows by paragraph breaks.
//
// Any input is safe: braces may be unbalanced, the file cut short, groups nested
// without limit, counts absurd. The parser keeps its own stack and never recurses.
class RtfImporter
{
public:
    // Replaces the document's content. Returns false, leaving the document untouched,
    // when the bytes do not start as RTF ("{\rtf", after blanks).
    static bool import(const QByteArray &rtf, QTextDocument *doc);

    // The document view's rich-text content: the markup arrives as the Windows-1252 text
    // of the file, byte for byte; text that is not RTF is shown as it is.
    static void setDocumentRtf(QTextDocument &doc, const QString &rtf);

    // The text a view would show, for callers that need no formatting.
    static QString plainText(const QByteArray &rtf);

    static bool looksLikeRtf(const QByteArray &bytes);
};
