// The real engine, playing into whatever sound server runs (a null sink in CI).
#include "platform/EspeakEngine.h"

#include "base/Failure.h"
#include "base/Seam.h"
#include "platform/AudioPlayer.h"
#include "platform/EspeakSynthesizer.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "support/MemoryDictionary.h"
#include "ui/VoiceList.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kDoneTimeoutMs = 15000;

class EspeakEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        engine = std::make_unique<EspeakEngine>();
        engine->setSpeed(EspeakEngine::kMaxSpeed); // short tests
    }

    qint64 playedMs(qint64 bytes) const { return bytes * 1000 / (engine->sampleRate() * 2); }

    std::unique_ptr<EspeakEngine> engine;
};

TEST_F(EspeakEngineTest, SentenceIsDoneOnceAfterItsAudioHasPlayed)
{
    QSignalSpy done(engine.get(), &SpeechEngine::SpeakingDone);
    QElapsedTimer clock;
    clock.start();
    engine->Speak(QStringLiteral("The quick brown fox jumps over the lazy dog"));
    EXPECT_NE(engine->Speaking(), 0);
    ASSERT_TRUE(done.wait(kDoneTimeoutMs));
    const qint64 elapsed = clock.elapsed();
    const qint64 audioMs = playedMs(engine->audioHandedBytes());
    EXPECT_GT(audioMs, 300) << "the sentence produced audio";
    // Not before its audio could have been heard (the sink buffer and timer ticks
    // account for a little slack).
    EXPECT_GE(elapsed, audioMs - 60);
    EXPECT_EQ(engine->Speaking(), 0);
    EXPECT_FALSE(done.wait(300)) << "a second SpeakingDone";
    EXPECT_EQ(done.count(), 1);
}

TEST_F(EspeakEngineTest, EmptyTextsAreDoneInOrderToo)
{
    QSignalSpy done(engine.get(), &SpeechEngine::SpeakingDone);
    engine->Speak(QString());
    engine->Speak(QStringLiteral("   "));
    engine->Speak(QStringLiteral("Yes"));
    for (int expected = 1; expected <= 3; ++expected) {
        if (done.count() < expected) {
            ASSERT_TRUE(done.wait(kDoneTimeoutMs)) << expected;
        }
    }
    EXPECT_EQ(engine->Speaking(), 0);
    EXPECT_FALSE(done.wait(200));
    EXPECT_EQ(done.count(), 3);
}

TEST_F(EspeakEngineTest, PauseHoldsTheEndBackAndResumeLetsItCome)
{
    QSignalSpy done(engine.get(), &SpeechEngine::SpeakingDone);
    QSignalSpy handed(engine.get(), &EspeakEngine::AudioHanded);
    engine->Speak(QStringLiteral("One two three four five six seven eight"));
    ASSERT_TRUE(handed.wait(kDoneTimeoutMs));
    engine->AudioPause();
    const qint64 handedAtPause = engine->audioHandedBytes();
    // Paused for longer than the whole sentence lasts: it must not end meanwhile.
    EXPECT_FALSE(done.wait(int(playedMs(handedAtPause)) + 2500));
    EXPECT_NE(engine->Speaking(), 0);
    EXPECT_EQ(engine->audioHandedBytes(), handedAtPause) << "audio went out while paused";
    engine->AudioResume();
    ASSERT_TRUE(done.wait(kDoneTimeoutMs));
    EXPECT_EQ(done.count(), 1);
}

TEST_F(EspeakEngineTest, StopSilencesAndCancelsWithoutDoneEvent)
{
    QSignalSpy done(engine.get(), &SpeechEngine::SpeakingDone);
    QSignalSpy handed(engine.get(), &EspeakEngine::AudioHanded);
    engine->setSpeed(EspeakEngine::kMinSpeed);
    engine->Speak(QStringLiteral("This sentence is long enough to be stopped well before its "
                                 "end, because it goes on and on and on for a while"));
    ASSERT_TRUE(handed.wait(kDoneTimeoutMs));
    engine->AudioPause(); // a stop also ends a pause
    engine->StopSpeaking();
    EXPECT_EQ(engine->Speaking(), 0);
    EXPECT_EQ(engine->audioHandedBytes(), 0);
    handed.clear();
    EXPECT_FALSE(done.wait(500));
    EXPECT_TRUE(handed.isEmpty()) << "audio of the stopped sentence still went out";

    // The engine speaks again after a stop.
    engine->setSpeed(EspeakEngine::kMaxSpeed);
    engine->Speak(QStringLiteral("Again"));
    ASSERT_TRUE(done.wait(kDoneTimeoutMs));
    EXPECT_EQ(done.count(), 1);
}

