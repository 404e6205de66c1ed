#pragma once

#include "base/Failure.h"
#include "documents/Document.h"
#include "documents/FormatText.h"

#include <QByteArray>
#include <QString>

// Makes the Document of a file, once, for everything that shows or speaks it. EPUB, PDF,
// Word (.docx), OpenDocument text (.odt) and Markdown go through their readers, found by
// the file's first bytes where they say it (a PDF, a zip whose mimetype names EPUB or
// OpenDocument text) and else by the extension. An RTF file (by its extension, any letter
// case) is imported with its formatting; any other file is decoded by its bytes (a
// byte-order mark, else valid UTF-8, else Windows-1252) and converted from HTML, carrying
// <em>/<b> emphasis through as <emph>...</emph>.
class DocumentLoader
{
public:
    enum class Format { Text, Rtf, Epub, Pdf, Docx, Odt, Markdown };

    // A format reader's refusal: the message for the user and what went wrong, so a caller
    // can ask for a password when that is all a PDF lacks.
    class FormatFailure : public Failure
    {
    public:
        explicit FormatFailure(const FormatText &refused);
        FormatText::Outcome outcome() const { return m_outcome; }

    private:
        FormatText::Outcome m_outcome;
    };

    // Double quotes are removed from the path first (a command line may quote it). Throws a
    // Failure whose description tells the user why the file cannot be read ("The file does
    // not exist."); nothing else of a file stops its loading. `password` opens a PDF that
    // has one.
    static Document Load(const QString &path, const QByteArray &password = {});
    // The same for bytes already read, as if they came from `path`.
    static Document FromBytes(const QString &path, const QByteArray &bytes,
                              const QByteArray &password = {});

    // Throws the Failure Load throws for a file that does not exist, is a folder or may not
    // be read.
    static void CheckReadable(const QString &path);

    // What a file holds, from its first bytes (`head`; 64 are enough) and its name.
    static Format FormatOf(const QString &path, const QByteArray &head);
    // The same, reading the file's first bytes; by the name alone when it cannot be read.
    static Format FormatOfFile(const QString &path);
    // The Document of a format reader's text; a refusal is thrown as a FormatFailure.
    static Document FromFormatText(const QString &path, const FormatText &text, Format format);

    // "RTF" in any letter case after the path's last dot.
    static bool IsRtf(const QString &path);

    // The conversion of a non-RTF document's text: emphasis tags (exact case) to
    // markers, HtmlToPlainText, markers to "<emph>" and "</emph>".
    static QString PrepareText(QString text);
};
