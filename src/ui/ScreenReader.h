#pragma once

#include <QString>

#include <functional>

class QAccessibleEvent;
class QWidget;

// What assistive technology (a screen reader, a magnifier) learns about a window's controls.
namespace ScreenReader {

// Gives every visible interactive control of the window that Qt would announce by a symbol
// or not at all ("G", "+", an icon) the name its tooltip says, and every control with a
// tooltip that tooltip as its description. Names a window's designer or the program set
// stay, and so do the names Qt finds itself: a caption with words, a label for the control.
// Runs after each translation of the window, so the names speak the window's language.
void nameControls(QWidget *window);

// Whether the control's accessible name was set by its window or the program (and so is one
// of the window's texts to translate), not derived by nameControls.
bool hasOwnName(const QWidget *control);

// The short form of a tooltip that serves as a name: its first sentence, without the final
// full stop ("Changes the pitch. Default is zero..." gives "Changes the pitch").
QString nameFromToolTip(const QString &toolTip);

// What a control is called for assistive technology: its accessible name as Qt reports it
// (accessible name, caption, or its label's text); for a combo box the text of the label it
// is labelled by, since Qt on Linux reports the chosen entry as the box's name.
QString spokenName(QWidget *control);

// Whether the user can act on the control with keyboard or mouse (buttons, lists, edits,
// combo and spin boxes, sliders; not labels, frames or a scroll area's bars).
bool isInteractive(const QWidget *control);

// Hands an event of a control to assistive technology. Qt passes it on only while one
// listens, which no test platform has, so tests listen here instead (see base/Seam.h).
void notify(QAccessibleEvent &event);
struct ListenerSeam
{
    using Type = std::function<void(QAccessibleEvent &event)>;
};

} // namespace ScreenReader
