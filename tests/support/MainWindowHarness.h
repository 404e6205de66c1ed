#pragma once

#include "app/DocumentController.h"
#include "app/ReadingController.h"
#include "app/frmMain.h"
#include "support/FakeSpeechEngine.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/RichTextBox.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QList>
#include <QMenu>
#include <QString>
#include <memory>
#include <ostream>

// One of the window's controls, found by its object name (the name the language files and
// the program know it by), as a test looks at it; a missing control fails the test.
template<class T> T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

// The Languages menu's items: English, then one per language file.
inline QList<QAction *> languageItems(const QWidget &window)
{
    return control<QMenu>(window, "mnuLang")->actions();
}

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
    // The window's document view.
    RichTextBox *view() const { return control<RichTextBox>(*window, "RichTextBox1"); }

    // Writes a document into the program folder and returns its path.
    QString writeDocument(const QString &name, const QString &text) const;
    // Puts text in the view with the caret at `caret`, as if the user had typed it.
    void showText(const QString &text, int caret = 0);
    // The text selected in the view now.
    QString selectedText() const;

    // Presses Read and lets the fake engine finish every sentence: what the talker passed
    // on for each sentence (as SpeakingSentence gives it) and what the view had selected
    // while it was spoken.
    struct Spoken
    {
        QString heard;
        QString seen;
    };
    QList<Spoken> readToTheEnd();

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
