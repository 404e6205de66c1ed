#pragma once

#include <QStringList>
#include <optional>

// The font families installed for the screen, the list that font checks look through.
namespace InstalledFonts {

// Every installed family name, as the font system reports it.
QStringList families();

// Whether a family of that name is installed, ignoring letter case.
bool isInstalled(const QString &family);

// The families to report instead of the font system's (see base/Seam.h): tests pretend a
// font is or is not installed. Empty: the font system's own list.
struct FamiliesSeam
{
    using Type = std::optional<QStringList>;
};

} // namespace InstalledFonts
