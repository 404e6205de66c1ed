// GUTINDEX.ALL bytes through the line decoder and the listing parser, against a file list
// that has books 1 to 99999 in every folder shape, so numbered entries are found as often
// as real ones. Every index line is one line of "path, text" on a known path.
#include "CatalogueFuzz.h"

#include "library/GutIndexFormat.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

const QStringList &files()
{
    static const QStringList list = [] {
        QStringList l;
        for (int n = 1; n < 100000; n += 7) {
            const QString path = GutIndexFormat::BuildPathPlusFile(QString::number(n));
            l << path << path.chopped(4) + QStringLiteral("-0.txt");
        }
        GutIndexFormat::SortArray(l);
        return l;
    }();
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = GutIndexFormat::decodeLines(bytes);
    // Most inputs lack the marker: give them one, so the listings parser sees them too.
    for (const QString &gutindex : { text, QStringLiteral("<===LISTINGS===>\n") + text }) {
        const QStringList index = GutIndexFormat::indexFromGutindex(gutindex, files());
        for (const QString &line : index) {
            requireOneLine(line);
            const qsizetype comma = line.indexOf(QStringLiteral(", "));
            require(comma > 0, "path, text", line);
            const QString path = line.left(comma);
            require(GutIndexFormat::FindInSortedList(files(), int(files().size()) - 1, path) >= 0
                        || path.startsWith(QStringLiteral("/etext")),
                    "a known path", line);
            require(!path.contains(QStringLiteral("..")), "no climbing path", line);
            require(!line.mid(comma + 2).trimmed().isEmpty(), "a display text", line);
        }
    }
    return 0;
}
