#include "speech/clsTalker.h"

#include "base/Failure.h"
#include "speech/CleanForSpeech.h"
#include "speech/clsDict.h"
#include "support/FakeSpeechEngine.h"
#include "ui/MousePointer.h"
#include "ui/VoiceList.h"

#include <QComboBox>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class clsTalkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        talker.InitEngine();
        engine = fakes.last();
        ASSERT_NE(engine, nullptr);
    }

    // Reads `text`; returns the sentences raised by SpeakingSentence, each paired with
    // how many texts the engine had been given when it was raised.
    void read(const QString &text)
    {
        QObject::connect(&talker, &clsTalker::SpeakingSentence, &talker, [this](const QString &s) {
            raised.append({ s, engine->spoken.size() });
        });
        talker.StoreTextFile(text);
        talker.ReadText();
    }

    FakeSpeechEngine::Scope fakes;
    clsTalker talker;
    FakeSpeechEngine *engine = nullptr;
    QList<std::pair<QString, qsizetype>> raised;
};

TEST_F(clsTalkerTest, ReadsStoredTextOneSentencePerDoneEvent)
{
    QSignalSpy ended(&talker, &clsTalker::ReadingEnded);
    read(QStringLiteral("First: one. -- Second;two? Third!"));

    // Each sentence is raised as stored, before the engine gets its cleaned form.
    const QStringList stored = { QStringLiteral("First: one."), QStringLiteral("Second;two?"),
                                 QStringLiteral("Third!") };
    for (int i = 0; i < stored.size(); ++i) {
        ASSERT_EQ(raised.size(), i + 1);
        EXPECT_EQ(raised[i].first, stored[i]);
        EXPECT_EQ(raised[i].second, i) << "raised after the engine got the sentence";
        ASSERT_EQ(engine->spoken.size(), i + 1);
        EXPECT_EQ(engine->spoken[i], CleanForSpeech(stored[i]));
        EXPECT_TRUE(talker.isSpeaking());
        engine->emitDone();
    }
    // "!" leaves an empty last sentence: the reading ends there, and says so once.
    EXPECT_EQ(engine->spoken.size(), 3);
    EXPECT_FALSE(talker.isSpeaking());
    EXPECT_EQ(ended.count(), 1);

    engine->emitDone(); // a stray done event after the end starts nothing
    EXPECT_EQ(engine->spoken.size(), 3);
    EXPECT_EQ(ended.count(), 1);
}

// Where each sentence and each heard word stands in the text the user sees: the store's text
// starts at ShownStart of it, and the sentence is selected with the dashes, blanks and quotes
// its spoken form loses.
TEST_F(clsTalkerTest, ReportsWhereSentencesAndWordsStandInTheShownText)
{
    const QString shown = QStringLiteral("Before. \"Look,\" she said. -- Then all was well --\n\n"
                                         "  Last one");
    struct Expected
    {
        QString highlighted;
        QString sentence;
        QString word; // heard first in the sentence
    };
    const QList<Expected> expected = {
        { QStringLiteral("\"Look,\" she said."), QStringLiteral("\"Look,\" she said."),
          QStringLiteral("Look") },
        { QStringLiteral("-- Then all was well --"), QStringLiteral("Then all was well"),
          QStringLiteral("Then") },
        { QStringLiteral("Last one"), QStringLiteral("Last one"), QStringLiteral("Last") },
    };
    const int from = int(shown.indexOf(QLatin1Char('"'))) - 1;
    QList<std::pair<int, int>> spans;
    QStringList sentences;
    QObject::connect(&talker, &clsTalker::SpeakingSentence, &talker,
                     [&](const QString &sentence, int start, int length) {
                         sentences << sentence;
                         spans.append({ start, length });
                     });
    QList<std::pair<int, int>> words;
    QObject::connect(&talker, &clsTalker::SpeakingWord, &talker,
                     [&](const QString &, int start, int length) {
                         if (start >= 0)
                             words.append({ talker.ShownPosition(start), length });
                     });
    talker.StoreTextFile(shown.mid(from), from);
    talker.ReadText();
    for (const Expected &e : expected) {
        ASSERT_EQ(sentences.size(), spans.size());
        ASSERT_FALSE(sentences.isEmpty());
        EXPECT_EQ(sentences.last(), e.sentence);
        EXPECT_EQ(shown.mid(spans.last().first, spans.last().second), e.highlighted);
        // The engine hears the word at its place in what it was given.
        const qsizetype at = engine->spoken.last().indexOf(e.word);
        ASSERT_GE(at, 0) << qPrintable(e.word);
        engine->emitWord(int(at), int(e.word.size()));
        ASSERT_FALSE(words.isEmpty());
        EXPECT_EQ(shown.mid(words.last().first, words.last().second), e.word);
        engine->emitDone();
    }
    EXPECT_EQ(sentences.size(), 3);
    EXPECT_FALSE(talker.isSpeaking());
}

