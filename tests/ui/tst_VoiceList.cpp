// The voice list grouped by engine, as a user meets it: in the main window at start-up
// and when a voice is chosen, by keyboard and screen reader, and in Read to WAV when
// the chosen voice cannot be written to a file.
#include "ui/VoiceList.h"

#include "app/SpeakToWav.h"
#include "base/cSHAREDSettings.h"
#include "speech/CombinedEngine.h"
#include "speech/VoiceChoice.h"
#include "speech/clsTalker.h"
#include "support/FakeSpeechEngine.h"
#include "support/MainWindowHarness.h"
#include "support/TempProgramFolder.h"
#include "support/WavFile.h"
#include "ui/RichTextBox.h"
#include "ui/VoiceForFile.h"
#include "ui/cSHAREDcDlg.h"

#include <QComboBox>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Three engines as the program has them: espeak-ng, Flite, and a system voice that the
// sound server plays itself. The last fakes made are kept for the test to look at.
struct GroupedEngines
{
    FakeSpeechEngine *flite = nullptr;
    FakeSpeechEngine *system = nullptr;
    Seam::Override<SpeechEngineFactory::FactorySeam> factory { [this] {
        auto espeak = std::make_unique<FakeSpeechEngine>();
        espeak->engineName = QStringLiteral("espeak-ng");
        espeak->voices = { { "English (Great Britain)", "en-gb" }, { "German", "de" } };
        auto f = std::make_unique<FakeSpeechEngine>();
        f->engineName = QStringLiteral("flite");
        f->voices = { { "kal", "en-us" }, { "slt", "en-us" } };
        auto s = std::make_unique<FakeSpeechEngine>();
        s->engineName = QStringLiteral("speech-dispatcher");
        s->voices = { { "rhvoice/Anna", "ru" } };
        s->renders = false;
        flite = f.get();
        system = s.get();
        std::vector<std::unique_ptr<SpeechEngine>> list;
        list.push_back(std::move(espeak));
        list.push_back(std::move(f));
        list.push_back(std::move(s));
        return std::unique_ptr<SpeechEngine>(std::make_unique<CombinedEngine>(std::move(list)));
    } };
};

QStringList rows(const QComboBox &combo)
{
    QStringList texts;
    auto *model = qobject_cast<QStandardItemModel *>(combo.model());
    for (int row = 0; row < combo.count(); ++row) {
        const bool heading = !(model->item(row)->flags() & Qt::ItemIsEnabled);
        texts << (heading ? "# " : "") + combo.itemText(row);
    }
    return texts;
}

TEST(VoiceList, EachEnginesVoicesUnderAHeadingTheKeysStepOver)
{
    TempProgramFolder folder;
    GroupedEngines engines;
    clsTalker talker;
    talker.InitEngine();
    QComboBox combo;
    VoiceList::FillEngine(&combo, talker);
    EXPECT_EQ(
        rows(combo),
        QStringList({ "# espeak-ng", "English (Great Britain) - en-gb", "German - de", "# Flite",
                      "kal - en-us", "slt - en-us", "# System voices", "rhvoice/Anna - ru" }));
    EXPECT_EQ(combo.currentIndex(), 1) << "a heading was shown as the choice";

    // Down from the last espeak-ng voice lands on Flite's first, Up goes back; a screen
    // reader hears the group with each voice.
    combo.show();
    ASSERT_TRUE(VoiceList::SelectVoice(&combo, 2));
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.currentText(), QStringLiteral("kal - en-us"));
    EXPECT_EQ(VoiceList::VoiceIndex(&combo), 2);
    EXPECT_EQ(combo.itemData(combo.currentIndex(), Qt::AccessibleTextRole).toString(),
              QStringLiteral("kal - en-us, Flite"));
    QTest::keyClick(&combo, Qt::Key_Up);
    EXPECT_EQ(VoiceList::VoiceIndex(&combo), 1);
    QTest::keyClick(&combo, Qt::Key_End);
    EXPECT_EQ(VoiceList::VoiceIndex(&combo), 4);
    QTest::keyClick(&combo, Qt::Key_Home);
    EXPECT_EQ(VoiceList::VoiceIndex(&combo), 0);
    EXPECT_FALSE(VoiceList::SelectVoice(&combo, 9));

    // One engine needs no headings.
    VoiceList::Fill(&combo, talker.engine(),
                    [](const VoiceChoice::Listed &v) { return v.identity.engine == "flite"; });
    EXPECT_EQ(rows(combo), QStringList({ "kal - en-us", "slt - en-us" }));
    EXPECT_EQ(VoiceList::VoiceIndex(&combo), 2);
}

