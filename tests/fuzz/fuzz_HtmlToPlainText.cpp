#include "FuzzApplication.h"

#include "documents/TextDecoding.h"
#include "documents/cSharedHTML.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // As a loaded document, and as raw UTF-16 so characters beyond any code page and
    // lone surrogates reach the conversion too.
    QString text = TextDecoding::decodeDocument(bytes);
    cSharedHTML::HtmlToPlainText(text);
    QString wide =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
    cSharedHTML::HtmlToPlainText(wide);
    QString escaped = wide;
    cSharedHTML::CharToHtml(escaped);
    cSharedHTML::HtmlToChar(escaped);
    return 0;
}
