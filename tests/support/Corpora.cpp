#include "Corpora.h"

#include <QDir>
#include <QFileInfo>

QString corporaFolder()
{
    // A checkout elsewhere (a worktree) names the shared corpora itself.
    if (const QString chosen = qEnvironmentVariable("ORLIN_CORPORA_DIR");
        !chosen.isEmpty() && QFileInfo(chosen).isDir())
        return QDir::cleanPath(chosen);
    QString source = qEnvironmentVariable("ORLIN_SOURCE_DIR");
    if (source.isEmpty()) // run by hand: this file lives in <source>/tests/support
        source = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../..");
    // Beside the project, or beside the folder of worktrees a project may be checked out in.
    for (const char *relative : { "/../shared/corpora", "/../../shared/corpora" }) {
        const QString folder = QDir::cleanPath(source + QLatin1String(relative));
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return {};
}

QString corporaFile(const QString &relative)
{
    const QString folder = corporaFolder();
    if (folder.isEmpty())
        return {};
    const QString path = folder + QLatin1Char('/') + relative;
    return QFileInfo::exists(path) ? path : QString();
}
