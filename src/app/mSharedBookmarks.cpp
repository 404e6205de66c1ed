// Temporary in-memory bookmarks so the main window builds; replaced by the full module.
#include "app/mSharedBookmarks.h"

#include <QHash>

namespace {
QHash<QString, int> &marks()
{
    static QHash<QString, int> m;
    return m;
}
} // namespace

namespace mSharedBookmarks {
void StoreBookmark(const QString &FilePath, int Position)
{
    if (!FilePath.isEmpty())
        marks().insert(FilePath.section(QLatin1Char('/'), -1).toUpper(), Position);
}
int RetrieveBookmark(const QString &FilePath)
{
    return marks().value(FilePath.section(QLatin1Char('/'), -1).toUpper(), 0);
}
void SaveBookmarks() {}
void LoadBookmarks() {}
void resetForTesting() { marks().clear(); }
} // namespace mSharedBookmarks
