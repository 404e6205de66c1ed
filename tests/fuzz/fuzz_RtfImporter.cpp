#include "FuzzApplication.h"

#include "documents/RtfImporter.h"

#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    QString title;
    // Most random inputs are not RTF at all; give those the header, so the parser
    // itself sees them.
    if (!RtfImporter::import(bytes, &doc, &title))
        RtfImporter::import("{\\rtf1 " + bytes, &doc, &title);
    (void)doc.toPlainText();
    if (title.size() > 1000)
        __builtin_trap();
    return 0;
}
