#pragma once

#include "base/cSHAREDSettings.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>

// Where the user left each document: one caret position per file name (without folder,
// upper-cased) in a bookmark file, loaded on first use and saved when asked (at close-down).
// The main window's document controller owns the one the program uses; a new object is a
// new run that has read nothing yet.
class mSharedBookmarks
{
public:
    // An empty BookmarkFile means BookMarks.ini in the program folder, as it is at first use.
    explicit mSharedBookmarks(QString BookmarkFile = {});
    ~mSharedBookmarks();
    mSharedBookmarks(mSharedBookmarks &&) noexcept;
    mSharedBookmarks &operator=(mSharedBookmarks &&) noexcept;

    void StoreBookmark(const QString &FilePath, int Position);
    int RetrieveBookmark(const QString &FilePath);
    // The file written whole; what became of it is the caller's to tell (see SaveSettings).
    cSHAREDSettings::SaveOutcome SaveBookmarks();
    // Reads the file again, dropping what was only in memory.
    void LoadBookmarks();
    // What the user should be told about lines of the file that could not be read, since
    // the last call; the file is read on first use, so the caller asks after any operation.
    QStringList TakeLoadProblems() { return std::exchange(m_loadProblems, {}); }

private:
    void InitialiseIfNecessary();

    bool m_initialised = false;
    std::unique_ptr<cSHAREDSettings> m_store;
    QString m_file;
    QStringList m_loadProblems;
};
