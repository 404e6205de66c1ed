#include "ui/SymbolFonts.h"

#include "base/InstalledFonts.h"

#include <QApplication>

#include <algorithm>

namespace {
std::optional<QStringList> &familiesOverride()
{
    static std::optional<QStringList> families;
    return families;
}
} // namespace

namespace SymbolFonts {

QStringList installedFamilies()
{
    if (familiesOverride())
        return *familiesOverride();
    return InstalledFonts::families();
}

void setFamiliesForTesting(std::optional<QStringList> families)
{
    familiesOverride() = std::move(families);
}

bool isInstalled(const QString &UpperName)
{
    const QStringList families = installedFamilies();
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
