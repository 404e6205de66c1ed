#include "library/GutLibrarySettings.h"

#include "base/cSHAREDSettings.h"
#include "base/cSharedLogging.h"
#include "library/GutenbergHosts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString canonical(const QString &folder)
{
    const QFileInfo info(QDir::cleanPath(folder));
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? info.absoluteFilePath() : real;
}

// An installed program keeps its files in the per-user data folder; a portable one
// keeps them beside itself.
bool isPerUserDataFolder(const QString &programFolder)
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share/Orlin");
    return canonical(programFolder) == canonical(data);
}

} // namespace

QString GutLibrarySettings::DefaultBookFolder(const QString &programFolder)
{
    QString folder;
    if (isPerUserDataFolder(programFolder)) {
        // The folder xdg-user-dir DOCUMENTS names, as the desktop's user-dirs set it.
        QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (documents.isEmpty())
            documents = QDir::homePath() + QStringLiteral("/Documents");
        folder = QDir(documents).filePath(QStringLiteral("Orlin Books"));
    } else {
        folder = QDir(programFolder).filePath(QStringLiteral("Books"));
    }
    return QDir::toNativeSeparators(folder) + QDir::separator();
}

bool GutLibrarySettings::IsProgramFolder(const QString &folder, const QString &programFolder)
{
    if (folder.trimmed().isEmpty())
        return false;
    const QString chosen = canonical(folder.trimmed());
    if (chosen == canonical(programFolder))
        return true;
    return QCoreApplication::instance()
        && chosen == canonical(QCoreApplication::applicationDirPath());
}

GutLibrarySettings GutLibrarySettings::Defaults(const QString &programFolder)
{
    return { DefaultBookFolder(programFolder), GutenbergHosts::FileTreeRoot(),
             GutenbergHosts::FileTreeRoot() };
}

GutLibrarySettings GutLibrarySettings::ReadSettings(const QString &programFolder)
{
    const GutLibrarySettings d = Defaults(programFolder);
    GutLibrarySettings s { readFirst({ "BookPath" }, d.bookPath),
                           readFirst({ "GutenCatalogURL", "GutenCatalogURL2" }, d.catalogURL),
                           readFirst({ "GutenDownloadPath", "GutenDownloadPath2" },
                                     d.downloadSource) };
    if (IsProgramFolder(s.bookPath, programFolder)) {
        Log().LogEvent(QStringLiteral("Books go to %1 now, not to the program folder %2")
                           .arg(d.bookPath, s.bookPath),
                       false);
        s.bookPath = d.bookPath;
    }
    return s;
}

void GutLibrarySettings::StoreSettings() const
{
    Settings().StoreSetting(QStringLiteral("BookPath"), bookPath);
    Settings().StoreSetting(QStringLiteral("GutenCatalogURL"), catalogURL);
    Settings().StoreSetting(QStringLiteral("GutenDownloadPath"), downloadSource);
}
