#pragma once

#include "documents/FormatText.h"

#include <QByteArray>
#include <QString>

class ZipArchiveReader;

// Reads an OpenDocument text (.odt) into text: content.xml's body with ODF's white-space
// rules (runs of blanks are one space, text:s counts its own), paragraphs apart, text:h as
// headings at their outline level, list items one per line, table rows one per line with
// their cells apart, notes as their citation in the text and their bodies after it, the
// current text of tracked changes (deletions live apart and are left out), annotations and
// frames left out. Title and language from meta.xml. A document encrypted with a password
// (declared in the manifest) ends in a message.
class OdtReader
{
public:
    static FormatText read(const QString &path);
    static FormatText read(QByteArray bytes);
    static FormatText fromParts(const QByteArray &content, const QByteArray &meta);

private:
    static FormatText readArchive(ZipArchiveReader &zip);
};
