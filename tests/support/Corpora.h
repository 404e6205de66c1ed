#pragma once

#include <QString>

// The shared reference corpora that sit beside the project ("../shared/corpora"), or an
// empty string when they are absent; tests that need them skip, saying so.
QString corporaFolder();
// A file under the corpora folder, or an empty string when it does not exist.
QString corporaFile(const QString &relative);
