// The desktop's voices through a real speech-dispatcher daemon of the test's own, with
// the espeak-ng module playing into the sound server the suite runs with (a null sink).
#include "platform/SpeechDispatcherEngine.h"

#include "base/Seam.h"
#include "base/cSharedLogging.h"
#include "platform/SpeechEngines.h"
#include "speech/CombinedEngine.h"
#include "speech/VoiceChoice.h"
#include "speech/clsTalker.h"
#include "support/SpeechDispatcherDaemon.h"
#include "support/TempProgramFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kEventTimeoutMs = 20000;

class SpeechDispatcherEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!daemon.running())
            GTEST_SKIP() << qPrintable(daemon.problem());
        engine = std::make_unique<SpeechDispatcherEngine>();
        // The English voice of the module, whatever the order it lists them in.
        const QList<VoiceChoice::Listed> voices = VoiceChoice::List(*engine);
        for (const VoiceChoice::Listed &v : voices) {
            if (v.identity.name.startsWith(QStringLiteral("espeak-ng/English"))
                && v.language.startsWith(QStringLiteral("en"))) {
                engine->Select(v.voice);
                break;
            }
        }
    }

    SpeechDispatcherDaemon daemon;
    std::unique_ptr<SpeechDispatcherEngine> engine;
};

TEST_F(SpeechDispatcherEngineTest, ListsTheModulesPlainVoicesAsReadAloudOnly)
{
    const QList<VoiceChoice::Listed> voices = VoiceChoice::List(*engine);
    ASSERT_GT(voices.size(), 20) << "the espeak-ng module speaks many languages";
    // The module lists each voice once more with every variant: those stay out.
    EXPECT_LT(voices.size(), 1000);
    for (const VoiceChoice::Listed &v : voices) {
        EXPECT_EQ(v.identity.engine, QStringLiteral("speech-dispatcher"));
        EXPECT_TRUE(v.identity.name.startsWith(QStringLiteral("espeak-ng/")))
            << qPrintable(v.identity.name);
        EXPECT_FALSE(v.identity.name.contains(QLatin1Char('+'))) << qPrintable(v.identity.name);
        EXPECT_FALSE(v.canRender);
        EXPECT_TRUE(v.shown.contains(QStringLiteral("(espeak-ng) - "))) << qPrintable(v.shown);
    }
    EXPECT_EQ(engine->CreateRenderer(), nullptr);
}

// The reading's road through the daemon: each sentence's begin and end events arrive in
// order, the end moves the highlight on to the next sentence, and the word marks the
// module sends name words of the sentence being spoken.
TEST_F(SpeechDispatcherEngineTest, BeginAndEndEventsDriveTheReadingSentenceBySentence)
{
    QStringList events;
    // Heard before the talker hears them, as they happen.
    QObject::connect(engine.get(), &SpeechEngine::SpeakingStarted, engine.get(),
                     [&] { events << QStringLiteral("begin"); });
    QObject::connect(engine.get(), &SpeechEngine::SpeakingDone, engine.get(),
                     [&] { events << QStringLiteral("end"); });
    Seam::Override<SpeechEngineFactory::FactorySeam> factory(
        [this] { return std::unique_ptr<SpeechEngine>(std::move(engine)); });
    clsTalker talker;
    talker.InitEngine();
    talker.engine()->setSpeed(SpeechEngine::kMaxSpeed);
    QObject::connect(&talker, &clsTalker::SpeakingSentence, &talker,
                     [&](const QString &s) { events << QStringLiteral("sentence ") + s; });
    QStringList words;
    QObject::connect(&talker, &clsTalker::SpeakingWord, &talker,
                     [&](const QString &sentence, int start, int length) {
                         if (start >= 0)
                             words << sentence.mid(start, length);
                     });
    talker.StoreTextFile(QStringLiteral("First sentence here. Second one now."));
    talker.ReadText();
    QTRY_VERIFY_WITH_TIMEOUT(!talker.isSpeaking(), kEventTimeoutMs);
    EXPECT_EQ(events,
              QStringList({ "sentence First sentence here.", "begin", "end",
                            "sentence Second one now.", "begin", "end" }));
    // The espeak-ng module sends the marks: every word, in order, none invented.
    EXPECT_EQ(words, QStringList({ "First", "sentence", "here", "Second", "one", "now" }));
}

