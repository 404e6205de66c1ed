#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QStyle>

// The symbol fonts the reading buttons were drawn for, and the icons that replace
// them where those fonts are not installed (most Linux desktops).
namespace SymbolFonts {

// Whether an installed screen font, upper-cased, is called UpperName ("WEBDINGS").
bool isInstalled(const QString &UpperName);

// The desktop's themed icon, or the style's own when the theme has none.
QIcon themeIcon(const QString &name, QStyle::StandardPixmap fallback);

} // namespace SymbolFonts
