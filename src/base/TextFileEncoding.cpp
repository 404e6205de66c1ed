#include "base/TextFileEncoding.h"

#include "base/CodePage.h"

#include <cstring>

namespace TextFileEncoding {

namespace {

bool startsWithMark(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
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

bool isLegacy(const QByteArray &bytes)
{
    return !isValidUtf8(bytes.constData(), bytes.size());
}

QString decode(const QByteArray &bytes)
{
    if (isLegacy(bytes))
        return CodePage::toUnicode(bytes);
    // A mark an editor put there is not part of the text.
    if (startsWithMark(bytes))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    return QString::fromUtf8(bytes);
}

QByteArray encode(QStringView text)
{
    return text.toUtf8();
}

} // namespace TextFileEncoding
