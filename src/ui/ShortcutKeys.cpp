#include "ui/ShortcutKeys.h"

#include <QAbstractButton>
#include <QShortcut>
#include <QVariant>

namespace {

const char *const kKeysProperty = "_orlin_shortcut";

} // namespace

namespace ShortcutKeys {

void bind(QAbstractButton *button, const QList<QKeySequence> &keys)
{
    if (!button || keys.isEmpty())
        return;
    const QString plain = plainToolTip(button);
    for (const QKeySequence &key : keys) {
        // Parented to the button, so a hidden or disabled button's keys do nothing.
        auto *shortcut = new QShortcut(key, button);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    }
    button->setProperty(kKeysProperty, keys.constFirst().toString(QKeySequence::NativeText));
    setToolTip(button, plain);
}

QString toolTipSuffix(const QWidget *control)
{
    const QString keys = control->property(kKeysProperty).toString();
    return keys.isEmpty() ? QString() : QStringLiteral(" (") + keys + QLatin1Char(')');
}

QString plainToolTip(const QWidget *control)
{
    const QString suffix = toolTipSuffix(control);
    QString tip = control->toolTip();
    if (!suffix.isEmpty() && tip.endsWith(suffix))
        tip.chop(suffix.size());
    return tip;
}

void setToolTip(QWidget *control, const QString &plainText)
{
    control->setToolTip(plainText.isEmpty() ? plainText : plainText + toolTipSuffix(control));
}

} // namespace ShortcutKeys