TEST_F(EspeakEngineTest, LongTextWithoutFullStopStartsAtOnceInBoundedMemory)
{
    QString text;
    text.reserve(200 * 1024);
    const QString words = QStringLiteral("and the river ran on past the mill, ");
    while (text.size() < 200 * 1024)
        text += words;

    QSignalSpy handed(engine.get(), &EspeakEngine::AudioHanded);
    QElapsedTimer clock;
    clock.start();
    engine->Speak(text);
    ASSERT_TRUE(handed.wait(kDoneTimeoutMs));
    EXPECT_LT(clock.elapsed(), 2000) << "first audio took too long";

    // Let the worker run ahead as far as it will, then check that it stopped at a
    // few seconds of audio instead of rendering the whole text (hours of speech).
    const qsizetype lowWater = qsizetype(engine->sampleRate()) * 2 * 2;
    QTRY_VERIFY_WITH_TIMEOUT(engine->queueHighWater() >= lowWater, 5000);
    QTest::qWait(500);
    EXPECT_LT(engine->queueHighWater(), 4 * 1024 * 1024);
    engine->StopSpeaking();
}

TEST_F(EspeakEngineTest, SpeedAndPitchRangesAreEnforced)
{
    const std::pair<int, bool> speeds[] = {
        { 79, false }, { 80, true }, { 450, true }, { 451, false }
    };
    for (const auto &[speed, accepted] : speeds) {
        engine->setSpeed(200);
        try {
            engine->setSpeed(speed);
            EXPECT_TRUE(accepted) << speed;
        } catch (const Failure &f) {
            EXPECT_FALSE(accepted) << speed;
            EXPECT_EQ(f.code(), 380);
        }
        EXPECT_EQ(engine->Speed(), accepted ? speed : 200) << speed;
    }
    EXPECT_THROW(engine->setPitch(11), Failure);
    engine->setPitch(-10);
    EXPECT_EQ(engine->Pitch(), -10);
    EXPECT_THROW(engine->Select(engine->CountEngines() + 1), Failure);
}

TEST(EspeakEngineVoices, ListItemKSelectsVoiceKPlusOne)
{
    clsTalker talker;
    talker.InitEngine();
    SpeechEngine *engine = talker.engine();
    ASSERT_NE(engine, nullptr);
    const int count = engine->CountEngines();
    ASSERT_GT(count, 0);

    QComboBox combo;
    VoiceList::FillEngine(&combo, talker);
    ASSERT_EQ(combo.count(), count);
    for (int k : { 0, count / 2, count - 1 }) {
        talker.SelectVoice(k);
        EXPECT_EQ(engine->CurrentMode(), k + 1);
        EXPECT_EQ(combo.itemText(k),
                  engine->ModeName(k + 1) + QStringLiteral(" - ") + engine->ModeLanguage(k + 1));
    }
    // The first voice speaks the user's language.
    const auto &voices = EspeakSynthesizer::instance()->voices();
    const qsizetype preferred =
        EspeakSynthesizer::preferredVoice(voices, EspeakSynthesizer::systemLocaleName());
    EXPECT_EQ(preferred, 0);
    EXPECT_EQ(engine->ModeName(1), voices.front().name);
}

TEST(EspeakEngineVoices, FirstVoiceFollowsTheLocale)
{
    const auto &voices = EspeakSynthesizer::instance()->voices();
    const std::pair<const char *, const char *> cases[] = {
        { "C", "gmw/en" },
        { "", "gmw/en" },
        { "en_US.UTF-8", "gmw/en-US" },
        { "de_AT.UTF-8@euro", "gmw/de" },
        { "pt_BR.UTF-8", "roa/pt-BR" },
        { "pt_PT", "roa/pt" },
    };
    for (const auto &[locale, identifier] : cases) {
        const qsizetype index =
            EspeakSynthesizer::preferredVoice(voices, QString::fromLatin1(locale));
        EXPECT_EQ(voices[index].identifier, QByteArray(identifier)) << locale;
    }
    EXPECT_EQ(EspeakSynthesizer::preferredVoice(voices, QStringLiteral("xx_YY")), 0);
}

