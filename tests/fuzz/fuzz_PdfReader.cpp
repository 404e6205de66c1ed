#include "documents/PdfReader.h"

#include <cstddef>
#include <cstdint>

// A malformed PDF must end in a message or in text, whatever Poppler makes of it; the
// layout of the pages it yields (running lines, joins, right-to-left lines) is Orlin's.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PdfReader reader;
    FormatText result =
        reader.openData(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (result.read()) {
        // Enough pages to cover the sampled ones and those read after them.
        reader.readPages(0, 40, result);
        reader.finish(result);
    }
    return 0;
}
