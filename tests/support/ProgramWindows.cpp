#include "support/ProgramWindows.h"

#include "app/PasswordDialog.h"
#include "app/fSHAREDErrorRpt.h"
#include "app/fSHAREDGut.h"
#include "app/fSHAREDInternet.h"
#include "app/fSHAREDProxy.h"
#include "app/fSHAREDUpdater.h"
#include "app/frmAbout.h"
#include "app/frmSplash.h"
#include "ui/VoiceForFile.h"
#include "ui/frmContents.h"
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
    m_windows.emplace_back(std::make_unique<frmContents>());
    // Their questions name the file or the voice: here the messages as the language files
    // hold them.
    m_windows.emplace_back(std::make_unique<PasswordDialog>(
        nullptr, QStringLiteral("%1"), QStringLiteral("The password does not open the document.")));
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
