#include "base/cSHAREDSettings.h"

#include "base/Failure.h"
#include "base/FileTable.h"
#include "base/Seam.h"
#include "base/cSharedLogging.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "support/TinyFilesystem.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The immutable flag: the one way to make a file that even its owner, root
// included, cannot make writable again.
class Immutable
{
public:
    explicit Immutable(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        m_set = setFlag(true);
    }
    ~Immutable()
    {
        if (m_set)
            setFlag(false);
    }
    bool active() const { return m_set; }

private:
    bool setFlag(bool on) const
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }
    QByteArray m_path;
    bool m_set = false;
};

class SettingsFile : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    cSHAREDSettings store;

    QString ini() const { return folder.file("Orlin.ini"); }
    void load(const QByteArray &bytes)
    {
        folder.writeBytes("Orlin.ini", bytes);
        store.LoadSettings(ini());
    }
    QByteArray saved()
    {
        EXPECT_TRUE(store.SaveSettings(ini()));
        return folder.readBytes("Orlin.ini");
    }
    QStringList names() const
    {
        QStringList result;
        for (int i = 1; i <= store.SettingsCount(); ++i)
            result << store.SettingNameByIndex(i);
        return result;
    }
    QStringList filesInFolder() const
    {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(SettingsFile, ValuesAreWrittenInTheirTextForms)
{
    store.StoreSetting("Three", 3);
    store.StoreSetting("Minus", -1);
    store.StoreSetting("Yes", true);
    store.StoreSetting("No", false);
    store.StoreSetting("Text", "a, b ,c");
    store.StoreSetting("Empty", QVariant());
    store.StoreSetting("Half", 1.5);
    store.StoreSetting("lower case", "x");
    EXPECT_EQ(saved(),
              QByteArray("THREE, 3 \r\nMINUS,-1 \r\nYES,-1 \r\nNO, 0 \r\n"
                         "TEXT,a, b ,c\r\nEMPTY,\r\nHALF, 1.5 \r\nLOWER CASE,x\r\n"));

    cSHAREDSettings again;
    again.LoadSettings(ini());
    EXPECT_EQ(again.RetrieveSetting("three"), QVariant(" 3 "));
    EXPECT_EQ(settingToInt(again.RetrieveSetting("Three")), 3);
    EXPECT_EQ(settingToInt(again.RetrieveSetting("MINUS")), -1);
    EXPECT_EQ(again.RetrieveSetting("Text"), QVariant("a, b ,c"));
    EXPECT_EQ(again.RetrieveSetting("Empty", "default"), QVariant(""));
    EXPECT_EQ(again.SettingNameByIndex(8), "LOWER CASE");
}

struct LoadCase
{
    const char *name;
    QByteArray file;
    QStringList names;
    QVariantList values;
    QByteArray savedAgain;
};

TEST_F(SettingsFile, LinesAreTakenAsTheyStand)
{
    const LoadCase cases[] = {
        { "split at the first comma", "A,B,C\r\n", { "A" }, { "B,C" }, "A,B,C\r\n" },
        { "last line without line end",
          "A,1\r\nB,2",
          { "A", "B" },
          { "1", "2" },
          "A,1\r\nB,2\r\n" },
        { "empty and comma-less lines", "\r\nnothing\r\nA,1\r\n\r\n", { "A" }, { "1" }, "A,1\r\n" },
        { "blank names", " ,x\r\n,y\r\n  lead,z\r\n", { "  lead" }, { "z" }, "  LEAD,z\r\n" },
        { "duplicates keep the first place",
          "X,1\r\nY,2\r\nx,3\r\n",
          { "X", "Y" },
          { "3", "2" },
          "X,3\r\nY,2\r\n" },
        { "truth values",
          "T,True\r\nF, false \r\nN,truely\r\n",
          { "T", "F", "N" },
          { -1, 0, "truely" },
          "T,-1 \r\nF, 0 \r\nN,truely\r\n" },
        { "lone CR and LF stay in the line",
          "A,x\ry\nz\r\nB\r,w\r\n",
          { "A", "B\r" },
          { "x\ry\nz", "w" },
          "A,x\ry\nz\r\nB\r,w\r\n" },
        { "NUL bytes",
          QByteArray("N\0M,v\0w\r\n", 9),
          { QString("N") + QChar(0) + "M" },
          { QString("v") + QChar(0) + "w" },
          QByteArray("N\0M,v\0w\r\n", 9) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        load(c.file);
        EXPECT_EQ(names(), c.names);
        for (int i = 0; i < c.names.size() && i < c.values.size(); ++i) {
            const QString name = c.names[i];
            // Through the store's own entries: RetrieveSetting would turn truth texts into bools.
            EXPECT_EQ(store.RetrieveSetting(name).toString(), c.values[i].toString())
                << name.toStdString();
        }
        EXPECT_EQ(saved(), c.savedAgain);
    }
    load("A,1\r\n");
    load("B,2\r\n");
    EXPECT_EQ(names(), QStringList { "B" });
    store.LoadSettings(folder.file("missing.ini"));
    EXPECT_EQ(store.SettingsCount(), 0);
}

TEST_F(SettingsFile, TruthTextsReadAsBooleans)
{
    store.StoreSetting("Flag", "TRUE");
    store.StoreSetting("Off", " False ");
    store.StoreSetting("German", "wahr");
    EXPECT_EQ(store.RetrieveSetting("flag"), QVariant(true));
    EXPECT_EQ(store.RetrieveSetting("off"), QVariant(false));
    EXPECT_EQ(store.RetrieveSetting("German"), QVariant("wahr"));

    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(store.RetrieveSetting("German"), QVariant(true));
    load("G,Falsch\r\nE,TRUE\r\n");
    QLocale::setDefault(previous);
    EXPECT_EQ(store.RetrieveSetting("G"), QVariant(false));
    EXPECT_EQ(store.RetrieveSetting("E"), QVariant(-1));
    EXPECT_EQ(saved(), QByteArray("G, 0 \r\nE,-1 \r\n"));
}

TEST_F(SettingsFile, RetrieveWithDefaultTreatsZeroAsUnset)
{
    const struct
    {
        const char *name;
        QVariant stored;
        QVariant expected;
    } cases[] = {
        { "absent", QVariant(), 5 },   { "zero", 0, 5 },
        { "zero text", " 0 ", 5 },     { "false", false, 5 },
        { "false text", "False", 5 },  { "empty text", "", 5 },
        { "three", " 3 ", " 3 " },     { "minus one", -1, -1 },
        { "true text", "true", true },
    };
    for (const auto &c : cases) {
        store.DeleteAllSettings();
        if (c.stored.isValid())
            store.StoreSetting("Key", c.stored);
        EXPECT_EQ(store.RetrieveWithDefault("Key", 5), c.expected) << c.name;
        EXPECT_EQ(Log().PendingCount(), 0) << c.name;
    }
    store.StoreSetting("Key", "abc");
    EXPECT_EQ(store.sGetWD("Key", 5), QVariant(5));
    EXPECT_EQ(Log().CurrentAction(),
              "Type mismatch (13) in RetrieveWithDefault of module cSHAREDSettings");
}

TEST_F(SettingsFile, CommasAreDroppedFromStoredNamesOnly)
{
    store.StoreSetting("A,B", 1);
    EXPECT_TRUE(store.IsSettingPresent("A,B"));
    EXPECT_TRUE(store.IsSettingPresent("ab"));
    EXPECT_EQ(store.RetrieveSetting("A,B", 9), QVariant(9));
    EXPECT_EQ(store.RetrieveSetting("AB", 9), QVariant(1));
    store.DeleteSettingByName("A,B");
    EXPECT_TRUE(store.IsSettingPresent("AB"));
    store.DeleteSettingByName("ab");
    EXPECT_FALSE(store.IsSettingPresent("AB"));
    store.DeleteSettingByName("never there");
}

TEST_F(SettingsFile, PositionsSurviveReplacementsAndDeletions)
{
    for (int i = 1; i <= 3000; ++i)
        store.StoreSetting(QString("K%1").arg(i), i);
    store.StoreSetting("k2", "replaced");
    EXPECT_EQ(store.SettingNameByIndex(2), "K2");
    for (int i = 1; i <= 3000; i += 2)
        store.DeleteSettingByName(QString("K%1").arg(i));
    EXPECT_EQ(store.SettingsCount(), 1500);
    EXPECT_EQ(store.SettingNameByIndex(1), "K2");
    EXPECT_EQ(store.SettingNameByIndex(1500), "K3000");
    EXPECT_EQ(store.RetrieveSetting("K2"), QVariant("replaced"));
    store.DeleteSetting(1);
    EXPECT_EQ(store.SettingNameByIndex(1), "K4");
    EXPECT_EQ(store.RetrieveSetting("K4"), QVariant(4));

    EXPECT_EQ(store.SettingNameByIndex(0), "");
    EXPECT_EQ(store.SettingNameByIndex(1500), "");
    EXPECT_EQ(Log().PendingCount(), 0);
    store.DeleteSetting(0);
    EXPECT_EQ(Log().CurrentAction(),
              "Subscript out of range (9) in DeleteSetting of module cSHAREDSettings");
    EXPECT_EQ(store.SettingsCount(), 1499);
}

TEST_F(SettingsFile, SortSettingsOrdersByName)
{
    for (const char *name : { "b", "A", "a", "C", "_x" })
        store.StoreSetting(name, QString(name) + "v");
    store.SortSettings();
    EXPECT_EQ(names(), (QStringList { "A", "C", "_x", "b" }));
    EXPECT_EQ(store.RetrieveSetting("B"), QVariant("bv"));
    EXPECT_EQ(store.RetrieveSetting("a"), QVariant("av"));
}

TEST_F(SettingsFile, SetsNumberTheirMembers)
{
    EXPECT_EQ(store.AddToSet("books", "x"), 1);
    EXPECT_EQ(store.RetrieveSetting("BOOKS_INDEX"), QVariant(1));
    EXPECT_EQ(store.RetrieveSetting("BOOKS_1"), QVariant("x"));
    EXPECT_TRUE(store.ValueInSet("Books", " X "));
    store.DeleteFromSetByValue("BOOKS", "x");
    EXPECT_EQ(store.SetCount("books"), 0);
    EXPECT_EQ(store.LastIndexInSet("books"), 0);
    EXPECT_FALSE(store.IsSettingPresent("BOOKS_1"));

    for (const char *v : { "one", "two", "three" })
        store.AddToSet("S", v);
    store.DeleteFromSetByValue("s", "TWO");
    EXPECT_EQ(store.RetrieveSetting("S_1"), QVariant("one"));
    EXPECT_EQ(store.RetrieveSetting("S_2"), QVariant("three"));
    EXPECT_FALSE(store.IsSettingPresent("S_3"));
    EXPECT_EQ(store.LastIndexInSet("S"), 2);
    EXPECT_EQ(Log().PendingCount(), 0);

    // A member that outlived the bookkeeping is skipped, not overwritten.
    store.StoreSetting("S_3", "stray");
    EXPECT_EQ(store.AddToSet("S", "four"), 4);
    EXPECT_EQ(store.RetrieveSetting("S_3"), QVariant("stray"));
}

TEST_F(SettingsFile, GapsInASetAreCountedAndReported)
{
    load("G_INDEX, 3 \r\nG_1,a\r\nG_3,c\r\nG_12,far\r\nOTHER,x\r\n");
    EXPECT_EQ(store.SetCount("g"), 2);
    EXPECT_EQ(Log().CurrentAction(), "WARNING: LastIDX and Setcount not the same with setting 'g'");
    EXPECT_TRUE(store.ValueInSet("G", "c"));
    EXPECT_FALSE(store.ValueInSet("G", "far"));
    store.DeleteASet("G");
    EXPECT_EQ(names(), QStringList { "OTHER" });
}

// An index a damaged or planted file gives a set: the walks stop at the members present,
// the next index follows the highest of them, and the damage is logged.
TEST_F(SettingsFile, ADamagedSetIndexIsBoundedByItsMembers)
{
    const struct
    {
        const char *index;
        bool damaged;
        int next; // what AddToSet hands out (0: nothing, the set is full)
    } cases[] = {
        { "2147483647", true, 4 },  { "-7", true, 4 },     { " 40000 ", true, 4 },
        { "99999999999", true, 4 }, { "x", true, 4 },      { "3", false, 4 },
        { "30000", false, 30001 },  { "32767", false, 0 },
    };
    Log().LogEvent("start", true);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.index);
        load(QByteArray("S_INDEX,") + c.index + "\r\nS_1,a\r\nS_3,c\r\nS_03,x\r\nOTHER,o\r\n");
        Log().WriteActionsToLog();
        const qsizetype logBefore = folder.readBytes("log.txt").count("Damaged set 'S'");
        EXPECT_EQ(store.SetCount("s"), 2);
        EXPECT_TRUE(store.ValueInSet("S", "c"));
        EXPECT_FALSE(store.ValueInSet("S", "x"));
        EXPECT_EQ(store.AddToSet("S", "d"), c.next);
        if (c.next > 0) {
            EXPECT_EQ(store.RetrieveSetting(QStringLiteral("S_%1").arg(c.next)), QVariant("d"));
        }
        // An absent member reads as empty; removing it moves down only members present.
        EXPECT_TRUE(store.ValueInSet("S", ""));
        store.DeleteFromSetByValue("S", "");
        EXPECT_LE(store.SettingsCount(), 7);
        store.DeleteASet("S");
        EXPECT_EQ(names(), (QStringList { "S_03", "OTHER" }));
        Log().WriteActionsToLog();
        const qsizetype logged = folder.readBytes("log.txt").count("Damaged set 'S'") - logBefore;
        EXPECT_EQ(logged > 0, c.damaged) << logged;
    }
}

