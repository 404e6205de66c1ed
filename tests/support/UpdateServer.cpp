#include "support/UpdateServer.h"

#include "support/NetServers.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

UpdateServer::~UpdateServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

std::unique_ptr<UpdateServer> UpdateServer::start()
{
    std::unique_ptr<UpdateServer> s(new UpdateServer);
    QDir(s->m_dir.path()).mkpath(QStringLiteral("versions"));
    const QString script =
        qEnvironmentVariable("ORLIN_SOURCE_DIR") + QStringLiteral("/tests/support/UpdateServer.py");
    if (TestServer::python().isEmpty() || !QFile::exists(script))
        return nullptr;
    s->m_process.setProcessChannelMode(QProcess::MergedChannels);
    s->m_process.start(TestServer::python(), { QStringLiteral("-u"), script, s->m_dir.path() });
    if (!s->m_process.waitForStarted(10000))
        return nullptr;
    static const QRegularExpression portLine(QStringLiteral("PORT (\\d+)"));
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && s->m_process.state() == QProcess::Running) {
        s->m_process.waitForReadyRead(int(deadline.remainingTime()));
        s->m_output += s->m_process.readAll();
        const QRegularExpressionMatch m = portLine.match(QString::fromUtf8(s->m_output));
        if (m.hasMatch()) {
            s->m_port = m.captured(1).toInt();
            return s;
        }
    }
    return nullptr;
}

QString UpdateServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QByteArray UpdateServer::requests()
{
    m_output += m_process.readAll();
    return m_output;
}

void UpdateServer::putFile(const QString &path, const QByteArray &bytes) const
{
    const QString file = QDir(m_dir.path()).filePath(path);
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray UpdateServer::fileBytes(const QString &path) const
{
    QFile f(QDir(m_dir.path()).filePath(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString UpdateServer::putPackage(const QString &path, const QList<ZipItem> &items) const
{
    const QString file = QDir(m_dir.path()).filePath(path);
    QDir().mkpath(QFileInfo(file).path());
    if (!writeZip(file, items))
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256).toHex());
}

QString UpdateServer::putSignedPackage(const QString &path, const QList<ZipItem> &items,
                                       const QString &version, const SigningKey &key) const
{
    const QString sha = putPackage(path, items);
    putFile(path + QStringLiteral(".minisig"), key.signVersion(fileBytes(path), version));
    return sha;
}

void UpdateServer::putVersionFile(const QString &version, const QString &packagePath,
                                  const QString &extraLine) const
{
    QString text = version + QLatin1Char('\n') + url(packagePath) + QLatin1Char('\n');
    if (!extraLine.isEmpty())
        text += extraLine + QLatin1Char('\n');
    putFile(QStringLiteral("versions/ORL1_current.txt"), text.toUtf8());
}

void UpdateServer::cut(const QString &path) const
{
    QFile listing(QDir(m_dir.path()).filePath(QStringLiteral(".cut")));
    if (listing.open(QIODevice::Append))
        listing.write(path.toUtf8() + '\n');
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
