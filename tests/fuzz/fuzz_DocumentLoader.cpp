#include "FuzzApplication.h"

#include "documents/DocumentLoader.h"

#include <QTextDocument>

#include <cstddef>
#include <cstdint>

// A whole document as the reader makes it from a file's bytes: decoding, the HTML road with
// its title and language, the RTF importer with its title, or a format reader chosen by the
// bytes or the name. Whatever the bytes, the text shown is the formatted document's text, a
// title stays a line, headings point into the text, and a refusal is a FormatFailure with a
// message (nothing else is thrown).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const char *name :
         { "fuzz.html", "fuzz.rtf", "fuzz.epub", "fuzz.docx", "fuzz.odt", "fuzz.md" }) {
        Document document;
        try {
            document = DocumentLoader::FromBytes(QString::fromLatin1(name), bytes);
        } catch (const DocumentLoader::FormatFailure &refused) {
            if (refused.description().isEmpty())
                __builtin_trap();
            continue;
        }
        for (const Document::Heading &heading : std::as_const(document.headings)) {
            if (heading.position < 0 || heading.position > document.text.size())
                __builtin_trap();
        }
        if (document.rich() && document.formatted->toPlainText() != document.text)
            __builtin_trap();
        if (document.title.size() > 1000 || document.title.contains(QLatin1Char('\n')))
            __builtin_trap();
    }
    return 0;
}
