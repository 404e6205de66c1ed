#include "base/InstalledFonts.h"

#include "base/Seam.h"

#include <QFontDatabase>

namespace InstalledFonts {

QStringList families()
{
    if (const auto &pretended = Seam::current<FamiliesSeam>())
        return *pretended;
    return QFontDatabase::families();
}

bool isInstalled(const QString &family)
{
    const QString wanted = family.trimmed();
    if (wanted.isEmpty())
        return false;
    const QStringList all = families();
    for (const QString &name : all) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace InstalledFonts
