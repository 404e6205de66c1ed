#pragma once

#include <QByteArray>
#include <QString>

// Decoding of documents the user opens. Orlin's own files are Windows-1252 byte for
// byte (CodePage.h); documents come from anywhere, and most of today's are UTF-8, so
// they are recognised by their bytes instead.
namespace TextDecoding {

enum class Encoding { Utf16LE, Utf16BE, Utf8, Windows1252 };

// UTF-16 when a UTF-16 byte-order mark starts the bytes, UTF-8 when the UTF-8 mark
// starts them or they are valid UTF-8 throughout, Windows-1252 otherwise.
Encoding detect(const QByteArray &bytes);

// The text of the document; a byte-order mark is not part of it.
QString decodeDocument(const QByteArray &bytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF, no
// truncated sequence at the end.
bool isValidUtf8(const char *data, qsizetype size);

} // namespace TextDecoding
