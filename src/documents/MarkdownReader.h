#pragma once

#include "documents/FormatText.h"

#include <QByteArray>
#include <QString>

// Reads a Markdown document (CommonMark, with GitHub's tables, strike-through and task
// lists) into the text it renders to, not its markup: paragraphs apart, headings as
// headings, list items and table rows one per line, cells apart, code as written, raw HTML
// through the HTML conversion, images left out. A YAML front-matter block at the top is
// not text; its "title:" is the title, else the first top-level heading is.
class MarkdownReader
{
public:
    static FormatText read(const QString &path);
    static FormatText fromBytes(const QByteArray &bytes);
};
