#include "library/ZipEntryPath.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace ZipEntryPath {

namespace {

bool refuse(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

bool checkName(const QString &name, QString *reason)
{
    if (name.startsWith(u'/'))
        return refuse(reason, QStringLiteral("absolute path"));
    if (name.size() >= 2 && name.at(1) == u':' && name.at(0).isLetter())
        return refuse(reason, QStringLiteral("drive letter"));
    if (name.contains(u'\\'))
        return refuse(reason, QStringLiteral("backslash in the name"));
    for (const QChar c : name) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return refuse(reason, QStringLiteral("control character in the name"));
    }
    return true;
}

} // namespace

QStringList split(const QString &entryName, QString *reason)
{
    if (!checkName(entryName, reason))
        return {};
    QStringList parts;
    for (const QString &part : entryName.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            refuse(reason, QStringLiteral("\"..\" in the path"));
            return {};
        }
        if (part != QLatin1String("."))
            parts.append(part);
    }
    if (parts.isEmpty())
        refuse(reason, QStringLiteral("empty name"));
    return parts;
}

QString prepare(const QString &root, const QStringList &parts, QString *reason, QStringList *made)
{
    QString path = root;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path += u'/' + parts.at(i);
        if (i + 1 == parts.size())
            break;
        const QByteArray native = QFile::encodeName(path);
        struct stat st;
        if (::lstat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                refuse(reason, QStringLiteral("\"%1\" is not a folder").arg(path));
                return {};
            }
            continue;
        }
        if (errno != ENOENT) {
            refuse(reason, QString::fromLocal8Bit(std::strerror(errno)));
            return {};
        }
        if (::mkdir(native.constData(), 0777) == 0) {
            if (made)
                made->append(path);
        } else if (errno != EEXIST) {
            refuse(reason, QString::fromLocal8Bit(std::strerror(errno)));
            return {};
        }
    }
    return path;
}

} // namespace ZipEntryPath
