#include "FuzzApplication.h"

#include "documents/DocumentLoader.h"

#include <QTextDocument>

#include <cstddef>
#include <cstdint>

// A whole document as the reader makes it from a file's bytes: decoding, the HTML road with
// its title and language, or the RTF importer with its title. Whatever the bytes, the text
// shown is the formatted document's text, and a title stays a line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const char *name : { "fuzz.html", "fuzz.rtf" }) {
        const Document document = DocumentLoader::FromBytes(QString::fromLatin1(name), bytes);
        if (document.rich() && document.formatted->toPlainText() != document.text)
            __builtin_trap();
        if (document.title.size() > 1000 || document.title.contains(QLatin1Char('\n')))
            __builtin_trap();
    }
    return 0;
}
