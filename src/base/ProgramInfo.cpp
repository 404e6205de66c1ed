#include "base/ProgramInfo.h"

#include "OrlinVersion.h"
#include "base/Seam.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

QString resolveProgramFolder()
{
    QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    if (ProgramInfo::isPortableFolder(exeDir))
        return QDir::cleanPath(exeDir);
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share/Orlin");
    QDir().mkpath(data);
    return QDir::cleanPath(data);
}

} // namespace

namespace ProgramInfo {

bool isPortableFolder(const QString &exeDir)
{
    const QFileInfo info(exeDir);
    return info.isDir() && info.isWritable()
        && !QFileInfo(QDir(exeDir).filePath(QStringLiteral("../share/orlin"))).isDir();
}

QString programFolder()
{
    if (const QString &chosen = Seam::current<FolderSeam>(); !chosen.isEmpty())
        return chosen;
    static const QString resolved = resolveProgramFolder();
    return resolved;
}

void setProgramFolder(const QString &folder)
{
    Seam::install<FolderSeam>(QDir::cleanPath(folder));
}

QString programFile(const QString &fileName)
{
    return QDir(programFolder()).filePath(fileName);
}

QString exeName()
{
    if (QCoreApplication::instance()) {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("Orlin");
}

int versionMajor()
{
    return ORLIN_VERSION_MAJOR;
}
int versionMinor()
{
    return ORLIN_VERSION_MINOR;
}
int versionRevision()
{
    return ORLIN_VERSION_REVISION;
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(versionMajor())
        .arg(versionMinor())
        .arg(versionRevision());
}

QString webSite()
{
    return QStringLiteral("https://orlin-reader.org");
}

QString makerName()
{
    return QStringLiteral("The Orlin Project");
}

QString bugReportAddress(int year)
{
    return QStringLiteral("bugs%1@%2")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(QUrl(webSite()).host());
}

QString helpPage(const QString &topic)
{
    const QString index = webSite() + QStringLiteral("/help");
    return topic.trimmed().isEmpty()
        ? index
        : index + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(topic.trimmed()));
}

} // namespace ProgramInfo
