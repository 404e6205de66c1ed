#include "ui/SymbolFonts.h"

#include "base/InstalledFonts.h"

#include <QApplication>

#include <algorithm>

namespace SymbolFonts {

bool isInstalled(const QString &UpperName)
{
    const QStringList families = InstalledFonts::families();
    return std::any_of(families.cbegin(), families.cend(),
                       [&](const QString &family) { return family.toUpper() == UpperName; });
}

QIcon themeIcon(const QString &name, QStyle::StandardPixmap fallback)
{
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull())
        return themed;
    return QApplication::style()->standardIcon(fallback);
}

} // namespace SymbolFonts
