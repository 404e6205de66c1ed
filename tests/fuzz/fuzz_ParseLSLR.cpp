// ls-R bytes through the line decoder and the listing parser: every file is one line, a
// folder path and a name, sorted.
#include "CatalogueFuzz.h"

#include "library/GutIndexFormat.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList files = GutIndexFormat::filesFromListing(GutIndexFormat::decodeLines(bytes));
    require(std::is_sorted(files.cbegin(), files.cend()), "sorted");
    for (const QString &file : files) {
        requireOneLine(file);
        require(file.startsWith(u'/'), "a server path", file);
        require(!file.contains(u','), "no comma, which ends an index path", file);
        const QString ext = file.section(u'.', -1).toLower();
        require(ext == QLatin1String("txt") || ext == QLatin1String("htm")
                    || ext == QLatin1String("html") || ext == QLatin1String("zip"),
                "a book file", file);
    }
    return 0;
}