TEST_F(SettingsFile, ReadOnlyFilesAreMadeWritableAndReplaced)
{
    folder.writeBytes("Orlin.ini", "OLD,1\r\n");
    QFile::setPermissions(ini(), QFile::ReadOwner | QFile::ReadGroup);
    store.StoreSetting("New", 2);
    EXPECT_EQ(saved(), QByteArray("NEW, 2 \r\n"));
    EXPECT_TRUE(QFileInfo(ini()).isWritable());
}

TEST_F(SettingsFile, AFileThatStaysReadOnlyIsLeftAlone)
{
    for (const bool readOnlyBits : { true, false }) {
        SCOPED_TRACE(readOnlyBits ? "read-only and immutable" : "immutable only");
        folder.writeBytes("Orlin.ini", "OLD,1\r\n");
        QFile::setPermissions(
            ini(), readOnlyBits ? QFile::ReadOwner : QFile::ReadOwner | QFile::WriteOwner);
        Immutable lock(ini());
        if (!lock.active())
            GTEST_SKIP() << "the immutable flag needs root";
        store.StoreSetting("New", 2);
        const cSHAREDSettings::SaveOutcome outcome = store.SaveSettings(ini());
        EXPECT_FALSE(outcome);
        EXPECT_EQ(outcome.result, cSHAREDSettings::SaveOutcome::ReadOnly);
        EXPECT_EQ(outcome.file, ini());
        EXPECT_EQ(folder.readBytes("Orlin.ini"), QByteArray("OLD,1\r\n"));
    }
    EXPECT_EQ(filesInFolder(), (QStringList { "Orlin.ini", "log.txt" }));
    EXPECT_TRUE(folder.readBytes("log.txt").contains(
        ini().toUtf8() + " is read only, can't change it to read write, can't update it"));
}

