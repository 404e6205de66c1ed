// What the user meets when a file of settings cannot be saved: the texts Orlin has always
// used, a Retry that saves again, and errors that name the file.
#include "app/SettingsSaver.h"

#include "base/FileTable.h"
#include "base/Seam.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using Outcome = cSHAREDSettings::SaveOutcome;

Outcome outcome(Outcome::Result result, int code = 0, const char *description = "")
{
    return { result, QStringLiteral("/data/Orlin.ini"), code, QString::fromLatin1(description) };
}

TEST(SettingsSaver, EachOutcomeIsToldOrAskedAsBefore)
{
    const QString diskFull = QStringLiteral(
        "You've run out of disk space on drive /data/Orlin.ini:\nPlease clear some space and "
        "then click Retry, else click Cancel to abort.");
    const struct
    {
        const char *what;
        QList<Outcome> outcomes; // what each save attempt comes to
        QList<int> answers; // to the questions, in turn
        QStringList shown; // message boxes, then errors after "|"
        bool saved;
    } cases[] = {
        { "saved", { outcome(Outcome::Saved) }, {}, {}, true },
        { "read-only",
          { outcome(Outcome::ReadOnly, 75) },
          {},
          { "Your settings file is read-only and I can't change it. Save cancelled." },
          false },
        { "full disk, Cancel",
          { outcome(Outcome::DiskFull, 61) },
          { MessageBoxes::Cancel },
          { diskFull },
          false },
        { "full disk, Retry, then saved",
          { outcome(Outcome::DiskFull, 61), outcome(Outcome::Saved) },
          { MessageBoxes::Retry },
          { diskFull },
          true },
        { "full disk twice, Retry then Cancel",
          { outcome(Outcome::DiskFull, 61), outcome(Outcome::DiskFull, 61) },
          { MessageBoxes::Retry, MessageBoxes::Cancel },
          { diskFull, diskFull },
          false },
        { "anything else names the file",
          { outcome(Outcome::Failed, 76, "No such file or directory") },
          {},
          { "|Cannot save the settings to /data/Orlin.ini: No such file or directory" },
          false },
    };
    for (const auto &c : cases) {
        QStringList shown;
        QList<int> answers = c.answers;
        MessageBoxes::ScopedHandler boxes([&](const MessageBoxes::Message &m) {
            shown << m.text;
            EXPECT_FALSE(MousePointer::isBusy()) << c.what << ": read with the normal pointer";
            EXPECT_EQ(m.buttons,
                      m.text == diskFull ? MessageBoxes::Retry | MessageBoxes::Cancel
                                         : int(MessageBoxes::Ok))
                << c.what;
            return answers.isEmpty() ? int(MessageBoxes::Cancel) : answers.takeFirst();
        });
        Seam::Override<ShowErrSeam> errors(
            [&](const QString &message, const QString &) { shown << "|" + message; });
        QList<Outcome> outcomes = c.outcomes;
        int saves = 0;
        MousePointer::BusyMouse();
        const bool saved = SettingsSaver::Save([&] {
            ++saves;
            return outcomes.isEmpty() ? outcome(Outcome::Saved) : outcomes.takeFirst();
        });
        EXPECT_EQ(saved, c.saved) << c.what;
        EXPECT_EQ(shown, c.shown) << c.what;
        EXPECT_EQ(saves, c.outcomes.size()) << c.what;
        EXPECT_TRUE(MousePointer::isBusy()) << c.what << ": the pointer is put back";
        MousePointer::NormalMouse();
    }
}

// Through the real store: a full disk keeps the old file until Retry finds room.
TEST(SettingsSaver, RetryAfterAFullDiskSavesTheStore)
{
    TempProgramFolder folder;
    folder.writeBytes("Orlin.ini", "OLD,1\r\n");
    cSHAREDSettings store;
    store.StoreSetting("New", 2);
    int failuresLeft = 2;
    Seam::Override<FileTable::WriteFaultSeam> filling(
        [&](const QString &) { return failuresLeft-- > 0 ? ENOSPC : 0; });
    QByteArray seenByTheQuestion;
    int asked = 0;
    MessageBoxes::ScopedHandler retry([&](const MessageBoxes::Message &) {
        seenByTheQuestion = folder.readBytes("Orlin.ini");
        ++asked;
        return int(MessageBoxes::Retry);
    });
    EXPECT_TRUE(SettingsSaver::Save([&] { return store.SaveSettings(folder.file("Orlin.ini")); }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(seenByTheQuestion, QByteArray("OLD,1\r\n"));
    EXPECT_EQ(folder.readBytes("Orlin.ini"), QByteArray("NEW, 2 \r\n"));
}

} // namespace
