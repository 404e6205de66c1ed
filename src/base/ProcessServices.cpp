#include "base/ProcessServices.h"

#include "base/Seam.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"

ProcessServices::ProcessServices()
    : m_log(std::make_unique<cSharedLogging>())
    , m_settings(std::make_unique<cSHAREDSettings>())
    , m_lang(std::make_unique<cSharedLang>())
    , m_previousLog(Seam::install<cSharedLogging::InstanceSeam>(m_log.get()))
    , m_previousSettings(Seam::install<cSHAREDSettings::InstanceSeam>(m_settings.get()))
    , m_previousLang(Seam::install<cSharedLang::InstanceSeam>(m_lang.get()))
{
}

ProcessServices::~ProcessServices()
{
    Seam::install<cSharedLang::InstanceSeam>(m_previousLang);
    m_lang.reset();
    Seam::install<cSHAREDSettings::InstanceSeam>(m_previousSettings);
    m_settings.reset();
    // Still the process's log while it writes what is pending: the file services' own
    // trace of a failing write lands in it, not in the one this stood in for.
    m_log->WriteActionsToLog();
    Seam::install<cSharedLogging::InstanceSeam>(m_previousLog);
    m_log.reset();
}