TEST_F(SpeechDispatcherEngineTest, PauseHoldsTheEndUntilContinue)
{
    QSignalSpy started(engine.get(), &SpeechEngine::SpeakingStarted);
    QSignalSpy done(engine.get(), &SpeechEngine::SpeakingDone);
    engine->Speak(QStringLiteral("One two three four five six seven eight nine ten eleven twelve "
                                 "thirteen fourteen fifteen sixteen seventeen eighteen"));
    ASSERT_TRUE(started.wait(kEventTimeoutMs));
    engine->AudioPause();
    // Far longer than the whole sentence lasts: it must not end while paused.
    EXPECT_FALSE(done.wait(8000));
    EXPECT_NE(engine->Speaking(), 0);
    engine->AudioResume();
    ASSERT_TRUE(done.wait(kEventTimeoutMs));
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(engine->Speaking(), 0);
}

TEST_F(SpeechDispatcherEngineTest, StopEndsWithoutDoneAndTheNextSpeakWorks)
{
    QSignalSpy started(engine.get(), &SpeechEngine::SpeakingStarted);
    QSignalSpy done(engine.get(), &SpeechEngine::SpeakingDone);
    engine->setSpeed(SpeechEngine::kMinSpeed);
    engine->Speak(QStringLiteral("This sentence is long enough to be stopped well before its "
                                 "end, because it goes on and on and on for a while"));
    ASSERT_TRUE(started.wait(kEventTimeoutMs));
    engine->AudioPause(); // a stop also ends a pause
    engine->StopSpeaking();
    EXPECT_EQ(engine->Speaking(), 0);
    EXPECT_FALSE(done.wait(1500)) << "the stopped sentence raised its done event";

    engine->setSpeed(SpeechEngine::kMaxSpeed);
    engine->Speak(QStringLiteral("Again."));
    ASSERT_TRUE(done.wait(kEventTimeoutMs));
    EXPECT_EQ(done.count(), 1);
    // A text without a word is done too, without troubling the daemon.
    engine->Speak(QStringLiteral(" ... "));
    ASSERT_TRUE(done.wait(kEventTimeoutMs));
    EXPECT_EQ(done.count(), 2);
}

TEST(SpeechDispatcherScale, SpeedAndPitchMapOntoTheDaemonsRange)
{
    // Words per minute as the daemon's espeak-ng module reads its -100..100.
    const std::pair<int, int> rates[] = { { 80, -100 }, { 170, 0 },   { 175, 2 },
                                          { 449, 100 }, { 450, 100 }, { 125, -50 } };
    for (const auto &[wpm, rate] : rates)
        EXPECT_EQ(SpeechDispatcherEngine::daemonRate(wpm), rate) << wpm;
    const std::pair<int, int> pitches[] = { { -10, -100 }, { 0, 0 }, { 3, 30 }, { 12, 100 } };
    for (const auto &[pitch, daemon] : pitches)
        EXPECT_EQ(SpeechDispatcherEngine::daemonPitch(pitch), daemon) << pitch;
}

// No daemon answers and none can be started: the start-up goes on with the other engines'
// voices, and the log says once why the system voices are missing, whether the start-up
// waited for the daemon or the reader's talker was made before it answered.
TEST(SpeechDispatcherMissing, OnlyTheOtherEnginesVoicesRemain)
{
    for (const auto listing :
         { SpeechEngines::SystemListing::Later, SpeechEngines::SystemListing::Awaited }) {
        TempProgramFolder folder;
        QTemporaryDir nowhere;
        Seam::Override<SpeechEngineFactory::FactorySeam> keep(
            Seam::current<SpeechEngineFactory::FactorySeam>());
        Seam::Override<SpeechDispatcherEngine::AddressSeam> address(
            QStringLiteral("unix_socket:") + nowhere.filePath(QStringLiteral("sock")));
        SpeechEngines::install(SpeechEngines::SystemVoices::Included, listing);
        for (int talkers = 0; talkers < 2; ++talkers) {
            clsTalker talker;
            talker.InitEngine(); // no failure reaches start-up
            QSignalSpy added(&talker, &clsTalker::VoicesAdded);
            talker.engine()->WaitForVoices();
            EXPECT_FALSE(talker.engine()->VoicesPending());
            EXPECT_EQ(added.count(), 0);
            QStringList engines;
            for (const VoiceChoice::Listed &v : VoiceChoice::List(*talker.engine())) {
                if (!engines.contains(v.identity.engine))
                    engines << v.identity.engine;
            }
            EXPECT_EQ(engines, QStringList({ "espeak-ng", "flite" }));
        }
        Log().WriteActionsToLog();
        // Nothing to tell, no log.
        QFile log(folder.file(QStringLiteral("log.txt")));
        const QString text =
            log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
        EXPECT_EQ(text.count(QStringLiteral("system voices (speech-dispatcher) are not available")),
                  listing == SpeechEngines::SystemListing::Later ? 1 : 0)
            << "told once a process: " << qPrintable(text);
    }
}

} // namespace
