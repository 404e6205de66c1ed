// The pronunciation list with the real espeak-ng engine, playing into whatever sound
// server runs (a null sink in CI): what the engine is given, and what the user sees.
#include "platform/EspeakEngine.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "support/RecordingEngine.h"
#include "support/TempProgramFolder.h"
#include "ui/frmWordPair.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

constexpr int kDoneTimeoutMs = 15000;

TEST(PronunciationAloud, ReadingGivesTheEngineTheListsWordButShowsTheSentenceAsWritten)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", "Smyth,Smith\r\n");
    RecordingEngine::Scope engines;
    clsDict dict;
    dict.LoadWords();

    clsTalker talker;
    talker.InitEngine();
    RecordingEngine *engine = engines.last();
    ASSERT_NE(engine, nullptr);
    engine->setSpeed(EspeakEngine::kMaxSpeed);
    talker.setDictionary(&dict);

    QSignalSpy shown(&talker, &clsTalker::SpeakingSentence);
    QSignalSpy done(engine, &SpeechEngine::SpeakingDone);
    talker.StoreTextFile(QStringLiteral("We met Mr Smyth, at noon. Then smyth left."));
    talker.ReadText();
    // The reading is over once the engine has finished the second sentence.
    while (done.count() < 2)
        ASSERT_TRUE(done.wait(kDoneTimeoutMs)) << "sentences played: " << done.count();

    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown.at(0).at(0).toString(), "We met Mr Smyth, at noon.");
    EXPECT_EQ(shown.at(1).at(0).toString(), "Then smyth left.");
    EXPECT_EQ(engine->spoken, (QStringList { " We met Mr Smith, at noon.", " Then Smith left." }));
    EXPECT_GT(engine->real().audioHandedBytes(), 0);
    EXPECT_FALSE(talker.isSpeaking());
}

TEST(PronunciationAloud, TestButtonSpeaksTheWordLowerCasedAndUntranslated)
{
    TempProgramFolder folder;
    // The list is not applied to a Test, even when it holds the word.
    folder.writeBytes("ol1dict.txt", "Smyth,Smith\r\n");
    RecordingEngine::Scope engines;
    frmWordPair dialog;
    RecordingEngine *engine = engines.last();
    ASSERT_NE(engine, nullptr);
    ASSERT_EQ(engine->real().CountEngines() > 0, true);

    QSignalSpy done(engine, &SpeechEngine::SpeakingDone);
    dialog.Text1->setText(QStringLiteral("SMYTH"));
    dialog.cmdTest[0]->click();
    ASSERT_TRUE(done.wait(kDoneTimeoutMs));
    EXPECT_EQ(engine->spoken, QStringList { "smyth" });
    EXPECT_GT(engine->real().audioHandedBytes(), 0);
}

} // namespace