TEST(EspeakSynthesizerPieces, LongTextsAreCutAtCommasOrBlanksOnly)
{
    const QString shortText(300, QLatin1Char('a'));
    EXPECT_EQ(EspeakSynthesizer::pieceEnd(shortText, 0), 300);
    EXPECT_EQ(EspeakSynthesizer::pieceEnd(QString(), 0), 0);

    QString commas = QString(150, QLatin1Char('a')) + QStringLiteral(", ")
        + QString(80, QLatin1Char('b')) + QStringLiteral(" ") + QString(400, QLatin1Char('c'));
    EXPECT_EQ(EspeakSynthesizer::pieceEnd(commas, 0), 151) << "after the comma, not the blank";

    const QString blanks =
        QString(200, QLatin1Char('a')) + QStringLiteral(" ") + QString(400, QLatin1Char('b'));
    EXPECT_EQ(EspeakSynthesizer::pieceEnd(blanks, 0), 201);

    // No break anywhere: a hard cut that keeps a surrogate pair whole.
    QString solid = QString(249, QLatin1Char('a'));
    solid += QString::fromUcs4(U"\U0001F600");
    solid += QString(400, QLatin1Char('a'));
    const qsizetype end = EspeakSynthesizer::pieceEnd(solid, 0);
    EXPECT_GT(end, 0);
    EXPECT_FALSE(solid.at(end - 1).isHighSurrogate());

    // Every piece moves forward and the pieces cover the text.
    qsizetype from = 0;
    while (from < blanks.size()) {
        const qsizetype to = EspeakSynthesizer::pieceEnd(blanks, from);
        ASSERT_GT(to, from);
        from = to;
    }
    EXPECT_EQ(from, blanks.size());
}

TEST(EspeakEngineReading, TalkerReadsEverySentenceToTheEnd)
{
    clsTalker talker;
    talker.InitEngine();
    talker.engine()->setSpeed(EspeakEngine::kMaxSpeed);
    QStringList raised;
    QObject::connect(&talker, &clsTalker::SpeakingSentence, &talker,
                     [&raised](const QString &s) { raised.append(s); });
    talker.StoreTextFile(QStringLiteral("One. Two: three. Four"));
    talker.ReadText();
    QTRY_VERIFY_WITH_TIMEOUT(!talker.isSpeaking(), kDoneTimeoutMs);
    EXPECT_EQ(raised,
              QStringList({ QStringLiteral("One."), QStringLiteral("Two: three."),
                            QStringLiteral("Four") }));
    EXPECT_EQ(talker.engine()->Speaking(), 0);
}

