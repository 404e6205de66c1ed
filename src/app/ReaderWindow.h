#pragma once

#include <QString>
#include <QStringList>

class QWidget;
class clsTalker;

// What the reader's controllers need of the main window besides its document view: the
// caption, the Reload button, the controls start-up fills, the update timer and closing.
// frmMain is the one; a controller's tests use a fake that records what was asked.
class ReaderWindow
{
public:
    virtual ~ReaderWindow() = default;

    // The window dialogs and messages belong to (null: they stand alone).
    virtual QWidget *dialogParent() = 0;
    virtual void setCaption(const QString &caption) = 0;
    virtual void setReloadEnabled(bool enabled) = 0;

    // Start-up, in the order it asks: the pitch list ("-10" to "10", "0" chosen), the
    // language menu (the languages loaded, the saved one checked and the window translated),
    // the reading buttons' fallbacks for missing symbol fonts, the voice list, the voice
    // chosen as a click would choose it, the smallest size, the update window object.
    virtual void fillPitchList() = 0;
    virtual void fillLanguageMenu() = 0;
    virtual void useSymbolFallbacks(bool webdingsMissing, bool wingdingsMissing) = 0;
    // The talker's voices, one line a voice.
    virtual void fillVoiceList(const clsTalker &talker) = 0;
    // Selects voice `index` (0-based, as clsTalker::SelectVoice counts; -1 for none) as a
    // click on the list would.
    virtual void chooseVoice(int index) = 0;
    virtual void fixMinimumSize() = 0;
    virtual void createUpdater() = 0;
    // The update timer's one wait after a start without a document.
    virtual void setUpdateTimer(bool running) = 0;

    // Close-down's last step: the window closes, says so (closedDown), and the event loop
    // is told to end.
    virtual void closeWindow() = 0;
};
