// The zip wrapper on real archives of other projects and on hostile archives made
// here: what is written, what is refused, and that a failure leaves no half file.
#include "library/cSHAREDUnzip2.h"

#include "base/cSharedLogging.h"
#include "support/Corpora.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "support/TinyFilesystem.h"
#include "support/ZipBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <utime.h>
#include <zip.h>

namespace {

class Unzip : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    QString out = folder.file("out");
    QStringList passwords; // answers, one per request
    int passwordRequests = 0;

    // Every file under the output folder, relative, "/"-separated.
    QStringList written(const QString &root = {}) const
    {
        const QString base = root.isEmpty() ? out : root;
        QStringList files;
        QDirIterator it(base, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(base).relativeFilePath(it.next());
        files.sort();
        return files;
    }
    QByteArray content(const QString &relative) const
    {
        QFile f(out + "/" + relative);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    std::unique_ptr<cSHAREDUnzip2> unzipper(const QString &zip)
    {
        auto u = std::make_unique<cSHAREDUnzip2>();
        u->setZipfile(zip);
        u->setUnzipFolder(out);
        u->setUseFolderNames(true);
        QObject::connect(u.get(), &cSHAREDUnzip2::PasswordRequest,
                         [this](QString &pw, bool &) { pw = passwords.value(passwordRequests++); });
        return u;
    }
    QString zipOf(const QList<ZipItem> &items, const QString &name = "made.zip")
    {
        const QString path = folder.file(name);
        EXPECT_TRUE(writeZip(path, items));
        return path;
    }
};

struct CorpusCase
{
    const char *archive;
    const char *password;
    bool ok;
    std::vector<std::pair<const char *, const char *>> files; // name, start of content ("" any)
};

TEST_F(Unzip, SharedCorpus)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    const bool aes = zip_encryption_method_supported(ZIP_EM_AES_128, 0);
    const bool bzip2 = zip_compression_method_supported(ZIP_CM_BZIP2, 0);
    const CorpusCase cases[] = {
        { "libzip/test.zip", nullptr, true, { { "test", "test" }, { "testdir/test2", "test" } } },
        { "libzip/testempty.zip", nullptr, true, {} },
        { "libzip/testdeflated2.zip",
          nullptr,
          true,
          { { "abac-repeat.txt", "aaaaaaaaaaaaaa\nbbbb" },
            { "abac-repeat2.txt", "aaaaaaaaaaaaaa\nbbbb" } } },
        { "libzip/encrypt.zip", "foo", true, { { "encrypted", "foo\n" }, { "plain", "foo\n" } } },
        { "libzip/encrypt.zip", "notfoo", false, { { "plain", "foo\n" } } },
        { "libzip/encrypt.zip", "", false, { { "plain", "foo\n" } } },
        { "libzip/encrypt-1234.zip",
          "1234",
          true,
          { { "sample.txt",
              "I would love to try or hear the sample audio your app can produce." } } },
        { "libzip/encrypt-pkware-noentropy.zip",
          "no-entropy",
          true,
          { { "encrypted", "encrypted\n" }, { "plain", "" } } },
        { "libzip/encrypt-aes128.zip", "foofoofoo", aes,
          aes ? std::vector<std::pair<const char *, const char *>> { { "encrypted", "" },
                                                                     { "plain", "" } }
              : std::vector<std::pair<const char *, const char *>> { { "plain", "" } } },
        { "libzip/testbzip2.zip", nullptr, bzip2,
          bzip2
              ? std::vector<std::pair<const char *, const char *>> { { "abac-repeat.txt", "aaaa" } }
              : std::vector<std::pair<const char *, const char *>> {} },
        { "libzip/testfile-xz.zip", nullptr, false, {} },
        { "libzip/testfile-zstd.zip", nullptr, false, {} },
        { "libzip/bogus.zip", nullptr, false, {} },
        { "libzip/testfile-truncated.zip", nullptr, false, {} },
        { "libzip/incons-local-crc.zip", nullptr, false, {} },
        { "libzip/incons-data.zip", nullptr, false, {} },
        { "libzip/incons-cdoffset.zip", nullptr, false, {} },
        { "libzip/incons-file-count-high.zip", nullptr, false, {} },
        { "libzip/filename_empty.zip", nullptr, false, {} },
        { "libzip/bigzero-zip.zip", nullptr, true, { { "bigzero.zip", "PK" } } },
        { "libzip/streamed.zip", nullptr, true, { { "-", "" } } },
        { "misc/zip2-data_descriptor.zip", nullptr, true, { { "hello.txt", "" } } },
        { "misc/zip2-symlink.zip", nullptr, false, {} },
        { "misc/zt-zip-backSlashTest.zip", nullptr, false, {} },
        { "misc/zt-zip-demo-dirs.zip",
          nullptr,
          true,
          { { "a/b.txt", "" },
            { "a/b/c.txt", "" },
            { "a/bad.txt", "" },
            { "attic/treasure.txt", "" },
            { "bar.txt", "" },
            { "foo.txt", "" },
            { "foo1.txt", "" },
            { "foo2.txt", "" } } },
    };
    for (const CorpusCase &c : cases) {
        QDir(out).removeRecursively();
        passwords = QStringList { QString::fromUtf8(c.password ? c.password : "") };
        passwordRequests = 0;
        auto u = unzipper(corporaFile(QStringLiteral("zip/") + c.archive));
        EXPECT_EQ(u->Unzip(), c.ok) << c.archive;
        EXPECT_LE(passwordRequests, 1) << c.archive;
        QStringList expected;
        for (const auto &[name, start] : c.files) {
            expected << name;
            EXPECT_TRUE(content(name).startsWith(start)) << c.archive << " " << name;
        }
        expected.sort();
        EXPECT_EQ(written(), expected) << c.archive;
        if (QFileInfo::exists(out + "/bigzero.zip")) {
            EXPECT_EQ(QFileInfo(out + "/bigzero.zip").size(), 4168377);
        }
    }
}

TEST_F(Unzip, DirectoryListsFilesOfRealArchives)
{
    if (corporaFolder().isEmpty())
        GTEST_SKIP() << "shared corpora not present";
    auto u = unzipper(corporaFile("zip/libzip/encrypt.zip"));
    ASSERT_TRUE(u->Directory());
    ASSERT_EQ(u->FileCount(), 2);
    EXPECT_EQ(u->Filename(1), "encrypted");
    EXPECT_TRUE(u->FileEncrypted(1));
    EXPECT_FALSE(u->FileEncrypted(2));
    EXPECT_EQ(u->FileSize(2), 4);
    EXPECT_EQ(u->FileCRC(2), 0x7e3265a8u);
    EXPECT_EQ(u->FileCompressionMethod(2), "Stored");
    EXPECT_EQ(u->FileDate(2).time().second(), 0);
    EXPECT_TRUE(u->FileSelected(1));
    // Outside the list: nothing.
    EXPECT_EQ(u->Filename(0), QString());
    EXPECT_EQ(u->FileSize(3), 0);

    u->setZipfile(corporaFile("zip/misc/zt-zip-demo-dirs.zip"));
    EXPECT_EQ(u->FileCount(), 0);
    ASSERT_TRUE(u->Directory());
    EXPECT_EQ(u->FileCount(), 8); // folders are not listed
    QStringList names;
    for (int i = 1; i <= u->FileCount(); ++i)
        names << (u->FileDirectory(i).isEmpty() ? "" : u->FileDirectory(i) + "|") + u->Filename(i);
    EXPECT_TRUE(names.contains("a\\b|c.txt"));
    EXPECT_FALSE(u->Directory() && false);

    u->setZipfile(corporaFile("zip/libzip/bigzero-zip.zip"));
    ASSERT_TRUE(u->Directory());
    EXPECT_EQ(u->FileCompressionMethod(1), "Deflated");
    EXPECT_EQ(u->FilePackedSize(1), 10318);
    EXPECT_EQ(u->FileCompressionRatio(1), 0);
    u->setZipfile(corporaFile("zip/libzip/bogus.zip"));
    EXPECT_FALSE(u->Directory());
}

TEST_F(Unzip, SelectionFoldersAndOptions)
{
    const QString zip = zipOf({ { "a/one.txt", "one" },
                                { "a/b/two words.txt", "two\nlines\r\nend\r" },
                                { "three.txt", "three", ZipItem::File, false } });
    auto u = unzipper(zip);
    EXPECT_TRUE(u->Unzip()); // no list: everything
    EXPECT_EQ(written(), QStringList({ "a/b/two words.txt", "a/one.txt", "three.txt" }));

    QDir(out).removeRecursively();
    ASSERT_TRUE(u->Directory());
    u->setFileSelected(1, false);
    EXPECT_TRUE(u->Unzip());
    EXPECT_EQ(written(), QStringList({ "a/b/two words.txt", "three.txt" }));

    // Deselecting everything extracts nothing.
    QDir(out).removeRecursively();
    for (int i = 1; i <= u->FileCount(); ++i)
        u->setFileSelected(i, false);
    EXPECT_TRUE(u->Unzip());
    EXPECT_TRUE(written().isEmpty());

    // Without folders, blanks to underscores, line ends to CR LF.
    u->setZipfile(zip);
    u->setUseFolderNames(false);
    u->setSpaceToUnderScore(true);
    u->setConvertCRToCRLF(true);
    EXPECT_TRUE(u->Unzip());
    EXPECT_EQ(written(), QStringList({ "one.txt", "three.txt", "two_words.txt" }));
    EXPECT_EQ(content("two_words.txt"), "two\r\nlines\r\nend\r\n");
    EXPECT_EQ(u->ExtractedFiles().size(), 3);

    // Testing reads everything and writes nothing.
    QDir(out).removeRecursively();
    u->setTestZip(true);
    EXPECT_TRUE(u->Unzip());
    EXPECT_FALSE(QFileInfo::exists(out + "/one.txt"));

    EXPECT_FALSE(cSHAREDUnzip2().Unzip()); // no archive named
    int major = 0, minor = 0, revision = 0;
    QString date, extra;
    cSHAREDUnzip2::GetVersion(major, minor, revision, date, extra);
    EXPECT_EQ(QStringLiteral("%1.%2.%3%4").arg(major).arg(minor).arg(revision).arg(extra),
              QString::fromLatin1(zip_libzip_version()));
}

TEST_F(Unzip, OverwriteRules)
{
    const QString zip = zipOf({ { "one.txt", "new one" }, { "two.txt", "new two" } });
    const auto existing = [&] {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        for (const char *name : { "one.txt", "two.txt" }) {
            QFile f(out + "/" + name);
            f.open(QIODevice::WriteOnly);
            f.write("old");
        }
    };
    struct Case
    {
        const char *what;
        bool overwrite;
        bool prompt;
        std::vector<int> answers;
        const char *one;
        const char *two;
        int prompts;
    };
    const Case cases[] = {
        { "neither: existing files stay", false, false, {}, "old", "old", 0 },
        { "overwrite: replaced without asking", true, true, {}, "new one", "new two", 0 },
        { "prompt, no listener answer: kept",
          false,
          true,
          { cSHAREDUnzip2::OverwriteNo, cSHAREDUnzip2::OverwriteNo },
          "old",
          "old",
          2 },
        { "prompt, yes then no",
          false,
          true,
          { cSHAREDUnzip2::OverwriteYes, cSHAREDUnzip2::OverwriteNo },
          "new one",
          "old",
          2 },
        { "prompt, all", false, true, { cSHAREDUnzip2::OverwriteAll }, "new one", "new two", 1 },
        { "prompt, none", false, true, { cSHAREDUnzip2::OverwriteNone }, "old", "old", 1 },
    };
    for (const Case &c : cases) {
        existing();
        auto u = unzipper(zip);
        u->setOverwriteExisting(c.overwrite);
        u->setPromptToOverwrite(c.prompt);
        int prompts = 0;
        QObject::connect(u.get(), &cSHAREDUnzip2::OverwritePrompt,
                         [&](const QString &, int &answer) { answer = c.answers.at(prompts++); });
        EXPECT_TRUE(u->Unzip()) << c.what;
        EXPECT_EQ(content("one.txt"), c.one) << c.what;
        EXPECT_EQ(content("two.txt"), c.two) << c.what;
        EXPECT_EQ(prompts, c.prompts) << c.what;
    }

    // Only newer: an entry older than the file on disk leaves it.
    existing();
    const QByteArray two = QFile::encodeName(out + "/two.txt");
    struct utimbuf past
    {
        1000000000, 1000000000
    };
    ::utime(two.constData(), &past);
    auto u = unzipper(zip);
    u->setExtractOnlyNewer(true);
    EXPECT_TRUE(u->Unzip());
    EXPECT_EQ(content("one.txt"), "old"); // just written: newer than the archive
    EXPECT_EQ(content("two.txt"), "new two");
}

TEST_F(Unzip, PasswordIsAskedOncePerRun)
{
    const QString zip = zipOf({ { "a.txt", "first secret", ZipItem::File, true, "pa55" },
                                { "b.txt", "second secret", ZipItem::File, false, "pa55" },
                                { "c.txt", "open" } });
    const std::tuple<QStringList, bool, QStringList> cases[] = {
        { { "pa55" }, true, { "a.txt", "b.txt", "c.txt" } },
        { { "  pa55 " }, true, { "a.txt", "b.txt", "c.txt" } },
        { { "" }, false, { "c.txt" } }, // an empty answer stops the prompts
        { { "wrong", "pa55" }, false, { "c.txt" } },
    };
    for (const auto &[answers, ok, files] : cases) {
        QDir(out).removeRecursively();
        passwords = answers;
        passwordRequests = 0;
        auto u = unzipper(zip);
        EXPECT_EQ(u->Unzip(), ok) << answers.join('|').toStdString();
        EXPECT_EQ(passwordRequests, 1);
        EXPECT_EQ(written(), files);
        // Each run asks again.
        QDir(out).removeRecursively();
        passwordRequests = 0;
        u->Unzip();
        EXPECT_EQ(passwordRequests, 1);
    }
    EXPECT_EQ(content("c.txt"), "open");
}

TEST_F(Unzip, NamesThatEscapeAreRefused)
{
    const char *names[] = { "../evil.txt",  "a/../../evil.txt", "/tmp/orlin-evil.txt",
                            "C:\\evil.txt", "C:evil.txt",       "a\\..\\..\\evil.txt",
                            "..",           "./../evil.txt" };
    for (const char *name : names) {
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(out);
        const QString zip = zipOf({ { name, "gotcha" }, { "good.txt", "fine" } });
        auto u = unzipper(zip);
        QStringList texts;
        QObject::connect(u.get(), &cSHAREDUnzip2::TextMessage,
                         [&](int, const QString &t) { texts << t; });
        EXPECT_FALSE(u->Unzip()) << name;
        EXPECT_EQ(written(), QStringList { "good.txt" }) << name;
        EXPECT_EQ(written(folder.path()), QStringList({ "made.zip", "out/good.txt" })) << name;
        EXPECT_TRUE(texts.join('\n').contains("refused")) << name;
    }
    EXPECT_FALSE(QFile::exists("/tmp/orlin-evil.txt"));
}

TEST_F(Unzip, LinksAreNeverMadeNorFollowed)
{
    const QString outside = folder.file("outside");
    QDir().mkpath(outside);
    // An entry that is a link, then a file "through" it.
    QString zip = zipOf({ { "link", outside.toUtf8(), ZipItem::Symlink },
                          { "link/x.txt", "through" },
                          { "good.txt", "fine" } });
    auto u = unzipper(zip);
    EXPECT_FALSE(u->Unzip());
    struct stat st;
    EXPECT_TRUE(::lstat(QFile::encodeName(out + "/link").constData(), &st) != 0
                || !S_ISLNK(st.st_mode));
    EXPECT_TRUE(written(outside).isEmpty());

    // A link already in the folder is not followed either.
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(),
                        QFile::encodeName(out + "/sub").constData()),
              0);
    zip = zipOf({ { "sub/x.txt", "through" } });
    EXPECT_FALSE(unzipper(zip)->Unzip());
    EXPECT_TRUE(written(outside).isEmpty());
}