TEST_F(clsTalkerTest, TextWithoutEndMarkIsSpokenOnce)
{
    read(QStringLiteral("no end mark at all"));
    engine->emitDone();
    EXPECT_EQ(engine->spoken, QStringList { QStringLiteral("no end mark at all") });
    EXPECT_FALSE(talker.isSpeaking());
}

TEST_F(clsTalkerTest, EmptyStoreEndsTheReadingAtOnce)
{
    QSignalSpy ended(&talker, &clsTalker::ReadingEnded);
    read(QString());
    EXPECT_TRUE(engine->spoken.isEmpty());
    EXPECT_TRUE(raised.isEmpty());
    EXPECT_FALSE(talker.isSpeaking());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(clsTalkerTest, StopSuppressesTheNextSentence)
{
    engine->doneOnStop = true; // the stop itself raises a done event
    read(QStringLiteral("One. Two. Three."));
    talker.StopSpeaking();
    EXPECT_EQ(engine->stops, 1);
    engine->emitDone();
    EXPECT_EQ(engine->spoken.size(), 1);
    EXPECT_FALSE(talker.isSpeaking());
}

TEST_F(clsTalkerTest, StopOrNewReadInsideTheHighlightHandlerWins)
{
    // The main window pumps messages while highlighting, so a Stop click can run there.
    QObject::connect(
        &talker, &clsTalker::SpeakingSentence, &talker, [this] { talker.StopSpeaking(); },
        Qt::SingleShotConnection);
    read(QStringLiteral("One. Two."));
    EXPECT_TRUE(engine->spoken.isEmpty());
    EXPECT_FALSE(talker.isSpeaking());

    // A new Read inside the handler: only its sentence goes to the engine.
    QObject::connect(
        &talker, &clsTalker::SpeakingSentence, &talker,
        [this] {
            talker.StopSpeaking();
            talker.StoreTextFile(QStringLiteral("New text."));
            talker.ReadText();
        },
        Qt::SingleShotConnection);
    talker.StoreTextFile(QStringLiteral("Old text."));
    talker.ReadText();
    EXPECT_EQ(engine->spoken, QStringList { QStringLiteral("New text.") });
    EXPECT_TRUE(talker.isSpeaking());
}

TEST_F(clsTalkerTest, SpeakFailureEndsTheReading)
{
    engine->failOperation(QStringLiteral("Speak"));
    QSignalSpy ended(&talker, &clsTalker::ReadingEnded);
    read(QStringLiteral("One. Two."));
    EXPECT_FALSE(talker.isSpeaking());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(clsTalkerTest, DictionaryShapesWhatIsHeardNotWhatIsShown)
{
    clsDict dict;
    auto pair = std::make_shared<clsWordPair>();
    pair->OriginalWord = QStringLiteral("Smyth");
    pair->NewWord = QStringLiteral("Smith");
    dict.AddWordPair(pair);
    talker.setDictionary(&dict);

    const QString sentence = QStringLiteral("Smyth said: hello.");
    read(sentence);
    ASSERT_EQ(raised.size(), 1);
    EXPECT_EQ(raised[0].first, sentence);
    EXPECT_EQ(engine->spoken, QStringList { dict.TranslateText(CleanForSpeech(sentence)) });
    EXPECT_NE(engine->spoken[0], CleanForSpeech(sentence));
}

TEST_F(clsTalkerTest, SaySpeaksUnchangedOnlyWhenIdle)
{
    talker.Say(QStringLiteral("a:b; c"));
    EXPECT_EQ(engine->spoken, QStringList { QStringLiteral("a:b; c") });
    talker.Say(QStringLiteral("ignored while speaking"));
    EXPECT_EQ(engine->spoken.size(), 1);
    engine->emitDone(); // Say is no reading: its done event starts nothing
    EXPECT_EQ(engine->spoken.size(), 1);
    talker.Say(QStringLiteral("again"));
    EXPECT_EQ(engine->spoken.size(), 2);
}

TEST_F(clsTalkerTest, SpeedStepsAndRefusals)
{
    engine->speed = 200;
    talker.Faster();
    EXPECT_EQ(talker.TalkSpeed(), 210);
    talker.Slower();
    EXPECT_EQ(talker.TalkSpeed(), 200);

    // Refused at the top of the range and a given value: the old speed stays and the
    // audio, paused for the change, is resumed (also when the user had paused it).
    engine->speed = 450;
    talker.Pause();
    talker.Faster();
    EXPECT_EQ(engine->speed, 450);
    EXPECT_FALSE(engine->paused);

    engine->speed = 300;
    engine->refusedSpeed = 290;
    talker.Slower();
    EXPECT_EQ(engine->speed, 300);
    EXPECT_FALSE(engine->paused);

    engine->failOperation(QStringLiteral("Speed"));
    EXPECT_EQ(talker.TalkSpeed(), 0);
    talker.Faster(); // nothing known to restore; must not set a made-up speed
    EXPECT_EQ(engine->speed, 300);
    EXPECT_FALSE(engine->paused);
}

TEST_F(clsTalkerTest, PauseAndContinueReachTheEngine)
{
    talker.Pause();
    EXPECT_TRUE(engine->paused);
    talker.Continue();
    EXPECT_FALSE(engine->paused);
    engine->failOperation(QStringLiteral("AudioPause"));
    talker.Pause(); // ignored
    EXPECT_FALSE(engine->paused);
}

TEST_F(clsTalkerTest, VoiceListAndSelection)
{
    engine->voices = { { QStringLiteral("Anna"), QStringLiteral("en-gb") },
                       { QStringLiteral("Broken"), QStringLiteral("xx"), false },
                       { QStringLiteral("Carl"), QStringLiteral("de") },
                       { QStringLiteral("Dora"), QStringLiteral("fr"), true, false } };
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));
    VoiceList::FillEngine(&combo, talker);
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("Anna - en-gb"));
    EXPECT_EQ(combo.itemText(1), QStringLiteral("Carl - de"));
    EXPECT_EQ(combo.itemText(2), QStringLiteral("Dora - fr"));

    talker.SelectVoice(2);
    EXPECT_EQ(engine->selected, 3);
    // Rejected, undescribable and non-existent voices keep the previous one.
    for (int rejected : { 3, 1, 7, -1 }) {
        talker.SelectVoice(rejected);
        EXPECT_EQ(engine->selected, 3) << rejected;
    }
}

