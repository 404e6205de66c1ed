#include "net/UpdateHandOff.h"

#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSharedFileSubs.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace UpdateHandOff {

QString InstallerName()
{
    return QStringLiteral("OrlinUpdater");
}

QString ProgramName()
{
    return QStringLiteral("Orlin");
}

QString HandOffFileName()
{
    return QStringLiteral("updater.ini");
}

QString InstallFolder()
{
    if (const QString &chosen = Seam::current<InstallFolderSeam>(); !chosen.isEmpty())
        return QDir::cleanPath(chosen);
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

bool CanInstallInPlace()
{
    const QString folder = InstallFolder();
    const QFileInfo installer(QDir(folder).filePath(InstallerName()));
    return QFileInfo(folder).canonicalFilePath()
        == QFileInfo(ProgramInfo::programFolder()).canonicalFilePath()
        && ::access(QFile::encodeName(folder).constData(), W_OK) == 0 && installer.isFile()
        && installer.isExecutable();
}

void WriteHandOffFile(const QString &folder, const HandOff &handOff)
{
    QString text = handOff.packageName;
    if (!handOff.sha256.isEmpty())
        text += QStringLiteral("\r\nsha256=") + handOff.sha256;
    cSharedFileSubs::ReplaceTextFile(QDir(folder).filePath(HandOffFileName()), text);
}

std::optional<HandOff> ReadHandOffFile(const QString &folder)
{
    QString text;
    if (!cSharedFileSubs::ReadTextFile(QDir(folder).filePath(HandOffFileName()), text))
        return std::nullopt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    HandOff handOff;
    handOff.packageName = lines.value(0).trimmed();
    const QString name = handOff.packageName;
    // The name is joined to the folder, so it must stay a name.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return std::nullopt;
    const QLatin1String key("sha256=");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.startsWith(key, Qt::CaseInsensitive))
            handOff.sha256 = line.mid(key.size()).trimmed().toLower();
    }
    return handOff;
}

QString Sha256OfFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

bool StartInstaller(const QString &caption)
{
    const QString folder = InstallFolder();
    const QString program = QDir(folder).filePath(InstallerName());
    if (const Starter &start = Seam::current<StartSeam>())
        return start(program, { caption }, folder);
    return QProcess::startDetached(program, { caption }, folder);
}

} // namespace UpdateHandOff
