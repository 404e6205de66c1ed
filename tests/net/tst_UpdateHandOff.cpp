// updater.ini and the names it carries: a name from a file stays a file in the program
// folder, and what the reader writes is what the installer reads.
#include "net/UpdateHandOff.h"

#include "base/Failure.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateHandOff, OnlyPlainNamesAreNamesInTheFolder)
{
    struct Case
    {
        QString name;
        bool plain;
    } cases[] = {
        { "OrlinUpd.zip", true },
        { QString(QChar(0xFEFF)) + "OrlinUpd.zip", true },
        { "Orlin Upd.zip", true },
        { ".hidden", true },
        // A resource, a path, or no name at all.
        { ":x", false },
        { ":/icons/x.png", false },
        { "/etc/passwd", false },
        { "../OrlinUpd.zip", false },
        { "a/b.zip", false },
        { "a\\b.zip", false },
        { ".", false },
        { "..", false },
        { "", false },
        { "line\nbreak", false },
        { QString(256, 'x'), false },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(UpdateHandOff::IsPlainName(c.name), c.plain) << c.name.toStdString();
        if (c.plain) {
            EXPECT_EQ(UpdateHandOff::PathIn("/prog", c.name), "/prog/" + c.name);
        }
    }
    EXPECT_TRUE(UpdateHandOff::IsPlainRelativePath("Languages/de.txt"));
    for (const char *path : { "Languages/:de.txt", "a//b", "/a", "a/../b", "a/", "./a" })
        EXPECT_FALSE(UpdateHandOff::IsPlainRelativePath(path)) << path;
}

TEST(UpdateHandOff, WhatIsWrittenIsWhatIsRead)
{
    TempProgramFolder folder;
    const UpdateHandOff::HandOff cases[] = {
        { "OrlinUpd.zip", "2.4.1b", "abc123" },
        { "OrlinUpd.zip", {}, {} },
        // A mark at the start of the name is the name's, not the file's.
        { QString(QChar(0xFEFF)) + "OrlinUpd.zip", "2.4.1 1", {} },
        { "Orlin Upd.zip", "1.0.1", {} },
    };
    for (const UpdateHandOff::HandOff &written : cases) {
        UpdateHandOff::WriteHandOffFile(folder.path(), written);
        const std::optional<UpdateHandOff::HandOff> read =
            UpdateHandOff::ReadHandOffFile(folder.path());
        ASSERT_TRUE(read) << written.packageName.toStdString();
        EXPECT_EQ(read->packageName, written.packageName);
        EXPECT_EQ(read->version, written.version);
        EXPECT_EQ(read->sha256, written.sha256);
    }
    for (const QString bad : { ":x", "../x.zip", " padded.zip" })
        EXPECT_THROW(UpdateHandOff::WriteHandOffFile(folder.path(), { bad, {}, {} }), Failure)
            << bad.toStdString();
}

TEST(UpdateHandOff, AnUpdaterIniThatNamesNoPlainFileIsNone)
{
    for (const char *text :
         { ":x\r\nversion=1.0.1", "/etc/passwd", "../OrlinUpd.zip", "", "\r\nOrlinUpd.zip",
           "OrlinUpd.zip\r\npackage=%3Ax", "OrlinUpd.zip\r\npackage=..%2Fx" })
        EXPECT_FALSE(UpdateHandOff::ParseHandOff(QString::fromUtf8(text))) << text;
    EXPECT_FALSE(UpdateHandOff::ParseHandOff("OrlinUpd.zip\n" + QString(5000, 'x')));
    const auto read = UpdateHandOff::ParseHandOff("OrlinUpd.zip\r\nSHA256=ABC\r\nversion= 2.0.0 ");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sha256, "abc");
    EXPECT_EQ(read->version, "2.0.0");
}

} // namespace
