// The version texts and version files the update check reads, and which version is newer.
#include "net/UpdateVersion.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

VersionRecord version(const char *text)
{
    VersionRecord record;
    EXPECT_TRUE(UpdateVersion::ExtractVersionFromAppVer(QString::fromLatin1(text), record)) << text;
    return record;
}

TEST(UpdateVersion, ReadsVersionTexts)
{
    struct Case
    {
        const char *text;
        bool ok;
        const char *read; // text() of the record afterwards
    } cases[] = {
        { "2.4.1", true, "2.4.1" },
        { "2.4.1b", true, "2.4.1b" },
        // The suffix is what follows the revision's digits, leading zeros or not.
        { "2.4.01b", true, "2.4.1b" },
        { "2.4.1 ", true, "2.4.1" },
        { " 3. 0.2", true, "3.0.2" },
        { "x.4.beta", true, "0.4.0beta" },
        { "1.2.3.4", true, "1.2.3" },
        // Shown as compared: a suffix of digits keeps the blank that sets it apart, so
        // revision 1 with suffix "1" is never read back as revision 11.
        { "2.4.1 1", true, "2.4.1 1" },
        { "2.4.1 beta", true, "2.4.1beta" },
        { "2.4.1-rc1", true, "2.4.1-rc1" },
        // Untouched: too few parts, or a number past 16 bits.
        { "2.4", false, "7.7.7z" },
        { "", false, "7.7.7z" },
        { "2.4.70000", false, "7.7.7z" },
        // A suffix is a short word: no markup, no second blank, no essay.
        { "2.4.1<b>new</b>", false, "7.7.7z" },
        { "2.4.1 1 2", false, "7.7.7z" },
        { "2.4.1abcdefghijklmnopq", false, "7.7.7z" },
    };
    for (const Case &c : cases) {
        VersionRecord record { 7, 7, 7, QStringLiteral("z") };
        EXPECT_EQ(UpdateVersion::ExtractVersionFromAppVer(QString::fromLatin1(c.text), record),
                  c.ok)
            << c.text;
        EXPECT_EQ(record.text(), QString::fromLatin1(c.read)) << c.text;
        // What is shown reads back as the same version.
        VersionRecord again;
        EXPECT_TRUE(UpdateVersion::ExtractVersionFromAppVer(record.text(), again)
                    && again == record)
            << c.text;
    }
}

TEST(UpdateVersion, ComparesLikeTheCheck)
{
    struct Case
    {
        const char *latest;
        const char *running;
        bool newer;
    } cases[] = {
        { "2.4.1b", "2.4.1", true },   { "2.4.1", "2.4.1", false },  { "2.5.0", "2.4.9", true },
        { "2.4.9", "2.5.0", false },   { "2.4.1", "2.4.1b", false }, { "2.4.1c", "2.4.1b", true },
        { "3.0.0", "2.9.9", true },    { "2.10.0", "2.9.0", true },  { "1.9.9", "2.0.0", false },
        { "2.4.1B", "2.4.1b", false },
    };
    for (const Case &c : cases)
        EXPECT_EQ(UpdateVersion::IsNewer(version(c.latest), version(c.running)), c.newer)
            << c.latest << " against " << c.running;
}

TEST(UpdateVersion, ReadsVersionFiles)
{
    const QString megabyte(1024 * 1024, QLatin1Char('b'));
    struct Case
    {
        QString file;
        bool ok;
        const char *version;
        const char *url;
        bool hasChecksum;
        const char *sha256;
    } cases[] = {
        { "3.0.2\r\nhttps://host/pkg@@@.zip\r\n", true, "3.0.2", "https://host/pkg302.zip", false,
          "" },
        { "2.4.1b\nhttp://h/@@@/a@@@.zip", true, "2.4.1b", "http://h/241b/a241b.zip", false, "" },
        { "1.1.0\nhttp://h/p.zip\nsha256=ABCdef0123\nmore\n", true, "1.1.0", "http://h/p.zip", true,
          "abcdef0123" },
        // Only a third line of that form is a checksum; later ones are ignored.
        { "1.1.0\nhttp://h/p.zip\nnotes\nsha256=ab", true, "1.1.0", "http://h/p.zip", false, "" },
        // A checksum line without a value refuses every package rather than none.
        { "1.1.0\nhttp://h/p.zip\nSHA256=\n", true, "1.1.0", "http://h/p.zip", true, "" },
        { "2.4.1b", false, "0.0.0", "", false, "" },
        { "2.4.1\n", true, "2.4.1", "", false, "" },
        { "<html><body>Not here</body></html>\nx", false, "0.0.0", "", false, "" },
        // The address gets what was compared.
        { "2.4.1 1\nhttp://h/p@@@.zip", true, "2.4.1 1", "http://h/p241%201.zip", false, "" },
        // Bounded: a version line, an address and a whole file from the server.
        { "2.4.1" + megabyte + "\nhttp://h/p.zip", false, "0.0.0", "", false, "" },
        { "2.4.1." + megabyte + "\nhttp://h/p.zip", false, "0.0.0", "", false, "" },
        { "2.4.1\nhttp://h/" + QString(3000, QLatin1Char('p')), false, "0.0.0", "", false, "" },
        // Bounded as fetched: 600 "@@@" grow past the bound once replaced.
        { "2.4.1b\nhttp://h/" + QString(600, QLatin1Char('@')).repeated(3), false, "0.0.0", "",
          false, "" },
        { "2.4.1\nhttp://h/p.zip\n" + QString(9000, QLatin1Char('x')), false, "0.0.0", "", false,
          "" },
    };
    for (const Case &c : cases) {
        const std::string name = c.file.left(60).toStdString();
        VersionFile file;
        file.DownloadURL = QStringLiteral("stale");
        EXPECT_EQ(UpdateVersion::ExtractVersionFromWebFile(c.file, file), c.ok) << name;
        EXPECT_EQ(file.version.text(), QString::fromLatin1(c.version)) << name;
        EXPECT_EQ(file.DownloadURL, QString::fromLatin1(c.url)) << name;
        EXPECT_EQ(file.hasChecksum, c.hasChecksum) << name;
        EXPECT_EQ(file.sha256, QString::fromLatin1(c.sha256)) << name;
    }
}

} // namespace
