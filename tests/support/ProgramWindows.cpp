#include "support/ProgramWindows.h"

#include "app/fSHAREDErrorRpt.h"
#include "app/fSHAREDGut.h"
#include "app/fSHAREDInternet.h"
#include "app/fSHAREDProxy.h"
#include "app/fSHAREDUpdater.h"
#include "app/frmAbout.h"
#include "app/frmSplash.h"
#include "ui/VoiceForFile.h"
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
    // Its question names the voice: here the message as the language files hold it.
    m_windows.emplace_back(std::make_unique<VoiceForFile>(
        nullptr, m_engine,
        QStringLiteral("The voice \"%1\" is played by the desktop's speech service "
                       "(speech-dispatcher), which cannot write it into a file. Choose one of "
                       "Orlin's own voices (espeak-ng or Flite) for the file:"),
        1));
}

// The windows go before the dictionary, the renderer and the engine they point to.
ProgramWindows::~ProgramWindows()
{
    m_windows.clear();
}
