#include "base/cSharedLogging.h"

#include "base/Failure.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSysInfo>
#include <memory>

namespace {

Failure badFileNumber(const QString &path)
{
    return Failure(FailureCode::BadFileNameOrNumber, QStringLiteral("Bad file name or number"),
                   path);
}

// Closes the log after a failed write; the write's failure is the one to report.
void closeAfterFailure(int number)
{
    Trace::quietly("the write's failure is the one reported",
                   [&] { cSharedFileSubs::CloseFile(number); });
}

} // namespace

cSharedLogging::cSharedLogging(QString programFolder)
    : m_programFolder(std::move(programFolder))
{
}

cSharedLogging::~cSharedLogging()
{
    WriteActionsToLog();
}

QString cSharedLogging::programFolder() const
{
    return m_programFolder.isEmpty() ? ProgramInfo::programFolder() : m_programFolder;
}

void cSharedLogging::SetDefaultLogFilename()
{
    m_logFile = cSharedFileSubs::AddSlashIfMissing(programFolder()) + QStringLiteral("log.txt");
}

QString cSharedLogging::FormatLogLine(int fileNumber, const QString &text,
                                      const QDateTime &time) const
{
    return QString::number(fileNumber) + QLatin1Char(' ')
        + time.time().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(", ") + text;
}

void cSharedLogging::keepPending(const QString &text, const QDateTime &time)
{
    m_pendingTexts << text;
    m_pendingTimes << time;
}

void cSharedLogging::LogEvent(const QString &LogMessage, bool DeleteFirst)
{
    if (m_noLogging)
        return;
    if (m_logFile.isEmpty())
        SetDefaultLogFilename();
    const QDateTime now = QDateTime::currentDateTime();
    try {
        LogToFile(m_logFile, LogMessage, DeleteFirst);
    } catch (const std::exception &e) {
        // The event waits with the trace entries for the next write that works.
        keepPending(LogMessage, now);
        AddAction(Trace::asFailure(e).traceText(), QStringLiteral("LogEvent"),
                  QStringLiteral("cSharedLogging"));
    }
}

void cSharedLogging::LogToFile(const QString &LogFilename, const QString &LogMessage,
                               bool DeleteFirst)
{
    if (m_noLogging)
        return;
    if (m_writingEvent)
        throw Failure(FailureCode::PathFileAccess, QStringLiteral("The log file is being written"),
                      LogFilename);
    m_writingEvent = true;
    const auto done = qScopeGuard([this] { m_writingEvent = false; });

    if (DeleteFirst) {
        cSharedFileSubs::EraseFile(LogFilename);
        if (cSharedFileSubs::FileExists(LogFilename))
            DeleteFirst = false;
    }
    const int number = DeleteFirst ? cSharedFileSubs::CreateOutputFile(LogFilename)
                                   : cSharedFileSubs::OpenAppendFile(LogFilename);
    if (number <= 0)
        throw badFileNumber(LogFilename);
    try {
        const QDateTime now = QDateTime::currentDateTime();
        if (DeleteFirst) {
            const QString header[] = {
                QStringLiteral("Log file created "),
                QStringLiteral("Operating System: ") + fOSName(),
                QStringLiteral("App: ") + ProgramInfo::exeName(),
                QStringLiteral("Version: ") + ProgramInfo::versionText(),
                QStringLiteral("Curdir: ") + QDir::currentPath(),
                QStringLiteral("App path: ") + programFolder(),
            };
            for (const QString &line : header)
                cSharedFileSubs::WriteLine(number, FormatLogLine(number, line, now));
        }
        cSharedFileSubs::WriteLine(number, FormatLogLine(number, LogMessage, now));
    } catch (...) {
        closeAfterFailure(number);
        throw;
    }
    cSharedFileSubs::CloseFile(number);
}

void cSharedLogging::AddAction(const QString &ActionString, const QString &vSubname,
                               const QString &vModulename)
{
    if (m_noLogging)
        return;
    QString text = ActionString;
    if (!vSubname.isEmpty())
        text += QStringLiteral(" in ") + vSubname;
    if (!vModulename.isEmpty())
        text += QStringLiteral(" of module ") + vModulename;
    keepPending(text, QDateTime::currentDateTime());
    if (m_pendingTexts.size() > 20)
        WriteActionsToLog();
}

void cSharedLogging::AddDebug(const QString &DebugString, const QString &vSubname,
                              const QString &vModulename)
{
    AddAction(QStringLiteral("DBG: ") + DebugString, vSubname, vModulename);
}

void cSharedLogging::LogError(const Failure &oErr, const QString &vSubname,
                              const QString &Modulename)
{
    if (m_noLogging)
        return;
    LogEvent(QStringLiteral("Error ") + QString::number(oErr.code()) + QStringLiteral(" (")
                 + oErr.description() + QStringLiteral(") in ") + vSubname + QStringLiteral(" of ")
                 + Modulename,
             false);
    WriteActionsToLog();
}

void cSharedLogging::WriteActionsToLog()
{
    if (m_noLogging || m_pendingTexts.isEmpty() || m_logFile.isEmpty() || m_flushing
        || m_writingEvent)
        return;
    m_flushing = true;
    const auto done = qScopeGuard([this] { m_flushing = false; });

    const int number = cSharedFileSubs::OpenAppendFile(m_logFile);
    if (number <= 0)
        return;
    // Entries recorded while this runs (the file services' own trace) wait for the next flush.
    const qsizetype count = m_pendingTexts.size();
    try {
        for (qsizetype i = 0; i < count; ++i)
            cSharedFileSubs::WriteLine(
                number, FormatLogLine(number, m_pendingTexts.at(i), m_pendingTimes.at(i)));
        cSharedFileSubs::CloseFile(number);
    } catch (const std::exception &) {
        // Kept: a later flush writes them, perhaps a second time, which beats losing them.
        closeAfterFailure(number);
        return;
    }
    m_pendingTexts.remove(0, count);
    m_pendingTimes.remove(0, count);
}

QString cSharedLogging::CurrentLogFilename() const
{
    return m_logFile;
}

void cSharedLogging::OverrideLogFilename(const QString &LogFilename)
{
    if (cSharedFileSubs::FolderExists(cSharedFileSubs::ExtractPath(LogFilename)))
        m_logFile = LogFilename;
    else
        m_logFile = cSharedFileSubs::AddSlashIfMissing(programFolder())
            + cSharedFileSubs::FileOnly(LogFilename);
}

QString cSharedLogging::CurrentAction() const
{
    return m_pendingTexts.isEmpty() ? QString() : m_pendingTexts.last();
}

QString cSharedLogging::osNameFromRelease(const QString &osRelease)
{
    QString id;
    QString version;
    for (const QString &rawLine : osRelease.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2
            && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
            && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        const QStringView key = QStringView(line).left(eq);
        if (key == QLatin1String("ID"))
            id = value;
        else if (key == QLatin1String("VERSION_ID"))
            version = value.section(QLatin1Char('.'), 0, 0);
    }
    return id.isEmpty() ? QString() : id + version;
}

QString cSharedLogging::fOSName()
{
    for (const char *path : { "/etc/os-release", "/usr/lib/os-release" }) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            const QString name = osNameFromRelease(QString::fromUtf8(file.readAll()));
            if (!name.isEmpty())
                return name;
        }
    }
    return QSysInfo::kernelType();
}

cSharedLogging &cSharedLogging::instance()
{
    if (cSharedLogging *log = Seam::current<InstanceSeam>())
        return *log;
    static auto *standIn = new cSharedLogging;
    return *standIn;
}
