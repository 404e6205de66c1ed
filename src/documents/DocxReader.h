#pragma once

#include "documents/FormatText.h"

#include <QByteArray>
#include <QString>

class ZipArchiveReader;

// Reads a Word document (.docx, transitional or Strict) into text: the main document
// part found through the package relationships, paragraphs apart, headings (by their
// style's outline level or "heading N" name) as headings, list items one per line, table
// rows one per line with their cells apart, tracked changes as accepted (insertions kept,
// deletions and moved-from text dropped), field codes and comments left out, and the
// footnotes and endnotes after the text, each with the number its mark has in the text.
// The title and language come from the document properties.
class DocxReader
{
public:
    // The parts the text is made of, unpacked.
    struct Parts
    {
        QByteArray document;
        QByteArray styles;
        QByteArray footnotes;
        QByteArray endnotes;
        QByteArray coreProperties;
    };

    static FormatText read(const QString &path);
    static FormatText read(QByteArray bytes);
    static FormatText fromParts(const Parts &parts);

private:
    static FormatText readArchive(ZipArchiveReader &zip);
};
