#include "ui/frmFileSelect.h"

#include "base/Failure.h"
#include "base/Seam.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(frmFileSelect, ReportsTheChosenFileAndItsFolder)
{
    QTemporaryDir dir;
    QString seenTitle, seenPattern, seenFolder;
    Seam::Override<frmFileSelect::AnswerSeam> answer([&](const frmFileSelect &window) {
        seenTitle = window.WindowTitle();
        seenPattern = window.Filepattern();
        seenFolder = window.DefaultPath();
        return dir.path() + QStringLiteral("/book.txt");
    });
    frmFileSelect window;
    window.setFilepattern("*.txt;*.rtf");
    window.setWindowTitle("Please select a file to open.");
    window.setDefaultPath(dir.path() + QStringLiteral("\\"));
    window.GetFilename();
    EXPECT_FALSE(window.Cancelled());
    EXPECT_EQ(window.SelectedFilename(), "book.txt");
    EXPECT_EQ(window.SelectedPath(), dir.path());
    EXPECT_EQ(seenTitle, "Please select a file to open.");
    EXPECT_EQ(seenPattern, "*.txt;*.rtf");
    EXPECT_EQ(seenFolder, dir.path());
}

TEST(frmFileSelect, CancelLeavesNothingSelected)
{
    Seam::Override<frmFileSelect::AnswerSeam> answer(
        [](const frmFileSelect &) { return QString(); });
    frmFileSelect window;
    window.GetFilename();
    EXPECT_TRUE(window.Cancelled());
    EXPECT_TRUE(window.SelectedFilename().isEmpty());
    EXPECT_TRUE(window.SelectedPath().isEmpty());
}

TEST(frmFileSelect, MissingFolderIsRefusedWithCode76)
{
    frmFileSelect window;
    EXPECT_EQ(window.DefaultPath(), QDir::currentPath());
    QTemporaryDir dir;
    try {
        window.setDefaultPath(dir.path() + QStringLiteral("/gone/"));
        FAIL() << "a missing folder was accepted";
    } catch (const Failure &f) {
        EXPECT_EQ(f.code(), FailureCode::PathNotFound);
    }
    EXPECT_EQ(window.DefaultPath(), QDir::currentPath());
}

} // namespace
