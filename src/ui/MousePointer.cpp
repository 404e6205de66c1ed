#include "ui/MousePointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
enum class Pointer { Normal, Busy, Background };
Pointer current = Pointer::Normal;

void apply(Pointer wanted)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        current = wanted;
        return;
    }
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (wanted == Pointer::Busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else if (wanted == Pointer::Background)
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    current = wanted;
}
} // namespace

namespace MousePointer {
void BusyMouse()
{
    apply(Pointer::Busy);
}
void BackgroundBusyMouse()
{
    apply(Pointer::Background);
}
void NormalMouse()
{
    apply(Pointer::Normal);
}
bool isBusy()
{
    return current != Pointer::Normal;
}
} // namespace MousePointer
