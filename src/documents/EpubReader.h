#pragma once

#include "documents/FormatText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class ZipArchiveReader;

// Reads an EPUB 2 or 3 book into text: container.xml, then the package, then each
// document of the spine in reading order through the same HTML conversion as an HTML
// file. Items the spine marks non-linear (covers, pop-up notes, answer keys) come after
// the linear ones, so nothing of the book is out of reach and the main text reads
// straight through. The toc (EPUB 3 navigation document, else the EPUB 2 NCX) gives the
// headings, placed where their target element's text begins. Images, scripts, styles and
// fonts are never read; obfuscated fonts do not matter; a book whose content documents
// are encrypted (DRM) ends in a message.
class EpubReader
{
public:
    FormatText read(const QString &path);
    FormatText read(QByteArray bytes);

    // The entry names of the documents whose text was read, in the order it was read.
    const QStringList &readingOrder() const { return m_order; }

private:
    FormatText readArchive(ZipArchiveReader &zip);
    QStringList m_order;
};
