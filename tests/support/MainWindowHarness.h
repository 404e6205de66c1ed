#pragma once

#include "app/frmMain.h"
#include "base/MessageBoxes.h"
#include "support/FakeSpeechEngine.h"
#include "support/TempProgramFolder.h"

#include <QList>
#include <QString>
#include <memory>
#include <ostream>

// A main window on the fake engine in a fresh program folder, with every message box
// answered and recorded. Members are made in this order and go in reverse.
class MainWindowHarness
{
public:
    MainWindowHarness();
    ~MainWindowHarness();

    TempProgramFolder folder;
    FakeSpeechEngine::Scope engines;
    QList<MessageBoxes::Message> messages;
    std::unique_ptr<frmMain> window;

    // Creates the window and runs its start-up; the window is shown when it succeeded.
    bool start(const QString &commandLine = {});
    // The engine the window's talker drives (null before start-up made one).
    FakeSpeechEngine *engine() const { return engines.last(); }

    // Writes a document into the program folder and returns its path.
    QString writeDocument(const QString &name, const QString &text) const;
    // Puts text in the view with the caret at `caret`, as if the user had typed it.
    void showText(const QString &text, int caret = 0);
    // The text selected in the view now.
    QString selectedText() const;

    // The log file's lines, without their number and time.
    QStringList logEvents() const;

private:
    MessageBoxes::ScopedHandler m_boxes;
};

// Failure messages show texts as text, not as arrays of UTF-16 units.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
