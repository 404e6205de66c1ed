#pragma once

#include "base/ProcessServices.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"

#include <QString>
#include <QTemporaryDir>
#include <optional>

// A fresh, empty program folder for one test, with fresh process services (log, settings,
// translator) that use it. While it lives, ProgramInfo points at the folder and Log(),
// Settings() and Lang() are the new services; both are put back when it goes.
class TempProgramFolder
{
public:
    TempProgramFolder();
    ~TempProgramFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const;

    // Writes a file in the folder as raw bytes (no conversion).
    void writeBytes(const QString &name, const QByteArray &bytes) const;
    QByteArray readBytes(const QString &name) const;

private:
    QTemporaryDir m_dir;
    Seam::Override<ProgramInfo::FolderSeam> m_folder;
    std::optional<ProcessServices> m_services;
};
