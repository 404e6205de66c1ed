#include "ui/MessageBoxes.h"

namespace MessageBoxes {

namespace {

Button firstOffered(Buttons buttons)
{
    for (Button b : { Ok, Yes, Retry, Save, Abort, No, Ignore, Cancel }) {
        if (buttons & b)
            return b;
    }
    return NoButton;
}

} // namespace

Button defaultButtonOf(const Message &message)
{
    return message.defaultButton != NoButton ? message.defaultButton
                                             : firstOffered(message.buttons);
}

int closedAnswer(Buttons buttons)
{
    return (buttons & Cancel) ? Cancel : (buttons & No) ? No : firstOffered(buttons);
}

int show(QWidget *parent, Icon icon, const QString &title, const QString &text, Buttons buttons,
         Button defaultButton)
{
    if (buttons == NoButton)
        buttons = Ok;
    const Message message { parent, icon, title, text, buttons, defaultButton };
    // Copied first: a handler may replace itself while it runs.
    const Handler handler = Seam::current<HandlerSeam>();
    return handler ? handler(message) : closedAnswer(buttons);
}

} // namespace MessageBoxes
