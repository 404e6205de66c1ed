#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box Orlin shows goes through here, so that one handler can answer
// them: tests install a handler that records the message and presses a button,
// the program uses the real modal box. The values match QMessageBox's, so a caller
// that already speaks QMessageBox can pass them straight through.
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
// closed without a choice, whichever the box offers; otherwise the only button).
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

// Replaces the process-wide handler and returns the previous one; an empty handler
// restores the real message box.
Handler setHandler(Handler handler);

// Installs a handler for the lifetime of the object (tests), restoring the previous.
class ScopedHandler
{
public:
    explicit ScopedHandler(Handler handler)
        : m_previous(setHandler(std::move(handler)))
    {
    }
    ~ScopedHandler() { setHandler(std::move(m_previous)); }
    ScopedHandler(const ScopedHandler &) = delete;
    ScopedHandler &operator=(const ScopedHandler &) = delete;

private:
    Handler m_previous;
};

} // namespace MessageBoxes
