#include "documents/mSharedBookmarks.h"

#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"

#include <memory>

namespace {

const QString Module = QStringLiteral("mSHAREDBookmarks");

struct State
{
    bool Initialised = false;
    std::unique_ptr<cSHAREDSettings> BookmarkStore;
    QString BookmarkFile;
};

State &state()
{
    static State s;
    return s;
}

QString bookmarkName(const QString &FilePath)
{
    return cSharedFileSubs::FileOnly(FilePath).toUpper();
}

void InitialiseIfNecessary()
{
    State &s = state();
    if (s.Initialised)
        return;
    Trace::attempt(QStringLiteral("sub initialiseifnecessary"), Module, [&] {
        s.BookmarkStore = std::make_unique<cSHAREDSettings>();
        s.BookmarkFile = ProgramInfo::programFile(QStringLiteral("BookMarks.ini"));
    });
    // Set before loading, so the load's own InitialiseIfNecessary does nothing.
    s.Initialised = true;
    mSharedBookmarks::LoadBookmarks();
}

} // namespace

namespace mSharedBookmarks {

void StoreBookmark(const QString &FilePath, int Position)
{
    if (FilePath.isEmpty())
        return;
    InitialiseIfNecessary();
    Trace::attempt(QStringLiteral("sub storebookmark"), Module, [&] {
        const QString name = bookmarkName(FilePath);
        if (!name.isEmpty() && state().BookmarkStore)
            state().BookmarkStore->StoreSetting(name, Position);
    });
}

int RetrieveBookmark(const QString &FilePath)
{
    InitialiseIfNecessary();
    int position = 0;
    Trace::attempt(QStringLiteral("function retrievebookmark"), Module, [&] {
        const QString name = bookmarkName(FilePath);
        if (!name.isEmpty() && state().BookmarkStore)
            position = settingToInt(state().BookmarkStore->RetrieveSetting(name, 0), 0);
    });
    return position;
}

void SaveBookmarks()
{
    InitialiseIfNecessary();
    Trace::attempt(QStringLiteral("sub savebookmarks"), Module, [&] {
        if (state().BookmarkStore)
            state().BookmarkStore->SaveSettings(state().BookmarkFile);
    });
}

void LoadBookmarks()
{
    InitialiseIfNecessary();
    Trace::attempt(QStringLiteral("sub loadbookmarks"), Module, [&] {
        if (state().BookmarkStore)
            state().BookmarkStore->LoadSettings(state().BookmarkFile);
    });
}

void resetForTesting()
{
    state() = State();
}

} // namespace mSharedBookmarks
