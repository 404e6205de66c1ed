#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// Windows-1252, the single-byte code page of every file Orlin keeps. One byte is one
// character both ways; nothing else in the program converts between bytes and text.
namespace CodePage {

// Bytes to text: every byte becomes one character. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the
// same value, so that reading then writing gives the bytes back unchanged.
QString toUnicode(const QByteArray &bytes);
QString toUnicode(const char *data, qsizetype size);

// Text to bytes: characters outside the code page become "?".
QByteArray fromUnicode(QStringView text);

// One character each way; fromUnicode of a character outside the code page is '?'.
QChar byteToChar(unsigned char byte);
char charToByte(QChar ch);

// Whether the character has a place in the code page.
bool canEncode(QChar ch);

} // namespace CodePage
