#pragma once

#include <QString>

// Where the user left each document: one caret position per file name (without
// folder, upper-cased) in BookMarks.ini, loaded on first use, saved at close-down.
namespace mSharedBookmarks {
void StoreBookmark(const QString &FilePath, int Position);
int RetrieveBookmark(const QString &FilePath);
void SaveBookmarks();
void LoadBookmarks();
// Tests: forget the module state, so the next call loads the file again.
void resetForTesting();
} // namespace mSharedBookmarks
