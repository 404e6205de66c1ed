#pragma once

#include <QByteArray>
#include <QString>

// Decoding of documents the user opens. Orlin's own files have their own rule
// (base/TextFileEncoding.h); documents come from anywhere, so they are recognised by
// their bytes: a byte-order mark, else valid UTF-8, else Windows-1252.
namespace TextDecoding {

enum class Encoding { Utf16LE, Utf16BE, Utf8, Windows1252 };

// UTF-16 when a UTF-16 byte-order mark starts the bytes, UTF-8 when the UTF-8 mark
// starts them or they are valid UTF-8 throughout, Windows-1252 otherwise.
Encoding detect(const QByteArray &bytes);

// The text of the document; a byte-order mark is not part of it.
QString decodeDocument(const QByteArray &bytes);
// The same for bytes whose encoding detect() has already named.
QString decodeDocument(const QByteArray &bytes, Encoding encoding);

} // namespace TextDecoding