TEST_F(Unzip, ForgedSizesTruncationAndCorruptionLeaveNoFile)
{
    const QByteArray big = QByteArray("All work and no play makes a dull reader. ").repeated(5000);
    for (const bool deflate : { false, true }) {
        QDir(out).removeRecursively();
        const QString zip = zipOf({ { "book.txt", big, ZipItem::File, deflate } });
        ASSERT_TRUE(forgeFirstEntrySize(zip, 1000));
        EXPECT_FALSE(unzipper(zip)->Unzip()) << deflate;
        EXPECT_TRUE(written().isEmpty()) << deflate;
    }

    const QString zip = zipOf({ { "first.txt", "small" }, { "book.txt", big } });
    QFile f(zip);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    f.close();
    // Cut anywhere: the archive is unreadable, and nothing half-written stays.
    for (const qsizetype keep : { qsizetype(10), whole.size() / 2, whole.size() - 10 }) {
        QDir(out).removeRecursively();
        const QString cut = folder.file("cut.zip");
        QFile c(cut);
        ASSERT_TRUE(c.open(QIODevice::WriteOnly | QIODevice::Truncate));
        c.write(whole.left(keep));
        c.close();
        EXPECT_FALSE(unzipper(cut)->Unzip()) << keep;
        EXPECT_TRUE(written().isEmpty()) << keep;
    }
    // Damaged data inside an intact directory: the small file comes out, the damaged one
    // does not, not even in part.
    QByteArray damaged = whole;
    const qsizetype data = damaged.indexOf("book.txt") + 8 + 200;
    for (qsizetype i = data; i < data + 64; ++i)
        damaged[i] = char(damaged[i] ^ 0x5a);
    const QString bad = folder.file("damaged.zip");
    QFile d(bad);
    ASSERT_TRUE(d.open(QIODevice::WriteOnly | QIODevice::Truncate));
    d.write(damaged);
    d.close();
    QDir(out).removeRecursively();
    EXPECT_FALSE(unzipper(bad)->Unzip());
    EXPECT_EQ(written(), QStringList { "first.txt" });
}

