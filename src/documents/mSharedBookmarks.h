#pragma once

#include <QString>
#include <memory>

class cSHAREDSettings;

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
    void SaveBookmarks();
    // Reads the file again, dropping what was only in memory.
    void LoadBookmarks();

private:
    void InitialiseIfNecessary();

    bool m_initialised = false;
    std::unique_ptr<cSHAREDSettings> m_store;
    QString m_file;
};
