#pragma once

#include <QStringList>

// The font families installed for the screen, the list that font checks look through.
namespace InstalledFonts {

// Every installed family name, as the font system reports it.
QStringList families();

// Whether a family of that name is installed, ignoring letter case.
bool isInstalled(const QString &family);

} // namespace InstalledFonts
