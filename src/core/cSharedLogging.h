#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QList>

class Failure;

// The process-wide event log, log.txt in the program folder. Events are written
// at once; trace entries are batched in memory and written on the 21st pending
// entry, on LogError, at close-down and when the log is destroyed.
class cSharedLogging
{
public:
    // The log file defaults to programFolder/log.txt; an empty folder means the
    // program folder as ProgramInfo resolves it when the first event is logged.
    explicit cSharedLogging(QString programFolder = {});
    ~cSharedLogging();

    cSharedLogging(const cSharedLogging &) = delete;
    cSharedLogging &operator=(const cSharedLogging &) = delete;

    void LogEvent(const QString &LogMessage, bool DeleteFirst = false);
    void AddAction(const QString &ActionString, const QString &vSubname = {},
                   const QString &vModulename = {});
    void AddDebug(const QString &DebugString, const QString &vSubname = {},
                  const QString &vModulename = {});
    void LogError(const Failure &oErr, const QString &vSubname, const QString &Modulename);
    void WriteActionsToLog();
    void LogToFile(const QString &LogFilename, const QString &LogMessage, bool DeleteFirst);
    QString CurrentLogFilename() const;
    void OverrideLogFilename(const QString &LogFilename);
    QString CurrentAction() const;

    bool NOLOGGING() const { return m_noLogging; }
    void setNOLOGGING(bool value) { m_noLogging = value; }

    // Short name of the running system, such as "debian12".
    static QString fOSName();

    // The process-wide instance, created on first use.
    static cSharedLogging &instance();
    // Tests: flush and drop the process-wide instance; the next use creates a new one.
    static void resetInstance();

private:
    void SetDefaultLogFilename();
    QString FormatLogLine(int fileNumber, const QString &text, const QDateTime &time) const;

    QString m_programFolder;
    QString m_logFile;
    bool m_noLogging = false;
    QStringList m_pendingTexts;
    QList<QDateTime> m_pendingTimes;
};

inline cSharedLogging &Log()
{
    return cSharedLogging::instance();
}
