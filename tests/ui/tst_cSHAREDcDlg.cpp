#include "base/Failure.h"
#include "base/Seam.h"
#include "ui/MessageBoxes.h"
#include "ui/cSHAREDcDlg.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using HookScope = Seam::Override<cSHAREDcDlg::AnswerSeam>;

cSHAREDcDlg waveDialog()
{
    cSHAREDcDlg dlg;
    dlg.CancelError = true;
    dlg.Flags =
        cSHAREDcDlg::OverwritePrompt | cSHAREDcDlg::PathMustExist | cSHAREDcDlg::NoReadOnlyReturn;
    dlg.DialogTitle = "Save to a Wave File";
    dlg.Filter = "All Files (*.*)|*.*|Wave Files (*.wav)|*.wav";
    dlg.FilterIndex = 2;
    return dlg;
}

TEST(cSHAREDcDlg, FilterBecomesNameFilters)
{
    EXPECT_EQ(waveDialog().nameFilters(),
              QStringList({ "All Files (*.*) (*)", "Wave Files (*.wav) (*.wav)" }));
}

TEST(cSHAREDcDlg, CancelThrowsOnlyWithCancelError)
{
    HookScope hook([](const cSHAREDcDlg &) { return std::optional<QString>(); });
    cSHAREDcDlg dlg = waveDialog();
    try {
        dlg.ShowSave();
        FAIL() << "cancel must throw";
    } catch (const Failure &f) {
        EXPECT_EQ(f.code(), cSHAREDcDlg::CancelErrorCode);
    }
    dlg.CancelError = false;
    EXPECT_NO_THROW(dlg.ShowSave());
    EXPECT_TRUE(dlg.Filename.isEmpty());
}

TEST(cSHAREDcDlg, ExistingTargetAsksAndReadOnlyOrMissingFolderIsRefused)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath("old.wav");
    const QString readOnly = dir.filePath("locked.wav");
    for (const QString &p : { existing, readOnly }) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);

    QStringList answers = { dir.filePath("no/such/folder/x.wav"), readOnly, existing, existing };
    QStringList seen;
    HookScope hook([&](const cSHAREDcDlg &d) {
        EXPECT_EQ(d.DialogTitle, "Save to a Wave File");
        EXPECT_EQ(d.FilterIndex, 2);
        if (answers.isEmpty())
            return std::optional<QString>();
        return std::optional<QString>(answers.takeFirst());
    });
    int overwriteQuestions = 0;
    MessageBoxes::ScopedHandler boxes([&](const MessageBoxes::Message &m) {
        seen << m.text;
        if (m.buttons & MessageBoxes::Yes) {
            // Say No the first time, Yes the second.
            return ++overwriteQuestions == 1 ? int(MessageBoxes::No) : int(MessageBoxes::Yes);
        }
        return int(MessageBoxes::Ok);
    });
    cSHAREDcDlg dlg = waveDialog();
    dlg.ShowSave();
    EXPECT_EQ(dlg.Filename, existing);
    EXPECT_EQ(overwriteQuestions, 2);
    ASSERT_EQ(seen.size(), 4);
    EXPECT_TRUE(seen[0].contains("does not exist"));
    EXPECT_TRUE(seen[1].contains("read-only"));
    // Choosing a file never touches it.
    EXPECT_EQ(QFile(existing).size(), 0);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// A name typed without an extension gets the default one before anything is checked, so
// the overwrite question names the file that would really be replaced.
TEST(cSHAREDcDlg, NameWithoutAKnownExtensionGetsTheDefault)
{
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("book.wav"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const struct
    {
        const char *typed;
        const char *saved;
        bool asked;
    } cases[] = {
        { "book", "book.wav", true }, // the existing book.wav is asked about
        { "new", "new.wav", false },
        { "song.MP3", "song.MP3", false },
        { "chapter.flac", "chapter.flac", false },
        { "vol.2", "vol.2.wav", false },
        { "notes.txt", "notes.txt.wav", false },
    };
    for (const auto &c : cases) {
        HookScope hook([&](const cSHAREDcDlg &) {
            return std::optional<QString>(dir.filePath(QString::fromUtf8(c.typed)));
        });
        QStringList asked;
        MessageBoxes::ScopedHandler boxes([&](const MessageBoxes::Message &m) {
            asked << m.text;
            return int(MessageBoxes::Yes);
        });
        cSHAREDcDlg dlg = waveDialog();
        dlg.Filter += "|MP3 Files (*.mp3)|*.mp3|FLAC Files (*.flac)|*.flac";
        dlg.DefaultExt = "wav";
        dlg.ShowSave();
        EXPECT_EQ(dlg.Filename, dir.filePath(QString::fromUtf8(c.saved))) << c.typed;
        EXPECT_EQ(asked.size(), c.asked ? 1 : 0) << c.typed;
        if (c.asked && !asked.isEmpty()) {
            EXPECT_TRUE(asked[0].contains("book.wav")) << qPrintable(asked[0]);
        }
    }
    // Without a default extension the name is taken as typed.
    HookScope hook(
        [&](const cSHAREDcDlg &) { return std::optional<QString>(dir.filePath("raw")); });
    cSHAREDcDlg dlg = waveDialog();
    dlg.ShowSave();
    EXPECT_EQ(dlg.Filename, dir.filePath("raw"));
}

} // namespace
