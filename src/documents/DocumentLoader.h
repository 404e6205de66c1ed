#pragma once

#include <QString>

// What the document view must show for one document: RTF markup for the view's rich
// text, or plain text.
struct DocumentContent
{
    // True: text is the RTF markup, as the Windows-1252 text of the file byte for byte,
    // for the view's TextRTF. False: text is plain text for the view's Text.
    bool rich = false;
    QString text;
    // Whether the file could be read; an unreadable file gives empty text.
    bool read = false;
    // Why it could not be read, in words for the user (translated).
    QString failure;
};

// The content steps of opening a document: the file read whole and turned into what
// the view shows. The main window keeps the bookmark, caret, caption and pointer steps.
class DocumentLoader
{
public:
    // Double quotes are removed from the path first (a command line may quote it). An
    // RTF file (by its extension, any letter case) comes back as markup; any other file
    // is decoded by its bytes and converted from HTML, carrying <em>/<b> emphasis
    // through as <emph>...</emph>. Failures are traced, never thrown.
    static DocumentContent Load(const QString &path);

    // "RTF" in any letter case after the path's last dot.
    static bool IsRtf(const QString &path);

    // The conversion of a non-RTF document's text: emphasis tags (exact case) to
    // markers, HtmlToPlainText, markers to "<emph>" and "</emph>".
    static QString PrepareText(QString text);
};
