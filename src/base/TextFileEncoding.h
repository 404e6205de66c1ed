#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// How Orlin's own text files (settings, bookmarks, pronunciation list, language files, log)
// turn into text and back: written as UTF-8 without a byte-order mark, read as UTF-8 when
// the bytes are valid UTF-8 and as Windows-1252 otherwise, so that files from earlier
// installations keep working. The file services are the only users; nothing else converts.
namespace TextFileEncoding {

QString decode(const QByteArray &bytes);
QByteArray encode(QStringView text);

// Whether the bytes are Windows-1252 text of an earlier installation, not UTF-8.
bool isLegacy(const QByteArray &bytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF, no truncated
// sequence at the end.
bool isValidUtf8(const char *data, qsizetype size);

} // namespace TextFileEncoding
