#include "library/GutLibrarySettings.h"

#include "base/cSHAREDSettings.h"
#include "library/GutenbergHosts.h"

#include <QDir>

namespace {

QString readFirst(std::initializer_list<const char *> keys, const QString &fallback)
{
    for (const char *key : keys) {
        const QString value = Settings().RetrieveSetting(QLatin1String(key)).toString().trimmed();
        if (!value.isEmpty())
            return value;
    }
    return fallback;
}

} // namespace

GutLibrarySettings GutLibrarySettings::Defaults(const QString &programFolder)
{
    return { QDir::toNativeSeparators(programFolder) + QDir::separator(),
             GutenbergHosts::FileTreeRoot(), GutenbergHosts::FileTreeRoot() };
}

GutLibrarySettings GutLibrarySettings::ReadSettings(const QString &programFolder)
{
    const GutLibrarySettings d = Defaults(programFolder);
    return { readFirst({ "BookPath" }, d.bookPath),
             readFirst({ "GutenCatalogURL", "GutenCatalogURL2" }, d.catalogURL),
             readFirst({ "GutenDownloadPath", "GutenDownloadPath2" }, d.downloadSource) };
}

void GutLibrarySettings::StoreSettings() const
{
    Settings().StoreSetting(QStringLiteral("BookPath"), bookPath);
    Settings().StoreSetting(QStringLiteral("GutenCatalogURL"), catalogURL);
    Settings().StoreSetting(QStringLiteral("GutenDownloadPath"), downloadSource);
}
