// The Australian catalogue's bytes through the line decoder and its parser: every record
// becomes one index line whose path stays inside the site (no "..", no backslash).
#include "CatalogueFuzz.h"

#include "library/GutIndexFormat.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList index =
        GutIndexFormat::indexFromAustralian(GutIndexFormat::decodeLines(bytes));
    for (const QString &line : index) {
        requireOneLine(line);
        const qsizetype comma = line.indexOf(u',');
        require(comma > 0, "path, text", line);
        const QString path = line.left(comma);
        require(path.startsWith(u'/') && !path.startsWith(QStringLiteral("//")),
                "a path under the site", line);
        require(!path.contains(u'\\'), "no backslash", line);
        for (const QString &part : path.split(u'/'))
            require(part != QLatin1String(".."), "no climbing path", line);
        require(line.mid(comma).startsWith(QStringLiteral(", *PG-OZ* ")), "the mark", line);
    }
    return 0;
}
