#pragma once

#include "documents/Document.h"

#include <QByteArray>
#include <QString>

// Makes the Document of a file, once, for everything that shows or speaks it. An RTF file
// (by its extension, any letter case) is imported with its formatting; any other file is
// decoded by its bytes (a byte-order mark, else valid UTF-8, else Windows-1252) and
// converted from HTML, carrying <em>/<b> emphasis through as <emph>...</emph>.
class DocumentLoader
{
public:
    // Double quotes are removed from the path first (a command line may quote it). Throws a
    // Failure whose description tells the user why the file cannot be read ("The file does
    // not exist."); nothing else of a file stops its loading.
    static Document Load(const QString &path);
    // The same for bytes already read, as if they came from `path`.
    static Document FromBytes(const QString &path, const QByteArray &bytes);

    // "RTF" in any letter case after the path's last dot.
    static bool IsRtf(const QString &path);

    // The conversion of a non-RTF document's text: emphasis tags (exact case) to
    // markers, HtmlToPlainText, markers to "<emph>" and "</emph>".
    static QString PrepareText(QString text);
};
