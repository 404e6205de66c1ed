#include "net/UpdateHandOff.h"

#include "base/Failure.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/cSharedFileSubs.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

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

QString SignatureFileName(const QString &packageName)
{
    return packageName + QStringLiteral(".minisig");
}

bool IsPlainName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.startsWith(QLatin1Char(':')) || name.toUtf8().size() > 255)
        return false;
    return std::none_of(name.cbegin(), name.cend(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20
            || c.unicode() == 0x7f;
    });
}

bool IsPlainRelativePath(const QString &relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'));
    return relative.size() <= 4096 && std::all_of(parts.cbegin(), parts.cend(), IsPlainName);
}

QString PathIn(const QString &folder, const QString &relative)
{
    // QDir::filePath would take ":x" for a resource and "/x" for itself.
    return folder + QLatin1Char('/') + relative;
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
    if (!IsPlainName(handOff.packageName) || handOff.packageName.trimmed() != handOff.packageName)
        throw Failure(FailureCode::BadFileNameOrNumber,
                      QStringLiteral("Bad file name: %1").arg(handOff.packageName));
    // Reading a text file drops a leading U+FEFF (taken for a byte-order mark) and an
    // editor may trim blanks: the exact name follows percent-encoded, which nothing alters.
    QString text = handOff.packageName + QStringLiteral("\r\npackage=")
        + QString::fromLatin1(QUrl::toPercentEncoding(handOff.packageName));
    if (!handOff.version.isEmpty())
        text += QStringLiteral("\r\nversion=") + handOff.version;
    if (!handOff.sha256.isEmpty())
        text += QStringLiteral("\r\nsha256=") + handOff.sha256;
    cSharedFileSubs::ReplaceTextFile(PathIn(folder, HandOffFileName()), text);
}

std::optional<HandOff> ParseHandOff(const QString &text)
{
    if (text.size() > MaxHandOffBytes)
        return std::nullopt;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    HandOff handOff;
    // The name is joined to the folder, so it must stay a name.
    handOff.packageName = lines.value(0).trimmed();
    if (!IsPlainName(handOff.packageName))
        return std::nullopt;
    const QLatin1String sha("sha256=");
    const QLatin1String version("version=");
    const QLatin1String package("package=");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.startsWith(package, Qt::CaseInsensitive)) {
            // Decoded keeping a leading U+FEFF, which fromUtf8 would take for a mark.
            QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
            const QString exact =
                utf8(QByteArray::fromPercentEncoding(line.mid(package.size()).toLatin1()));
            if (!IsPlainName(exact))
                return std::nullopt;
            handOff.packageName = exact;
        } else if (line.startsWith(sha, Qt::CaseInsensitive))
            handOff.sha256 = line.mid(sha.size()).trimmed().toLower();
        else if (line.startsWith(version, Qt::CaseInsensitive))
            handOff.version = line.mid(version.size()).trimmed();
    }
    return handOff;
}

std::optional<HandOff> ReadHandOffFile(const QString &folder)
{
    const QString path = PathIn(folder, HandOffFileName());
    if (QFileInfo(path).size() > MaxHandOffBytes)
        return std::nullopt;
    QString text;
    if (!cSharedFileSubs::ReadTextFile(path, text))
        return std::nullopt;
    return ParseHandOff(text);
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
