#pragma once

#include "speech/clsDict.h"
#include "speech/clsWavRenderer.h"
#include "support/FakeSpeechEngine.h"

#include <QWidget>
#include <memory>
#include <vector>

// Every window the program opens besides the main window, built as the program builds
// it (not yet translated), with what the windows need kept alive beside them. Tests that
// must cover every window walk this one list, so a new window is added in one place.
class ProgramWindows
{
public:
    ProgramWindows();
    ~ProgramWindows();

    const std::vector<std::unique_ptr<QWidget>> &all() const { return m_windows; }

private:
    clsDict m_dict;
    clsWavRenderer m_renderer;
    FakeSpeechEngine m_engine;
    std::vector<std::unique_ptr<QWidget>> m_windows;
};
