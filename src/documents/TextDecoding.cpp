#include "documents/TextDecoding.h"

#include "base/CodePage.h"

#include <cstring>

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

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    const auto *end = p + size;
    while (p < end) {
        // Runs of ASCII are the common case in books; step over them a word at a time.
        while (end - p >= 8) {
            quint64 word;
            memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p >= end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t min;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            const unsigned char cc = p[i];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

Encoding detect(const QByteArray &bytes)
{
    if (startsWith(bytes, { 0xFF, 0xFE }))
        return Encoding::Utf16LE;
    if (startsWith(bytes, { 0xFE, 0xFF }))
        return Encoding::Utf16BE;
    if (startsWith(bytes, { 0xEF, 0xBB, 0xBF }))
        return Encoding::Utf8;
    return isValidUtf8(bytes.constData(), bytes.size()) ? Encoding::Utf8 : Encoding::Windows1252;
}

QString decodeDocument(const QByteArray &bytes)
{
    switch (detect(bytes)) {
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