TEST_F(SettingsFile, AFullDiskIsToldAndKeepsTheOldFile)
{
    folder.writeBytes("Orlin.ini", "OLD,1\r\n");
    store.StoreSetting("New", 2);
    int failuresLeft = 1;
    Seam::Override<FileTable::WriteFaultSeam> filling(
        [&](const QString &) { return failuresLeft-- > 0 ? ENOSPC : 0; });
    const cSHAREDSettings::SaveOutcome full = store.SaveSettings(ini());
    EXPECT_EQ(full.result, cSHAREDSettings::SaveOutcome::DiskFull);
    EXPECT_EQ(full.file, ini());
    EXPECT_EQ(folder.readBytes("Orlin.ini"), QByteArray("OLD,1\r\n"));
    EXPECT_EQ(filesInFolder(), QStringList { "Orlin.ini" });
    // Space again: the next save (a Retry) writes.
    EXPECT_TRUE(store.SaveSettings(ini()));
    EXPECT_EQ(folder.readBytes("Orlin.ini"), QByteArray("NEW, 2 \r\n"));
}

TEST_F(SettingsFile, ARealFullDeviceIsReportedAsDiskFull)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(QFile::link("/dev/full", ini()));
    store.StoreSetting("New", 2);
    EXPECT_EQ(store.SaveSettings(ini()).result, cSHAREDSettings::SaveOutcome::DiskFull);
    EXPECT_EQ(QFileInfo(ini()).symLinkTarget(), "/dev/full");
}

