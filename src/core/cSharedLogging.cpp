// Temporary minimal log so the other subsystems build; replaced by the full one.
#include "core/cSharedLogging.h"

#include "platform/Failure.h"
#include "platform/ProgramInfo.h"

#include <QDir>
#include <QFile>
#include <memory>

namespace {
std::unique_ptr<cSharedLogging> &slot()
{
    static std::unique_ptr<cSharedLogging> log;
    return log;
}
} // namespace

cSharedLogging::cSharedLogging(QString programFolder) : m_programFolder(std::move(programFolder)) {}
cSharedLogging::~cSharedLogging() { WriteActionsToLog(); }
void cSharedLogging::LogEvent(const QString &, bool) {}
void cSharedLogging::AddAction(const QString &a, const QString &, const QString &)
{
    m_pendingTexts << a;
    m_pendingTimes << QDateTime::currentDateTime();
}
void cSharedLogging::AddDebug(const QString &d, const QString &s, const QString &m)
{
    AddAction(QStringLiteral("DBG: ") + d, s, m);
}
void cSharedLogging::LogError(const Failure &, const QString &, const QString &) {}
void cSharedLogging::WriteActionsToLog() {}
void cSharedLogging::LogToFile(const QString &, const QString &, bool) {}
QString cSharedLogging::CurrentLogFilename() const { return m_logFile; }
void cSharedLogging::OverrideLogFilename(const QString &f) { m_logFile = f; }
QString cSharedLogging::CurrentAction() const
{
    return m_pendingTexts.isEmpty() ? QString() : m_pendingTexts.last();
}
QString cSharedLogging::fOSName() { return QStringLiteral("linux"); }
void cSharedLogging::SetDefaultLogFilename() {}
QString cSharedLogging::FormatLogLine(int, const QString &t, const QDateTime &) const { return t; }
cSharedLogging &cSharedLogging::instance()
{
    if (!slot())
        slot() = std::make_unique<cSharedLogging>();
    return *slot();
}
void cSharedLogging::resetInstance() { slot().reset(); }
