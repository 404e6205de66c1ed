#include "support/UpdateServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

std::unique_ptr<UpdateServer> UpdateServer::start()
{
    std::unique_ptr<UpdateServer> s(new UpdateServer);
    QDir(s->m_dir.path()).mkpath(QStringLiteral("versions"));
    s->m_server = TestServer::http(s->m_dir.path());
    if (!s->m_server)
        return nullptr;
    return s;
}

void UpdateServer::putFile(const QString &path, const QByteArray &bytes) const
{
    const QString file = QDir(m_dir.path()).filePath(path);
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString UpdateServer::putPackage(const QString &path, const QList<ZipItem> &items) const
{
    const QString file = QDir(m_dir.path()).filePath(path);
    QDir().mkpath(QFileInfo(file).path());
    if (!writeZip(file, items))
        return {};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
}

void UpdateServer::putVersionFile(const QString &version, const QString &packagePath,
                                  const QString &extraLine) const
{
    QString text = version + QLatin1Char('\n') + url(packagePath) + QLatin1Char('\n');
    if (!extraLine.isEmpty())
        text += extraLine + QLatin1Char('\n');
    putFile(QStringLiteral("versions/ORL1_current.txt"), text.toUtf8());
}

void UpdateServer::placeInstaller(const QString &folder)
{
    QFile installer(QDir(folder).filePath(QStringLiteral("OrlinUpdater")));
    if (installer.open(QIODevice::WriteOnly))
        installer.write("#!/bin/sh\n");
    installer.close();
    installer.setPermissions(installer.permissions() | QFile::ExeOwner);
}

QByteArray UpdateServer::noise(int size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = char(x);
    }
    return out;
}
