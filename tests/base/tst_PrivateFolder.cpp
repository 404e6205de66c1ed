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

// Points the runtime and temporary folders elsewhere for one test.
class Environment
{
public:
    Environment(const QByteArray &runtime, const QByteArray &temp)
        : m_runtime(qgetenv("XDG_RUNTIME_DIR"))
        , m_temp(qgetenv("TMPDIR"))
    {
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("TMPDIR", temp);
    }
    ~Environment()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime);
        qputenv("TMPDIR", m_temp);
    }

private:
    QByteArray m_runtime;
    QByteArray m_temp;
};

TEST(PrivateFolder, RuntimeFolderFirstThenTheTemporaryOne)
{
    QTemporaryDir runtime;
    QTemporaryDir temp;
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
    {
        Environment env(QFile::encodeName(runtime.path()), QFile::encodeName(temp.path()));
        EXPECT_EQ(PrivateFolder::forPassingFiles(), runtime.path() + "/orlin");
        EXPECT_EQ(modeOf(runtime.path() + "/orlin"), 0700);
    }
    // A runtime folder others can enter is no private place; nor is an unset one.
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
    for (const QByteArray &unsound : { QFile::encodeName(runtime.path()), QByteArray() }) {
        Environment env(unsound, QFile::encodeName(temp.path()));
        const QString expected = temp.path() + "/orlin-" + QString::number(::geteuid());
        EXPECT_EQ(PrivateFolder::forPassingFiles(), expected);
        EXPECT_EQ(modeOf(expected), 0700);
    }
}

TEST(PrivateFolder, PlantedOrOpenFoldersAreNotUsedAsTheyAre)
{
    QTemporaryDir temp;
    QTemporaryDir elsewhere;
    const QString usual = temp.path() + "/orlin-" + QString::number(::geteuid());
    Environment env(QByteArray(), QFile::encodeName(temp.path()));

    // Our own folder left open to others is closed.
    QDir().mkpath(usual);
    ::chmod(QFile::encodeName(usual).constData(), 0777);
    EXPECT_EQ(PrivateFolder::forPassingFiles(), usual);
    EXPECT_EQ(modeOf(usual), 0700);

    // A link planted at the usual name is neither followed nor used.
    QDir(usual).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere.path(), usual));
    EXPECT_THROW(PrivateFolder::ensure(usual), Failure);
    const QString chosen = PrivateFolder::forPassingFiles();
    EXPECT_NE(chosen, usual);
    EXPECT_TRUE(chosen.startsWith(temp.path() + "/orlin-"));
    EXPECT_FALSE(QFileInfo(chosen).isSymLink());
    EXPECT_EQ(modeOf(chosen), 0700);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    EXPECT_EQ(modeOf(elsewhere.path()), 0700);

    // Someone else's folder (only root can make one to try).
    if (::geteuid() == 0) {
        QFile::remove(usual);
        QDir().mkpath(usual);
        ASSERT_EQ(::chown(QFile::encodeName(usual).constData(), 65534, 65534), 0);
        EXPECT_THROW(PrivateFolder::ensure(usual), Failure);
        EXPECT_NE(PrivateFolder::forPassingFiles(), usual);
    }
}

} // namespace
