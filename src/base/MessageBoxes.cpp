#include "base/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace MessageBoxes {

namespace {

Handler &currentHandler()
{
    static Handler handler;
    return handler;
}

Button firstOffered(Buttons buttons)
{
    for (Button b : { Ok, Yes, Retry, Save, Abort, No, Ignore, Cancel }) {
        if (buttons & b)
            return b;
    }
    return NoButton;
}

int showReal(const Message &m)
{
    // Without a GUI application (command-line tools) there is nobody to ask:
    // answer as if the box was closed.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return (m.buttons & Cancel) ? Cancel : (m.buttons & No) ? No : firstOffered(m.buttons);
    QMessageBox box(static_cast<QMessageBox::Icon>(m.icon), m.title, m.text,
                    QMessageBox::StandardButtons(m.buttons), m.parent);
    box.setDefaultButton(static_cast<QMessageBox::StandardButton>(
        m.defaultButton != NoButton ? m.defaultButton : firstOffered(m.buttons)));
    return box.exec();
}

} // namespace

int show(QWidget *parent, Icon icon, const QString &title, const QString &text, Buttons buttons,
         Button defaultButton)
{
    if (buttons == NoButton)
        buttons = Ok;
    const Message message { parent, icon, title, text, buttons, defaultButton };
    // Copy first: a handler may replace itself while it runs.
    const Handler handler = currentHandler();
    return handler ? handler(message) : showReal(message);
}

Handler setHandler(Handler handler)
{
    Handler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace MessageBoxes
