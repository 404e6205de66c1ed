#pragma once

#include <memory>

class cSHAREDSettings;
class cSharedLang;
class cSharedLogging;

// The process-wide services - the event log, the settings store and the translator - made
// and ended in one fixed order. While a ProcessServices lives, Log(), Settings() and Lang()
// are its services.
//
// main makes one before anything can log and keeps it until the event loop has ended. The
// log is made first and ends last: the translator and the settings end first (they may still
// write to the log), then the log writes every entry still pending to log.txt and ends, so
// nothing recorded during close-down or after it is lost.
//
// Tests make one each (TempProgramFolder does): it stands in for the one before it while it
// lives and puts that one back when it ends, so a test starts from fresh services.
class ProcessServices
{
public:
    ProcessServices();
    ~ProcessServices();

    ProcessServices(const ProcessServices &) = delete;
    ProcessServices &operator=(const ProcessServices &) = delete;

    cSharedLogging &log() const { return *m_log; }
    cSHAREDSettings &settings() const { return *m_settings; }
    cSharedLang &lang() const { return *m_lang; }

private:
    std::unique_ptr<cSharedLogging> m_log;
    std::unique_ptr<cSHAREDSettings> m_settings;
    std::unique_ptr<cSharedLang> m_lang;
    cSharedLogging *m_previousLog;
    cSHAREDSettings *m_previousSettings;
    cSharedLang *m_previousLang;
};
