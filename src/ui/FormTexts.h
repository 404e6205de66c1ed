#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class QObject;
class QWidget;

// The visible English texts of a window, found by control kind: what the translator
// replaces and what a language template lists. Both walk the same list, so a text
// that is translated is always a text the template offers, and the other way round.
namespace FormTexts {

struct Text
{
    QString value;
    std::function<void(const QString &)> set;
    // Whose text it is and which of its texts ("text", "toolTip", "header0" ...): where the
    // translator keeps the English original (see originalProperty).
    QObject *owner = nullptr;
    QByteArray role;
};

// The dynamic property of a text's owner under which the translator keeps that text's
// English original and what it last showed for it.
QByteArray originalProperty(const QByteArray &role);

// The window's title, then every control's texts in tree order, then the entries of
// its menus. Texts that carry no words are left out: empty texts, single characters
// (symbol-font button pictures such as "7" or "X") and texts without a letter.
// Child windows are not included; each is a window of its own. A text the translator has
// translated before is included even when empty.
QList<Text> collect(QWidget *form);

// Whether a text is worth translating at all (see collect()).
bool isTranslatable(const QString &text);

// The program's windows, hidden ones included, in the window system's order:
// no menus, tool tips or other popups.
QList<QWidget *> loadedWindows();

} // namespace FormTexts
