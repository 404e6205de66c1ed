#pragma once

#include "base/cSHAREDSettings.h"

#include <functional>

class QWidget;

// Saving a file of settings (Orlin.ini, BookMarks.ini) as the user meets it: a file that stays
// read-only is told, a full disk is asked about (Retry saves again, Cancel gives up), any other
// failure is shown as an error that names the file. The saving itself is `save`'s.
namespace SettingsSaver {

// True when the file was saved.
bool Save(const std::function<cSHAREDSettings::SaveOutcome()> &save, QWidget *parent = nullptr);

} // namespace SettingsSaver
