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
    const QString folder = QDir::cleanPath(source + QStringLiteral("/../shared/corpora"));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString corporaFile(const QString &relative)
{
    const QString folder = corporaFolder();
    if (folder.isEmpty())
        return {};
    const QString path = folder + QLatin1Char('/') + relative;
    return QFileInfo::exists(path) ? path : QString();
}
