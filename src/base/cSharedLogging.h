#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class Failure;

// The process-wide event log, log.txt in the program folder. Events are written
// at once; trace entries are batched in memory and written on the 21st pending
// entry, on LogError, at close-down and when the log is destroyed.
//
// Each line is the log's file number, a blank, the time "HH:mm:ss", ", " and the
// text, ending in CR LF. Nothing here throws to its caller except LogToFile: an
// event that cannot be written stays pending with the trace entries, so a full disk
// or a locked file costs no entry and never ends the program.
class cSharedLogging
{
public:
    // The log file defaults to programFolder/log.txt; an empty folder means the
    // program folder as ProgramInfo resolves it when the first event is logged.
    explicit cSharedLogging(QString programFolder = {});
    ~cSharedLogging();

    cSharedLogging(const cSharedLogging &) = delete;
    cSharedLogging &operator=(const cSharedLogging &) = delete;

    // DeleteFirst starts a fresh file with the six header lines.
    void LogEvent(const QString &LogMessage, bool DeleteFirst = false);
    void AddAction(const QString &ActionString, const QString &vSubname = {},
                   const QString &vModulename = {});
    void AddDebug(const QString &DebugString, const QString &vSubname = {},
                  const QString &vModulename = {});
    void LogError(const Failure &oErr, const QString &vSubname, const QString &Modulename);
    // Appends the pending trace entries; they stay pending when the file cannot be
    // written, and before the first event (there is no log file yet).
    void WriteActionsToLog();
    // The file-writing step under LogEvent; throws Failure when the file cannot be written.
    void LogToFile(const QString &LogFilename, const QString &LogMessage, bool DeleteFirst);
    QString CurrentLogFilename() const;
    // Another log file; one whose folder does not exist goes to the program folder.
    void OverrideLogFilename(const QString &LogFilename);
    QString CurrentAction() const;
    int PendingCount() const { return int(m_pendingTexts.size()); }

    bool NOLOGGING() const { return m_noLogging; }
    void setNOLOGGING(bool value) { m_noLogging = value; }

    // Short name of the running system, such as "debian12".
    static QString fOSName();
    // The same from the text of an os-release file (ID and the major VERSION_ID).
    static QString osNameFromRelease(const QString &osRelease);

    // The process-wide log: the one of the ProcessServices alive now. Code that runs with
    // none (a fuzz target) gets a stand-in that is never destroyed, so its entries pending
    // at exit are not written.
    static cSharedLogging &instance();
    // Which log instance() gives (see base/Seam.h); only ProcessServices sets it.
    struct InstanceSeam
    {
        using Type = cSharedLogging *;
    };

private:
    void SetDefaultLogFilename();
    QString FormatLogLine(int fileNumber, const QString &text, const QDateTime &time) const;
    QString programFolder() const;
    void keepPending(const QString &text, const QDateTime &time);

    QString m_programFolder;
    QString m_logFile;
    bool m_noLogging = false;
    // The file services log through this class; these stop a failure inside a
    // write from writing about itself for ever.
    bool m_writingEvent = false;
    bool m_flushing = false;
    QStringList m_pendingTexts;
    QList<QDateTime> m_pendingTimes;
};

inline cSharedLogging &Log()
{
    return cSharedLogging::instance();
}
