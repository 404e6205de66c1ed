#include "ui/frmWordPair.h"

#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "support/FakeSpeechEngine.h"
#include "support/TempProgramFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(frmWordPair, ControlsCarryTheirNamesAndCaptions)
{
    FakeSpeechEngine::Scope fakes;
    frmWordPair dialog;
    EXPECT_EQ(dialog.windowTitle(), "Word pair setup");
    EXPECT_FALSE(dialog.Cancelled);
    const std::pair<const char *, const char *> buttons[] = { { "cmdTest_0", "Test" },
                                                              { "cmdTest_1", "Test" },
                                                              { "cmdOK", "OK" },
                                                              { "cmdCancel", "Cancel" } };
    for (const auto &[name, caption] : buttons) {
        auto *button = dialog.findChild<QPushButton *>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), caption) << name;
    }
    EXPECT_NE(dialog.findChild<QLineEdit *>("Text1"), nullptr);
    EXPECT_NE(dialog.findChild<QLineEdit *>("Text2"), nullptr);
    EXPECT_EQ(dialog.Label1->text(), "Say");
    EXPECT_EQ(dialog.Label2->text(), "as");
}

TEST(frmWordPair, OwnTalkerIsReadyOnLoad)
{
    FakeSpeechEngine::Scope fakes;
    frmWordPair dialog;
    ASSERT_NE(dialog.talker(), nullptr);
    ASSERT_NE(fakes.last(), nullptr);
    EXPECT_EQ(fakes.last()->initialized, 1);
    EXPECT_FALSE(MousePointer::isBusy());
}

TEST(frmWordPair, TestSpeaksTheLowerCasedBoxUnchanged)
{
    FakeSpeechEngine::Scope fakes;
    frmWordPair dialog;
    FakeSpeechEngine *engine = fakes.last();
    ASSERT_NE(engine, nullptr);
    dialog.Text1->setText("SMYTH");
    dialog.Text2->setText("  Smith, Esq.  ");

    dialog.cmdTest[0]->click();
    engine->emitDone();
    dialog.cmdTest[1]->click();
    engine->emitDone();
    // Neither box goes through the pronunciation list or the speech cleaning.
    EXPECT_EQ(engine->spoken, (QStringList { "smyth", "  smith, esq.  " }));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(frmWordPair, WithoutAnEngineTheDialogStillWorks)
{
    FakeSpeechEngine::Scope fakes;
    fakes.failCreation = true;
    frmWordPair dialog;
    EXPECT_FALSE(MousePointer::isBusy());
    dialog.Text1->setText("Smyth");
    dialog.cmdTest_Click(0); // mute, not a crash
    dialog.cmdTest_Click(7);
    dialog.cmdOK_Click();
    EXPECT_FALSE(dialog.Cancelled);
}

enum class Leave { OK, Cancel, Frame, Escape };

TEST(frmWordPair, OnlyOkLeavesUncancelled)
{
    FakeSpeechEngine::Scope fakes;
    const std::pair<Leave, bool> cases[] = { { Leave::OK, false },
                                             { Leave::Cancel, true },
                                             { Leave::Frame, true },
                                             { Leave::Escape, true } };
    for (const auto &[leave, cancelled] : cases) {
        frmWordPair dialog;
        dialog.Text1->setText("typed");
        dialog.Text2->setText("tipped");
        QTimer::singleShot(0, &dialog, [&dialog, leave = leave] {
            switch (leave) {
            case Leave::OK:
                dialog.cmdOK->click();
                break;
            case Leave::Cancel:
                dialog.cmdCancel->click();
                break;
            case Leave::Frame:
                dialog.close();
                break;
            case Leave::Escape:
                QTest::keyClick(&dialog, Qt::Key_Escape);
                break;
            }
        });
        const int result = dialog.exec();
        EXPECT_EQ(dialog.Cancelled, cancelled) << int(leave);
        EXPECT_EQ(result, cancelled ? QDialog::Rejected : QDialog::Accepted) << int(leave);
        EXPECT_FALSE(dialog.isVisible());
    }
}

// Pairs the word-pair file could not keep, or would read back otherwise, are refused with
// a message and the dialog stays open for the correction.
TEST(frmWordPair, PairsTheListCannotStoreAreRefused)
{
    FakeSpeechEngine::Scope fakes;
    struct Case
    {
        const char *word;
        const char *replacement;
        const char *message; // empty: accepted
    };
    const Case cases[] = {
        { "Smyth", "Smith", "" },
        { "Smyth", "Smith, Esq.", "" },
        { "Smyth", "", "Type how the word should be said." },
        { "Smyth", "   ", "Type how the word should be said." },
        { " ", "Smith", "Type the word to be said differently." },
        { "Smyth, J", "Smith", "The word cannot contain a comma." },
    };
    for (const Case &c : cases) {
        QStringList shown;
        MessageBoxes::ScopedHandler boxes([&](const MessageBoxes::Message &m) {
            shown << m.text;
            return int(MessageBoxes::Ok);
        });
        frmWordPair dialog;
        dialog.show();
        dialog.Text1->setText(c.word);
        dialog.Text2->setText(c.replacement);
        dialog.cmdOK->click();
        const bool accepted = QString(c.message).isEmpty();
        EXPECT_EQ(dialog.isVisible(), !accepted) << c.word << "|" << c.replacement;
        EXPECT_EQ(shown, accepted ? QStringList() : QStringList { c.message })
            << c.word << "|" << c.replacement;
    }
    EXPECT_EQ(clsDict::CheckPair("a", "b\nc"), clsDict::PairProblem::LineEnd);
}

} // namespace
