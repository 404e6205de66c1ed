#pragma once

#include "base/Seam.h"

#include <QString>
#include <functional>

class QWidget;

// Every message box Orlin shows goes through here, so that one handler can answer
// them: the program installs the real modal box at start (ui/MessageBoxDialog), tests
// install a handler that records the message and presses a button. The values match
// QMessageBox's, so a caller that already speaks QMessageBox can pass them straight through.
namespace MessageBoxes {

enum Icon { NoIcon = 0, Information = 1, Warning = 2, Critical = 3, Question = 4 };

enum Button : int {
    NoButton = 0x00000000,
    Ok = 0x00000400,
    Save = 0x00000800,
    Yes = 0x00004000,
    No = 0x00010000,
    Abort = 0x00040000,
    Retry = 0x00080000,
    Ignore = 0x00100000,
    Cancel = 0x00400000,
};

// An OR of Button values.
using Buttons = int;

// Shows the message and returns the button pressed (Cancel or No when the box is
// closed without a choice, whichever the box offers; otherwise the only button). With
// no handler installed (a command-line tool) nobody is asked: the answer is the closed box's.
// The default button is the first of the offered buttons in the order
// Ok, Yes, Retry, Save, Abort, No, Ignore, Cancel unless one is given.
int show(QWidget *parent, Icon icon, const QString &title, const QString &text,
         Buttons buttons = Ok, Button defaultButton = NoButton);

// What a handler gets: everything the user would see, plus the parent.
struct Message
{
    QWidget *parent = nullptr;
    Icon icon = NoIcon;
    QString title;
    QString text;
    Buttons buttons = Ok;
    Button defaultButton = NoButton;
};

using Handler = std::function<int(const Message &)>;

// Who answers the boxes (see base/Seam.h). Empty: nobody, every box is closed unanswered.
struct HandlerSeam
{
    using Type = Handler;
};

// Installs a handler for the lifetime of the object (tests), restoring the previous.
using ScopedHandler = Seam::Override<HandlerSeam>;

// The button a box offers focused: the message's own, else the first offered in the
// order given at show().
Button defaultButtonOf(const Message &message);
// What a box closed without a choice answers.
int closedAnswer(Buttons buttons);

} // namespace MessageBoxes