// The voice comes back by engine and name whatever its place; a choice stores it so; a
// remembered voice whose engine did not answer this time is not forgotten.
TEST(VoiceList, MainWindowRemembersTheVoiceByEngineAndName)
{
    {
        MainWindowHarness h;
        GroupedEngines engines;
        h.folder.writeBytes(QStringLiteral("Orlin.ini"),
                            "LASTVOICEID,flite:slt\r\nLASTVOICE,German - de\r\nLASTENGINE,1\r\n");
        ASSERT_TRUE(h.start());
        auto *voices = control<QComboBox>(*h.window, "cmbEngine");
        EXPECT_EQ(voices->currentText(), QStringLiteral("slt - en-us"));
        EXPECT_EQ(engines.flite->selected, 2);
        EXPECT_EQ(h.window->reading().Talker()->engine()->CurrentMode(), 4);

        const int anna = voices->findText(QStringLiteral("rhvoice/Anna - ru"));
        voices->setCurrentIndex(anna);
        emit voices->activated(anna);
        EXPECT_EQ(Settings().sGet(QStringLiteral("LastVoiceId")).toString(),
                  QStringLiteral("speech-dispatcher:rhvoice/Anna"));
        EXPECT_EQ(settingToInt(Settings().sGet(QStringLiteral("LastEngine"))), 4);
        EXPECT_EQ(engines.system->selected, 1);
        EXPECT_EQ(h.window->reading().Talker()->engine()->CurrentMode(), 5);
    }
    {
        MainWindowHarness h;
        GroupedEngines engines;
        h.folder.writeBytes(QStringLiteral("Orlin.ini"),
                            "LASTVOICEID,speech-dispatcher:pico/Eva\r\nLASTENGINE,4\r\n");
        ASSERT_TRUE(h.start());
        EXPECT_EQ(control<QComboBox>(*h.window, "cmbEngine")->currentText(),
                  QStringLiteral("English (Great Britain) - en-gb"));
        EXPECT_EQ(Settings().sGet(QStringLiteral("LastVoiceId")).toString(),
                  QStringLiteral("speech-dispatcher:pico/Eva"));
    }
}

// Read to WAV in a voice the sound server plays: the window says so and offers Orlin's
// own voices; the file is written in the one chosen, and the reading voice stays.
TEST(VoiceList, ReadToWavWithASystemVoiceOffersOrlinsOwnVoices)
{
    TempProgramFolder folder;
    GroupedEngines engines;
    clsTalker talker;
    talker.InitEngine();
    talker.SelectVoice(4);
    RichTextBox view;
    view.setText(QStringLiteral("Alpha beta. Gamma delta."));
    int fileDialogs = 0;
    Seam::Override<cSHAREDcDlg::AnswerSeam> files([&](const cSHAREDcDlg &) {
        ++fileDialogs;
        return std::optional<QString>(folder.file(QStringLiteral("out%1.wav").arg(fileDialogs)));
    });

    QList<VoiceForFile::Question> asked;
    int answer = 0;
    Seam::Override<VoiceForFile::AnswerSeam> voices([&](const VoiceForFile::Question &q) {
        asked << q;
        return answer;
    });
    EXPECT_FALSE(SpeakToWav(nullptr, &talker, view.Text(), nullptr));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].offered, QList<int>({ 1, 2, 3, 4 }));
    EXPECT_TRUE(asked[0].text.contains(QStringLiteral("rhvoice/Anna")));
    EXPECT_TRUE(asked[0].text.contains(QStringLiteral("cannot write it into a file")));
    EXPECT_EQ(fileDialogs, 0) << "cancelled, yet asked for a file";

    answer = 4;
    EXPECT_TRUE(SpeakToWav(nullptr, &talker, view.Text(), nullptr));
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_TRUE(WavFile::read(folder.file(QStringLiteral("out1.wav"))).valid);
    EXPECT_EQ(engines.flite->calls.count(QStringLiteral("CreateRenderer")), 1);
    EXPECT_EQ(talker.engine()->CurrentMode(), 5) << "the reading voice changed";

    // A voice that can be written is used without a question.
    talker.SelectVoice(2);
    EXPECT_TRUE(SpeakToWav(nullptr, &talker, view.Text(), nullptr));
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(engines.flite->calls.count(QStringLiteral("CreateRenderer")), 2);
}

} // namespace
