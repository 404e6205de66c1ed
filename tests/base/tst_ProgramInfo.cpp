#include "base/ProgramInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

// Where the program keeps settings, bookmarks and its log: beside itself only in a folder
// of its own; an installation's bin folder never gets them, even where it is writable.
TEST(ProgramInfo, OnlyAPortableFolderKeepsTheUsersFiles)
{
    QTemporaryDir dir;
    const QDir top(dir.path());
    ASSERT_TRUE(top.mkpath("portable") && top.mkpath("prefix/bin")
                && top.mkpath("prefix/share/orlin") && top.mkpath("other/bin")
                && top.mkpath("other/share/doc") && top.mkpath("locked"));
    ASSERT_TRUE(QFile::setPermissions(top.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
    const struct
    {
        const char *folder;
        bool portable;
    } cases[] = {
        { "portable", true },
        { "prefix/bin", false }, // installed: share/orlin beside bin
        { "other/bin", true }, // some other program's share folder does not count
        { "locked", ::geteuid() == 0 }, // root writes anywhere
        { "missing", false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ProgramInfo::isPortableFolder(top.filePath(c.folder)), c.portable) << c.folder;
    QFile::setPermissions(top.filePath("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