// The words the user hears, as the talker reports them on the sentence shown: in order,
// each on a word of the sentence being spoken, none while the audio is paused, and on
// again after Continue and after Faster, a pronunciation pair and a colon in between.
TEST(EspeakEngineReading, WordMarksFollowTheAudioHeard)
{
    clsTalker talker;
    talker.InitEngine();
    clsDict dict;
    FillDictionary(dict, { { "Dr", "Doctor" } });
    talker.setDictionary(&dict);
    talker.engine()->setSpeed(300);
    struct Mark
    {
        QString sentence;
        int start;
        int length;
        qint64 atMs;
    };
    QList<Mark> marks;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&talker, &clsTalker::SpeakingWord, &talker,
                     [&](const QString &sentence, int start, int length) {
                         if (start >= 0)
                             marks.append({ sentence, start, length, clock.elapsed() });
                     });
    QSignalSpy words(&talker, &clsTalker::SpeakingWord);
    const QString first = QStringLiteral("Dr Smith saw seven ships: all of them sailed at noon.");
    const QString second =
        QStringLiteral("The harbour master counted every one of them and wrote the numbers down.");
    talker.StoreTextFile(first + QLatin1Char(' ') + second);
    talker.ReadText();

    // Pause on the third word: nothing is marked until Continue.
    QTRY_VERIFY_WITH_TIMEOUT(marks.size() >= 3, kDoneTimeoutMs);
    talker.Pause();
    const qsizetype atPause = marks.size();
    words.clear();
    QTest::qWait(800);
    // A word already on its way to the UI thread may still land right after the pause.
    EXPECT_LE(marks.size(), atPause + 1) << "marks came while the audio was paused";
    const qsizetype held = marks.size();
    talker.Continue();
    QTRY_VERIFY_WITH_TIMEOUT(marks.size() > held, kDoneTimeoutMs);
    EXPECT_GE(marks[held].atMs - marks[held - 1].atMs, 700) << "the mark held during the pause";

    // Faster in the second sentence: the marks go on, in step.
    QTRY_VERIFY_WITH_TIMEOUT(!marks.isEmpty() && marks.last().sentence == second, kDoneTimeoutMs);
    talker.Faster();
    QTRY_VERIFY_WITH_TIMEOUT(!talker.isSpeaking(), kDoneTimeoutMs * 2);

    QStringList heard;
    for (qsizetype i = 0; i < marks.size(); ++i) {
        const Mark &m = marks[i];
        ASSERT_TRUE(m.sentence == first || m.sentence == second) << qPrintable(m.sentence);
        ASSERT_GE(m.start, 0);
        ASSERT_LE(m.start + m.length, m.sentence.size());
        heard << m.sentence.mid(m.start, m.length);
        if (i > 0 && marks[i - 1].sentence == m.sentence) {
            EXPECT_GE(m.start, marks[i - 1].start) << "marks run backwards";
        }
        if (i > 0) {
            EXPECT_FALSE(marks[i - 1].sentence == second && m.sentence == first);
        }
    }
    // The spoken "Doctor" is marked on the "Dr" the user sees.
    EXPECT_EQ(heard.first(), QStringLiteral("Dr")) << qPrintable(heard.join('|'));
    for (const QString &word : { QStringLiteral("ships"), QStringLiteral("noon"),
                                 QStringLiteral("harbour"), QStringLiteral("down") })
        EXPECT_TRUE(heard.contains(word))
            << qPrintable(word) << ": " << qPrintable(heard.join('|'));
}

TEST(EspeakEngineSilent, PlaysInRealTimeWithoutADevice)
{
    Seam::Override<AudioPlayer::ForceSilentSeam> silent(true);
    EspeakEngine engine;
    engine.setSpeed(EspeakEngine::kMaxSpeed);
    QSignalSpy done(&engine, &SpeechEngine::SpeakingDone);
    QElapsedTimer clock;
    clock.start();
    engine.Speak(QStringLiteral("Nobody hears this sentence"));
    ASSERT_TRUE(done.wait(kDoneTimeoutMs));
    EXPECT_TRUE(engine.playsSilently());
    const qint64 audioMs = engine.audioHandedBytes() * 1000 / (engine.sampleRate() * 2);
    EXPECT_GT(audioMs, 300);
    EXPECT_GE(clock.elapsed(), audioMs - 30);
}

TEST(EspeakEngineData, MissingDataFailsCreationWith429)
{
    // The library keeps its data path for the whole process, so look in a child.
    if (qEnvironmentVariableIsSet("ORLIN_ESPEAK_CHILD")) {
        try {
            EspeakEngine engine;
            FAIL() << "created without data";
        } catch (const Failure &f) {
            EXPECT_EQ(f.code(), FailureCode::CannotCreateComponent);
        }
        return;
    }
    // An existing folder without the data: the library only falls back to its
    // built-in path when the one it is given does not exist.
    QTemporaryDir emptyData;
    ASSERT_TRUE(emptyData.isValid());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORLIN_ESPEAK_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("ESPEAK_DATA_PATH"), emptyData.path());
    child.setProcessEnvironment(env);
    child.start(
        QCoreApplication::applicationFilePath(),
        { QStringLiteral("--gtest_filter=EspeakEngineData.MissingDataFailsCreationWith429") });
    ASSERT_TRUE(child.waitForFinished(30000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
}

} // namespace
