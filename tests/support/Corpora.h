#pragma once

#include <QString>

// The shared reference corpora that sit beside the project ("../shared/corpora", or one
// folder further up for a worktree), or an empty string when they are absent; tests that
// need them skip, saying so.
QString corporaFolder();
// A file under the corpora folder, or an empty string when it does not exist.
QString corporaFile(const QString &relative);