TEST_F(Unzip, CancelStopsTheRun)
{
    const QString zip = zipOf({ { "1.txt", "a" }, { "2.txt", "b" }, { "3.txt", "c" } });
    auto u = unzipper(zip);
    QStringList seen;
    QObject::connect(u.get(), &cSHAREDUnzip2::Service, [&](const QString &name, bool &cancel) {
        seen << name;
        cancel = name == "2.txt";
    });
    EXPECT_FALSE(u->Unzip());
    EXPECT_EQ(seen, QStringList({ "1.txt", "2.txt" }));
    EXPECT_EQ(written(), QStringList { "1.txt" });
}

// A full disk: a real small file system when the tests may mount one (root), and a
// file-size limit (RLIMIT_FSIZE), which needs no privilege, in any case.
TEST_F(Unzip, DiskFullFailsCleanly)
{
    const QString zip =
        zipOf({ { "small.txt", "fits" },
                { "big.txt", QByteArray(2 * 1024 * 1024, 'z'), ZipItem::File, false } });
    TinyFilesystem tiny(256);
    if (tiny.available()) {
        // Known before a byte is written: refused whole.
        auto u = unzipper(zip);
        u->setUnzipFolder(tiny.path());
        EXPECT_FALSE(u->Unzip());
        EXPECT_EQ(u->LastProblem(), cSHAREDUnzip2::Problem::DiskFull);
        EXPECT_EQ(u->NeededBytes(), 2 * 1024 * 1024 + 4);
        EXPECT_EQ(written(tiny.path()), QStringList {});
    }

    struct rlimit before;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = before;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto u = unzipper(zip);
    QDir().mkpath(out + "/already");
    const bool ok = u->Unzip();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    // Full in the middle of the run: what the run wrote goes again, and only that.
    EXPECT_FALSE(ok);
    EXPECT_EQ(u->LastProblem(), cSHAREDUnzip2::Problem::DiskFull);
    EXPECT_EQ(written(), QStringList {});
    EXPECT_TRUE(QFileInfo(out + "/already").isDir());
    Log().WriteActionsToLog();
}

