#include "documents/TextDecoding.h"

#include "base/CodePage.h"
#include "base/TextFileEncoding.h"

namespace TextDecoding {

namespace {

bool startsWith(const QByteArray &bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char m : mark) {
        if (static_cast<unsigned char>(bytes[i++]) != m)
            return false;
    }
    return true;
}

QString decodeUtf16(const char *data, qsizetype size, bool littleEndian)
{
    const qsizetype units = size / 2;
    QString text(units, Qt::Uninitialized);
    QChar *out = text.data();
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned char a = in[2 * i];
        const unsigned char b = in[2 * i + 1];
        out[i] = QChar(char16_t(littleEndian ? (a | (b << 8)) : ((a << 8) | b)));
    }
    // A dangling odd byte is a truncated character, not text.
    if (size % 2)
        text.append(QChar::ReplacementCharacter);
    return text;
}

} // namespace

Encoding detect(const QByteArray &bytes)
{
    if (startsWith(bytes, { 0xFF, 0xFE }))
        return Encoding::Utf16LE;
    if (startsWith(bytes, { 0xFE, 0xFF }))
        return Encoding::Utf16BE;
    if (startsWith(bytes, { 0xEF, 0xBB, 0xBF }))
        return Encoding::Utf8;
    return TextFileEncoding::isValidUtf8(bytes.constData(), bytes.size()) ? Encoding::Utf8
                                                                          : Encoding::Windows1252;
}

QString decodeDocument(const QByteArray &bytes)
{
    return decodeDocument(bytes, detect(bytes));
}

QString decodeDocument(const QByteArray &bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
        return decodeUtf16(bytes.constData() + 2, bytes.size() - 2, true);
    case Encoding::Utf16BE:
        return decodeUtf16(bytes.constData() + 2, bytes.size() - 2, false);
    case Encoding::Utf8:
        if (startsWith(bytes, { 0xEF, 0xBB, 0xBF }))
            return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
        return QString::fromUtf8(bytes);
    case Encoding::Windows1252:
        break;
    }
    return CodePage::toUnicode(bytes);
}

} // namespace TextDecoding
