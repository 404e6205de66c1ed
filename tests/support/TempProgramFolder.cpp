#include "support/TempProgramFolder.h"

#include "base/ProgramInfo.h"

#include <QDir>
#include <QFile>

TempProgramFolder::TempProgramFolder()
{
    m_previous = ProgramInfo::programFolder();
    ProgramInfo::setProgramFolder(m_dir.path());
    m_services.emplace();
}

TempProgramFolder::~TempProgramFolder()
{
    m_services.reset();
    ProgramInfo::setProgramFolder(m_previous);
}

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
