#include "documents/mSharedBookmarks.h"

#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"

namespace {

const QString Module = QStringLiteral("mSHAREDBookmarks");

QString bookmarkName(const QString &FilePath)
{
    return cSharedFileSubs::FileOnly(FilePath).toUpper();
}

} // namespace

mSharedBookmarks::mSharedBookmarks(QString BookmarkFile)
    : m_file(std::move(BookmarkFile))
{
}

mSharedBookmarks::~mSharedBookmarks() = default;
mSharedBookmarks::mSharedBookmarks(mSharedBookmarks &&) noexcept = default;
mSharedBookmarks &mSharedBookmarks::operator=(mSharedBookmarks &&) noexcept = default;

void mSharedBookmarks::InitialiseIfNecessary()
{
    if (m_initialised)
        return;
    Trace::attempt(QStringLiteral("sub initialiseifnecessary"), Module, [&] {
        m_store = std::make_unique<cSHAREDSettings>();
        if (m_file.isEmpty())
            m_file = ProgramInfo::programFile(QStringLiteral("BookMarks.ini"));
    });
    // Set before loading, so the load's own InitialiseIfNecessary does nothing.
    m_initialised = true;
    LoadBookmarks();
}

void mSharedBookmarks::StoreBookmark(const QString &FilePath, int Position)
{
    if (FilePath.isEmpty())
        return;
    InitialiseIfNecessary();
    Trace::attempt(QStringLiteral("sub storebookmark"), Module, [&] {
        const QString name = bookmarkName(FilePath);
        if (!name.isEmpty() && m_store)
            m_store->StoreSetting(name, Position);
    });
}

int mSharedBookmarks::RetrieveBookmark(const QString &FilePath)
{
    InitialiseIfNecessary();
    int position = 0;
    Trace::attempt(QStringLiteral("function retrievebookmark"), Module, [&] {
        const QString name = bookmarkName(FilePath);
        if (!name.isEmpty() && m_store)
            position = settingToInt(m_store->RetrieveSetting(name, 0), 0);
    });
    return position;
}

cSHAREDSettings::SaveOutcome mSharedBookmarks::SaveBookmarks()
{
    InitialiseIfNecessary();
    cSHAREDSettings::SaveOutcome outcome;
    Trace::attempt(QStringLiteral("sub savebookmarks"), Module, [&] {
        if (m_store)
            outcome = m_store->SaveSettings(m_file);
    });
    return outcome;
}

void mSharedBookmarks::LoadBookmarks()
{
    InitialiseIfNecessary();
    Trace::attempt(QStringLiteral("sub loadbookmarks"), Module, [&] {
        if (m_store)
            m_loadProblems += m_store->LoadSettings(m_file);
    });
}
