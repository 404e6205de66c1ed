#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class QAbstractButton;
class QWidget;

// Keyboard shortcuts of buttons, shown at the end of their tooltips: "Read from cursor
// position (F6)". The keys are not translated texts: the translator translates the tooltip
// without them and puts them back (FormTexts).
namespace ShortcutKeys {

// The keys press the button as a click would, while its window is active and the button
// is visible and enabled. The first key is the one its tooltip shows.
void bind(QAbstractButton *button, const QList<QKeySequence> &keys);

// What the control's tooltip ends with: " (F6)", or empty without a shortcut.
QString toolTipSuffix(const QWidget *control);
// The tooltip without that ending: the text to translate.
QString plainToolTip(const QWidget *control);
// Sets the tooltip from its plain text, the shortcut appended.
void setToolTip(QWidget *control, const QString &plainText);

} // namespace ShortcutKeys
