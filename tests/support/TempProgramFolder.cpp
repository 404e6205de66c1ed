#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>

TempProgramFolder::TempProgramFolder()
    : m_folder(QDir::cleanPath(m_dir.path()))
{
    m_services.emplace();
}

// The services end before the folder is put back: the log writes into this folder.
TempProgramFolder::~TempProgramFolder() = default;

QString TempProgramFolder::file(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

void TempProgramFolder::writeBytes(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TempProgramFolder::readBytes(const QString &name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