TEST_F(SettingsFile, AFilledFilesystemKeepsTheOldFile)
{
    TinyFilesystem disk(256);
    if (!disk.available())
        GTEST_SKIP() << "mounting a small filesystem needs root";
    const QString file = disk.file("Orlin.ini");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("OLD,1\r\n");
    }
    for (int i = 0; i < 2000; ++i)
        store.StoreSetting(QString("BOOK%1.TXT").arg(i), i);
    disk.fill();
    EXPECT_EQ(store.SaveSettings(file).result, cSHAREDSettings::SaveOutcome::DiskFull);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("OLD,1\r\n"));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList { "Orlin.ini", "filler" }));

    // Space freed (while the question is up): the next save writes.
    QFile::remove(disk.file("filler"));
    EXPECT_TRUE(store.SaveSettings(file));
    cSHAREDSettings again;
    again.LoadSettings(file);
    EXPECT_EQ(again.SettingsCount(), 2000);
}

TEST_F(SettingsFile, SavingThroughALinkReplacesItsTarget)
{
    QDir(folder.path()).mkdir("real");
    folder.writeBytes("real/settings.ini", "OLD,1\r\n");
    ASSERT_TRUE(QFile::link(folder.file("real/settings.ini"), ini()));
    store.StoreSetting("New", 2);
    EXPECT_TRUE(store.SaveSettings(ini()));
    EXPECT_TRUE(QFileInfo(ini()).isSymLink());
    EXPECT_EQ(folder.readBytes("real/settings.ini"), QByteArray("NEW, 2 \r\n"));
}

