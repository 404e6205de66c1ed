#include "support/TinyFilesystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <unistd.h>

TinyFilesystem::TinyFilesystem(int kilobytes)
{
    if (geteuid() != 0 || !m_dir.isValid())
        return;
    const int rc = QProcess::execute(
        QStringLiteral("mount"),
        { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
          QStringLiteral("size=%1k").arg(kilobytes), QStringLiteral("tmpfs"), m_dir.path() });
    m_mounted = rc == 0;
}

TinyFilesystem::~TinyFilesystem()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), { QStringLiteral("-l"), m_dir.path() });
}

QString TinyFilesystem::file(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

void TinyFilesystem::fill(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QByteArray block(4096, 'x');
    while (f.write(block) == block.size() && f.flush()) { }
    // Top up byte by byte so not even a small file fits afterwards.
    while (f.write("x", 1) == 1 && f.flush()) { }
}
