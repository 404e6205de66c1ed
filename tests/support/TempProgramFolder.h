#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh, empty program folder for one test. While it lives, ProgramInfo and the
// process-wide services (log, settings, translator) use it; they are
// reset when it is made and when it goes.
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
    QString m_previous;
};

// Resets every process-wide service, so a test starts from nothing.
void resetProcessServices();