TEST_F(SettingsFile, OtherFailuresComeBackWithTheirFileAndReason)
{
    store.StoreSetting("New", 2);
    const cSHAREDSettings::SaveOutcome outcome =
        store.SaveSettings(folder.file("missing/Orlin.ini"));
    EXPECT_EQ(outcome.result, cSHAREDSettings::SaveOutcome::Failed);
    EXPECT_EQ(outcome.file, folder.file("missing/Orlin.ini"));
    EXPECT_EQ(outcome.code, FailureCode::PathNotFound);
    EXPECT_EQ(outcome.description, "No such file or directory");
    EXPECT_TRUE(Log().CurrentAction().endsWith("in SaveSettings of module cSHAREDSettings"));
}

TEST_F(SettingsFile, DamagedFilesLoadWithoutHarm)
{
    QRandomGenerator random(20240601);
    QByteArray bytes;
    QStringList wellFormed;
    while (bytes.size() < 5 * 1024 * 1024) {
        QByteArray junk(4096 + int(random.bounded(8192)), Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
        bytes += junk;
        const QString name = QString("WELLFORMED%1").arg(wellFormed.size());
        wellFormed << name;
        bytes +=
            "\r\n" + name.toLatin1() + ",value " + QByteArray::number(wellFormed.size()) + "\r\n";
    }
    bytes += "\r\nLONG," + QByteArray(1024 * 1024, 'L');
    bytes += QByteArray("\r\nNUL,a\0b\r\nCR,a\rb\r\nX,1\r\0\nY,2\r\n", 30);
    folder.writeBytes("Orlin.ini", bytes);
    EXPECT_EQ(store.LoadSettings(ini()), QStringList()) << "nothing to tell";
    for (int i = 0; i < wellFormed.size(); ++i)
        ASSERT_EQ(store.RetrieveSetting(wellFormed[i]), QVariant(QString("value %1").arg(i + 1)));
    EXPECT_EQ(store.RetrieveSetting("LONG").toString().size(), 1024 * 1024);
    EXPECT_EQ(store.RetrieveSetting("CR"), QVariant("a\rb"));
    EXPECT_EQ(store.RetrieveSetting("NUL"), QVariant(QString("a") + QChar(0) + "b"));
    EXPECT_EQ(store.RetrieveSetting("X"), QVariant(QString("1\r") + QChar(0) + "\nY,2"));
    EXPECT_TRUE(store.SaveSettings(ini()));
}

} // namespace