// An archive over a bound is refused before a byte is written, whatever its entries are
// called; small files may be packed any amount.
TEST_F(Unzip, BoundsRefuseTheWholeArchive)
{
    using Problem = cSHAREDUnzip2::Problem;
    const QByteArray zeros(2 * 1024 * 1024, '\0');
    QList<ZipItem> many;
    for (int i = 0; i < 11; ++i)
        many.append(ZipItem("d/" + QByteArray::number(i) + ".txt", "x"));
    cSHAREDUnzip2::Limits tight;
    tight.entries = 10;
    tight.totalBytes = 3 * 1024 * 1024;
    tight.ratio = 500;
    const struct
    {
        const char *what;
        QList<ZipItem> items;
        Problem problem;
    } cases[] = {
        { "a bomb after a good file",
          { { "a.txt", "fine" }, { "zeros.txt", zeros } },
          Problem::TooPacked },
        { "too many entries", many, Problem::TooManyFiles },
        { "too large in all",
          { { "1.txt", QByteArray(2 * 1024 * 1024, 'a'), ZipItem::File, false },
            { "2.txt", QByteArray(2 * 1024 * 1024, 'b'), ZipItem::File, false } },
          Problem::TooLarge },
        { "a small file packed tight",
          { { "blank.txt", QByteArray(512 * 1024, ' ') } },
          Problem::None },
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.what);
        QDir(out).removeRecursively();
        auto u = unzipper(zipOf(k.items));
        u->setLimits(tight);
        EXPECT_EQ(u->Unzip(), k.problem == Problem::None);
        EXPECT_EQ(u->LastProblem(), k.problem);
        if (k.problem != Problem::None) {
            EXPECT_EQ(written(), QStringList {});
        }
    }
}

// Nothing an archive brings is executable, whatever its entry says.
TEST_F(Unzip, NothingUnpackedIsExecutable)
{
    auto u = unzipper(zipOf({ { "bin/Orlin",
                                "\x7f"
                                "ELF",
                                ZipItem::Program } }));
    ASSERT_TRUE(u->Unzip());
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(out + "/bin/Orlin").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u);
}

} // namespace
