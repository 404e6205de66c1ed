#include "ui/ScreenReader.h"

#include "base/Seam.h"
#include "ui/FormTexts.h"
#include "ui/ShortcutKeys.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QTabBar>
#include <QTextEdit>

namespace {

// What this code set, so that it can tell its own name from one the program gave.
const char *const kDerivedName = "_orlin_a11y_name";
const char *const kDerivedDescription = "_orlin_a11y_description";

QString withoutMnemonic(QString text)
{
    text.replace(QLatin1String("&&"), QString(QChar(0xFFFF)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0xFFFF), QLatin1Char('&'));
    return text.trimmed();
}

QLabel *labelFor(QWidget *control)
{
    const auto labels = control->window()->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->buddy() == control)
            return label;
    }
    return nullptr;
}

// The name Qt gives the control itself: a button's caption, or the text of its label.
QString ownName(QWidget *control)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return withoutMnemonic(button->text());
    if (QLabel *label = labelFor(control))
        return withoutMnemonic(label->text());
    return {};
}

// Sets one of the control's accessible texts unless the program set it: an empty text, or
// the one set here before, may be replaced.
void setDerived(QWidget *control, const char *marker, const QString &current, const QString &value,
                void (QWidget::*set)(const QString &))
{
    const QString mine = control->property(marker).toString();
    if (!current.isEmpty() && current != mine)
        return;
    if (current != value)
        (control->*set)(value);
    control->setProperty(marker, value);
}

} // namespace

namespace ScreenReader {

bool isInteractive(const QWidget *control)
{
    const QWidget *parent = control->parentWidget();
    // The edit inside a combo or spin box and the header of a list are parts of them.
    if (qobject_cast<const QHeaderView *>(control)
        || (parent
            && (qobject_cast<const QComboBox *>(parent)
                || qobject_cast<const QAbstractSpinBox *>(parent))))
        return false;
    return qobject_cast<const QAbstractButton *>(control)
        || qobject_cast<const QComboBox *>(control) || qobject_cast<const QLineEdit *>(control)
        || qobject_cast<const QAbstractSpinBox *>(control) || qobject_cast<const QSlider *>(control)
        || qobject_cast<const QAbstractItemView *>(control)
        || qobject_cast<const QTextEdit *>(control) || qobject_cast<const QPlainTextEdit *>(control)
        || qobject_cast<const QTabBar *>(control);
}

QString nameFromToolTip(const QString &toolTip)
{
    static const QRegularExpression sentenceEnd(QStringLiteral("[.!?](\\s|$)|\\n"));
    QString name = toolTip.trimmed();
    const QRegularExpressionMatch end = sentenceEnd.match(name);
    if (end.hasMatch())
        name.truncate(end.capturedStart());
    return name.trimmed();
}

void nameControls(QWidget *window)
{
    if (!window)
        return;
    const auto controls = window->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (control->window() != window || !isInteractive(control)
            || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        setDerived(control, kDerivedDescription, control->accessibleDescription(),
                   control->toolTip(), &QWidget::setAccessibleDescription);
        // A caption of a symbol ("+", "X") or none at all says nothing.
        const QString name = FormTexts::isTranslatable(ownName(control))
            ? QString()
            : nameFromToolTip(ShortcutKeys::plainToolTip(control));
        setDerived(control, kDerivedName, control->accessibleName(), name,
                   &QWidget::setAccessibleName);
    }
}

bool hasOwnName(const QWidget *control)
{
    const QString name = control->accessibleName();
    return !name.isEmpty() && name != control->property(kDerivedName).toString();
}

QString spokenName(QWidget *control)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(control);
    if (!face)
        return {};
    // Qt on Linux gives a combo box's chosen item as its name ("0") whatever its accessible
    // name, so a screen reader calls the box by the label it is labelled by, or by nothing.
    if (qobject_cast<QComboBox *>(control)) {
        const auto labels = face->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    }
    return face->text(QAccessible::Name);
}

void notify(QAccessibleEvent &event)
{
    if (const auto &listener = Seam::current<ListenerSeam>())
        listener(event);
    QAccessible::updateAccessibility(&event);
}

} // namespace ScreenReader
