#include "ui/MessageBoxDialog.h"

#include "base/Seam.h"

#include <QApplication>
#include <QMessageBox>

namespace MessageBoxDialog {

int exec(const MessageBoxes::Message &m)
{
    // Without a GUI application there is nobody to ask.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return MessageBoxes::closedAnswer(m.buttons);
    QMessageBox box(static_cast<QMessageBox::Icon>(m.icon), m.title, m.text,
                    QMessageBox::StandardButtons(m.buttons), m.parent);
    // Messages carry addresses, titles and servers' answers: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(
        static_cast<QMessageBox::StandardButton>(MessageBoxes::defaultButtonOf(m)));
    return box.exec();
}

void install()
{
    Seam::install<MessageBoxes::HandlerSeam>(&exec);
}

} // namespace MessageBoxDialog
