#pragma once

#include <QString>
#include <QStringView>

// The two markup functions the HTML conversion leans on, in-process and on Unicode text,
// so no character is lost to a single-byte code page on the way through. Both make one
// pass over the text; the result is never longer than the input.
namespace HtmlLibrary {

// Removes markup in place: every tag from "<" to the next ">", comments, and what lies
// between <script> or <style> and their closing tag, since a reader must never speak
// code. A "<" that cannot start a tag ("a < b", "<3") is text and stays; text in square
// brackets is never touched. The texts that block elements held apart stay apart: a tab
// between table cells, a line end at line breaks, list items and rows, a blank line around
// paragraphs, headings, tables and lists.
void cStripHTML(QString &text);

// The source with its named character references ("&amp;", "&eacute;", "&apos;" ...)
// replaced by their characters. Names are case-sensitive and need their ";". Numeric
// references ("&#65;") are left for the caller, which has its own rules for them.
// "&nbsp;" becomes a plain space, so that escaping a space as "&nbsp;" comes back as one.
QString cHtmlToChar(QStringView source);

} // namespace HtmlLibrary
