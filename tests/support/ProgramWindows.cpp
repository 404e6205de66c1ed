#include "support/ProgramWindows.h"

#include "app/fSHAREDErrorRpt.h"
#include "app/fSHAREDGut.h"
#include "app/fSHAREDInternet.h"
#include "app/fSHAREDProxy.h"
#include "app/fSHAREDUpdater.h"
#include "app/frmAbout.h"
#include "app/frmSplash.h"
#include "ui/frmLex.h"
#include "ui/frmRenderProgress.h"
#include "ui/frmWordPair.h"

ProgramWindows::ProgramWindows()
{
    m_windows.emplace_back(std::make_unique<frmSplash>());
    m_windows.emplace_back(std::make_unique<frmAbout>());
    m_windows.emplace_back(std::make_unique<frmLex>(&m_dict));
    m_windows.emplace_back(std::make_unique<frmWordPair>());
    m_windows.emplace_back(std::make_unique<frmRenderProgress>(&m_renderer));
    m_windows.emplace_back(std::make_unique<fSHAREDProxy>());
    m_windows.emplace_back(std::make_unique<fSHAREDInternet>());
    m_windows.emplace_back(std::make_unique<fSHAREDErrorRpt>());
    m_windows.emplace_back(std::make_unique<fSHAREDGut>());
    m_windows.emplace_back(std::make_unique<fSHAREDUpdater>());
}

// The windows go before the dictionary and the renderer they point to.
ProgramWindows::~ProgramWindows()
{
    m_windows.clear();
}
