#include "base/PrivateFolder.h"

#include "base/Failure.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

int modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void setMode(const QString &path, int mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

TEST(PrivateFolder, OnlyAFolderOfThisUsersOwnIsUsed)
{
    QTemporaryDir runtime;
    QTemporaryDir temp;
    QTemporaryDir elsewhere;
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray tempBefore = qgetenv("TMPDIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qputenv("TMPDIR", QFile::encodeName(temp.path()));

    setMode(runtime.path(), 0700);
    EXPECT_EQ(PrivateFolder::forPassingFiles(), runtime.path() + "/orlin");
    EXPECT_EQ(modeOf(runtime.path() + "/orlin"), 0700);

    // A runtime folder others can enter is no private place; our own folder in the
    // temporary one, left open, is closed.
    setMode(runtime.path(), 0755);
    const QString usual = temp.path() + "/orlin-" + QString::number(::geteuid());
    QDir().mkpath(usual);
    setMode(usual, 0777);
    EXPECT_EQ(PrivateFolder::forPassingFiles(), usual);
    EXPECT_EQ(modeOf(usual), 0700);

    // A link planted at the usual name is neither followed nor used.
    QDir(usual).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere.path(), usual));
    EXPECT_THROW(PrivateFolder::ensure(usual), Failure);
    const QString chosen = PrivateFolder::forPassingFiles();
    EXPECT_TRUE(chosen.startsWith(temp.path() + "/orlin-")) << chosen.toStdString();
    EXPECT_NE(chosen, usual);
    EXPECT_EQ(modeOf(chosen), 0700);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    EXPECT_EQ(modeOf(elsewhere.path()), 0700);

    qputenv("XDG_RUNTIME_DIR", runtimeBefore);
    qputenv("TMPDIR", tempBefore);
}

} // namespace