TEST_F(clsTalkerTest, PitchTextAndWaveFileName)
{
    const std::pair<const char *, int> cases[] = { { "-10", -10 }, { "10", 10 }, { "3", 3 },
                                                   { "0", 0 },     { "11", 0 },  { "-11", 0 },
                                                   { "abc", 0 },   { "", 0 } };
    for (const auto &[text, expected] : cases) {
        engine->pitch = 0;
        talker.ChangePitch(QString::fromLatin1(text));
        EXPECT_EQ(engine->pitch, expected) << text;
    }
    talker.SetWavOutput(QStringLiteral("/tmp/out.wav"));
    EXPECT_EQ(talker.WavOutput(), QStringLiteral("/tmp/out.wav"));
}

struct InitCase
{
    const char *name;
    std::function<void(FakeSpeechEngine::Scope &)> setUp;
    int code; // 0: no failure
    const char *description;
};

TEST(clsTalkerInit, FailuresCarryTheirCodeAndStep)
{
    const InitCase cases[] = {
        { "works", [](auto &) {}, 0, "" },
        { "no voices", [](auto &s) { s.configure = [](FakeSpeechEngine &e) { e.voices.clear(); }; },
          FailureCode::NoSpeechEngine,
          "No speech engines while Err.Raise NO_SPEECH_ENGINE, '', 'No speech engines'" },
        { "not installed", [](auto &s) { s.failCreation = true; },
          FailureCode::CannotCreateComponent,
          "ActiveX component can't create object while Set Voice1 = New TextToSpeech" },
        { "code 5 carries on",
          [](auto &s) {
              s.configure = [](FakeSpeechEngine &e) {
                  e.failOperation(QStringLiteral("setInitialized"));
              };
          },
          0, "" },
        { "other codes stop",
          [](auto &s) {
              s.configure = [](FakeSpeechEngine &e) {
                  e.failOperation(QStringLiteral("setInitialized"), 7,
                                  QStringLiteral("Out of memory"));
              };
          },
          7, "Out of memory while Voice1.initialized = 1" },
        { "count fails with 5: the raise step follows",
          [](auto &s) {
              s.configure = [](FakeSpeechEngine &e) {
                  e.failOperation(QStringLiteral("CountEngines"));
              };
          },
          FailureCode::NoSpeechEngine,
          "No speech engines while Err.Raise NO_SPEECH_ENGINE, '', 'No speech engines'" },
    };
    for (const auto &c : cases) {
        FakeSpeechEngine::Scope fakes;
        c.setUp(fakes);
        clsTalker talker;
        MousePointer::NormalMouse();
        try {
            talker.InitEngine();
            EXPECT_EQ(c.code, 0) << c.name;
        } catch (const Failure &f) {
            EXPECT_EQ(f.code(), c.code) << c.name;
            EXPECT_EQ(f.description(), QString::fromLatin1(c.description)) << c.name;
        }
        // The pointer is the window's: the talker leaves it alone.
        EXPECT_FALSE(MousePointer::isBusy()) << c.name;
    }
}

TEST(clsTalkerInit, OperationsWithoutAnEngineAreHarmless)
{
    clsTalker talker;
    QComboBox combo;
    VoiceList::FillEngine(&combo, talker);
    talker.SelectVoice(0);
    talker.Faster();
    talker.Say(QStringLiteral("x"));
    talker.StoreTextFile(QStringLiteral("One. Two."));
    talker.ReadText();
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(talker.TalkSpeed(), 0);
    EXPECT_FALSE(talker.isSpeaking());
}

} // namespace
