// Reading aloud from the caret with the spoken sentence selected, through a plain view and the
// fake engine: the rules of Read, Stop, Pause and the selection, without the window.
#include "app/ReadingController.h"

#include "base/cSHAREDSettings.h"
#include "speech/clsTalker.h"
#include "support/FakeReaderWindow.h"
#include "support/FakeSpeechEngine.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"
#include "ui/MousePointer.h"

#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kThree =
    QStringLiteral("First sentence here. Second one follows. Third is last here.");

// A reading controller as start-up leaves it: the pronunciation list, the talker and its
// engine made, a voice chosen.
struct Reading
{
    explicit Reading(QList<FakeSpeechEngine::Voice> voices = {})
    {
        if (!voices.isEmpty())
            engines.configure = [voices](FakeSpeechEngine &e) { e.voices = voices; };
        reading.CreateDictionary();
        reading.CreateTalker();
        reading.Talker()->InitEngine();
        reading.SelectVoice(0, QStringLiteral("first"));
    }
    ~Reading() { MousePointer::NormalMouse(); }

    FakeSpeechEngine *engine() const { return engines.last(); }
    clsTalker &talker() const { return *reading.Talker(); }

    // Reads from `caret` (a "|" in the text marks it when caret is -1) to the end: each
    // sentence as the talker gave it, with what the view had selected while it was spoken.
    QList<std::pair<QString, QString>> readToTheEnd(QString text, int caret = -1)
    {
        if (caret < 0) {
            caret = int(text.indexOf(QLatin1Char('|')));
            text.remove(caret, 1);
        }
        view.type(text, caret);
        QList<std::pair<QString, QString>> spoken;
        const auto connection = QObject::connect(&talker(), &clsTalker::SpeakingSentence, &talker(),
                                                 [&](const QString &sentence) {
                                                     spoken.append({ sentence, view.selected() });
                                                 });
        reading.Read();
        for (int guard = 0; talker().isSpeaking() && guard < 1000; ++guard)
            engine()->emitDone();
        QObject::disconnect(connection);
        return spoken;
    }
    QStringList heard() const { return engine()->spoken; }

    TempProgramFolder folder;
    FakeSpeechEngine::Scope engines;
    FakeDocumentView view;
    ReadingController reading { view };
};

TEST(ReadingController, ReadStartsFromTheCaret)
{
    const int L = int(kThree.size());
    const int midWord = int(kThree.indexOf(QStringLiteral("Second"))) + 3;
    const struct
    {
        const char *what;
        int caret;
        QString selected;
        int caretAfter; // where a top-of-text reading puts it
    } cases[] = {
        { "at the start", 0, QStringLiteral("First sentence here."), 0 },
        { "in a word: from the character before the caret", midWord,
          QStringLiteral("cond one follows."), midWord - 1 },
        { "within the last five characters: from the top", L - 3,
          QStringLiteral("First sentence here."), 0 },
        { "five from the end: from the top", L - 5, QStringLiteral("First sentence here."), 0 },
        { "six from the end: still from the caret", L - 6, QStringLiteral("t here."), L - 7 },
    };
    for (const auto &c : cases) {
        Reading r;
        r.view.type(kThree, c.caret);
        r.reading.Read();
        EXPECT_EQ(r.view.selected(), c.selected) << c.what;
        EXPECT_EQ(r.view.SelStart(), c.caretAfter) << c.what;
        EXPECT_EQ(r.reading.SpokenSentence(), std::pair(r.view.SelStart(), int(c.selected.size())))
            << c.what;
        ASSERT_EQ(r.heard().size(), 1) << c.what;
        EXPECT_TRUE(r.heard()[0].contains(c.selected.chopped(1))) << c.what;
        EXPECT_TRUE(r.talker().isSpeaking()) << c.what;
        EXPECT_TRUE(MousePointer::isBusy()) << c.what << ": busy while reading";
    }
    // What a reading from the caret takes, as Read to WAV takes it too.
    EXPECT_EQ(ReadingController::TextFromCaret(kThree, midWord).text, kThree.mid(midWord - 1));
    EXPECT_EQ(ReadingController::TextFromCaret(kThree, L - 5).text, kThree);
    EXPECT_EQ(ReadingController::TextFromCaret(QString(), 0).text, QString());
}

// Whatever the caret position, the selection shows the sentence the voice speaks: the end
// marks and quotes of the sentence before the caret belong to no sentence of this reading.
TEST(ReadingController, TheSelectionIsTheSentenceSpokenWhateverTheCaret)
{
    const struct
    {
        const char *text; // "|" marks the caret
        QStringList sentences;
    } cases[] = {
        { "One ends here.| Two follows. Three is last.", { "Two follows.", "Three is last." } },
        { "Is it?!| Yes it is. Done now.", { "Yes it is.", "Done now." } },
        { "Is it?|! Yes it is. Done now.", { "Yes it is.", "Done now." } },
        { "Wait...| Then more. The end here.", { "Then more.", "The end here." } },
        { "Wait..|. Then more. The end here.", { "Then more.", "The end here." } },
        { "He said \"Stop.\"| Then he left. The end.", { "Then he left.", "The end." } },
        { "He said \"Stop.|\" Then he left. The end.", { "Then he left.", "The end." } },
        { "First one.  |  Second one. Third one.", { "Second one.", "Third one." } },
        { "Line one.\n|Line two. Line three.", { "Line two.", "Line three." } },
        { "One is here. Two| is there. The end.", { "o is there.", "The end." } },
        { "|He said \"Stop.\" Then she asked?!  Finally it ended.",
          { "He said \"Stop.\"", "Then she asked?!", "Finally it ended." } },
        { "|One. Two three", { "One.", "Two three" } },
        { "|One. Two three \r\n", { "One.", "Two three" } },
        // Real books: headings, paragraphs without end marks, rows of stars.
        { "|CHAPTER VII\n\nIt was late. He slept.",
          { "CHAPTER VII", "It was late.", "He slept." } },
        { "|BOOK ONE: 1805  \r\n  \r\nWell, Prince. So Genoa fell.",
          { "BOOK ONE: 1805", "Well, Prince.", "So Genoa fell." } },
        { "|A list\nof things\n\nNext part here.", { "A list\nof things", "Next part here." } },
        { "|It went on\nand on. Then stopped.", { "It went on\nand on.", "Then stopped." } },
        { "|End of part.\n\n* * *\n\nNew part.", { "End of part.", "New part." } },
    };
    for (const auto &c : cases) {
        Reading r;
        QStringList heard;
        for (const auto &[sentence, selected] : r.readToTheEnd(QString::fromUtf8(c.text))) {
            heard << sentence;
            EXPECT_EQ(selected, sentence) << c.text;
        }
        EXPECT_EQ(heard, c.sentences) << c.text;
        EXPECT_FALSE(MousePointer::isBusy()) << c.text << ": the end of a reading";
    }
}

// The selection keeps the dashes the spoken form loses; the words heard are marked where
// the user sees them, whatever the pronunciation list made of them.
TEST(ReadingController, WordsHeardArePassedOnWhereTheViewShowsThem)
{
    Reading r;
    r.folder.writeBytes("ol1dict.txt", "Dr,Doctor\r\nUSA,you ess ay\r\n");
    const QString text = QStringLiteral("Intro. \"Look,\" she said: Dr Who flew to the USA.\r\n"
                                        "-- Then he landed; all was well.");
    QList<std::pair<int, int>> words;
    QObject::connect(&r.reading, &ReadingController::SpeakingWord, [&](int start, int length) {
        words.append({ start, length });
    });
    r.view.type(text, int(text.indexOf(QLatin1Char('"'))));
    r.reading.Read();
    ASSERT_EQ(r.view.selected(), QStringLiteral("\"Look,\" she said: Dr Who flew to the USA."));
    const struct
    {
        const char *heard;
        const char *marked;
    } first[] = { { "Look", "Look" }, { "Doctor", "Dr" }, { "ess", "USA" }, { "ay", "USA" } };
    for (const auto &w : first) {
        const qsizetype at = r.heard().last().indexOf(QString::fromUtf8(w.heard));
        ASSERT_GE(at, 0) << w.heard;
        r.engine()->emitWord(int(at), int(qstrlen(w.heard)));
        ASSERT_FALSE(words.isEmpty());
        EXPECT_EQ(r.view.text.mid(words.last().first, words.last().second),
                  QString::fromUtf8(w.marked))
            << w.heard;
    }
    r.engine()->emitDone();
    EXPECT_EQ(words.last(), std::pair(-1, 0)) << "the sentence's audio has ended";
    EXPECT_EQ(r.view.selected(), QStringLiteral("-- Then he landed; all was well."));
    const qsizetype at = r.heard().last().indexOf(QStringLiteral("all"));
    r.engine()->emitWord(int(at), 3);
    EXPECT_EQ(r.view.text.mid(words.last().first, 8), QStringLiteral("all was "));
}

// Titles that do not end a sentence are those of the voice's language; a voice chosen during
// a reading takes effect from the next Read, for the voice and the selection alike.
TEST(ReadingController, TitlesFollowTheVoicesLanguage)
{
    const QString text = QStringLiteral("|Hr. Weber kam. Mme. Roux aussi.");
    const struct
    {
        const char *language;
        QStringList sentences;
    } cases[] = {
        { "de", { "Hr. Weber kam.", "Mme.", "Roux aussi." } },
        { "fr-fr", { "Hr.", "Weber kam.", "Mme. Roux aussi." } },
        { "en-gb", { "Hr.", "Weber kam.", "Mme.", "Roux aussi." } },
    };
    for (const auto &c : cases) {
        Reading r({ { QStringLiteral("Voice"), QString::fromLatin1(c.language) } });
        QStringList heard;
        for (const auto &[sentence, selected] : r.readToTheEnd(text)) {
            heard << sentence;
            EXPECT_EQ(selected, sentence) << c.language;
        }
        EXPECT_EQ(heard, c.sentences) << c.language;
    }

    Reading r({ { QStringLiteral("English"), QStringLiteral("en") },
                { QStringLiteral("German"), QStringLiteral("de") } });
    r.view.type(QStringLiteral("One here. Hr. Weber kam. Das Ende."));
    QStringList heard, seen;
    QObject::connect(&r.talker(), &clsTalker::SpeakingSentence, [&](const QString &s) {
        heard << s;
        seen << r.view.selected();
    });
    r.reading.Read();
    r.reading.SelectVoice(1, QStringLiteral("German - de"));
    for (int i = 0; i < 10 && r.talker().isSpeaking(); ++i)
        r.engine()->emitDone();
    EXPECT_EQ(heard, QStringList({ "One here.", "Hr.", "Weber kam.", "Das Ende." }));
    EXPECT_EQ(seen, heard);
    EXPECT_EQ(settingToInt(Settings().sGet(QStringLiteral("LastEngine"))), 1);
    EXPECT_EQ(Settings().sGet(QStringLiteral("LastVoice")).toString(), "German - de");
}

TEST(ReadingController, StopPauseAndSpeedKeepTheirRules)
{
    Reading r;
    r.view.type(kThree);
    r.reading.Read();
    r.engine()->emitDone();
    ASSERT_EQ(r.view.selected(), QStringLiteral("Second one follows."));

    // Pause, then Read: the reading restarts from the caret, unpaused.
    r.reading.PauseOrContinue();
    EXPECT_TRUE(r.reading.Paused());
    EXPECT_TRUE(r.engine()->paused);
    const int stopsBefore = r.engine()->stops;
    r.reading.Read();
    EXPECT_FALSE(r.reading.Paused());
    EXPECT_GT(r.engine()->stops, stopsBefore);
    EXPECT_EQ(r.view.selected(), QStringLiteral("Second one follows."));

    // Faster while paused changes the speed and resumes: the next Pause pauses.
    r.reading.PauseOrContinue();
    const int speed = r.engine()->speed;
    r.reading.Faster();
    EXPECT_EQ(r.engine()->speed, speed + 10);
    EXPECT_FALSE(r.engine()->paused);
    EXPECT_FALSE(r.reading.Paused());
    r.reading.PauseOrContinue();
    EXPECT_TRUE(r.engine()->paused);
    r.reading.Slower();
    r.reading.Slower();
    EXPECT_EQ(r.engine()->speed, speed - 10);

    // Stop leaves the caret where the spoken sentence began, and the engine's late done
    // event starts nothing.
    r.reading.Stop();
    EXPECT_EQ(r.view.SelLength(), 0);
    EXPECT_EQ(r.view.SelStart(), int(kThree.indexOf(QStringLiteral("Second"))));
    EXPECT_FALSE(r.talker().isSpeaking());
    EXPECT_FALSE(MousePointer::isBusy());
    const qsizetype spoken = r.heard().size();
    r.engine()->emitDone();
    EXPECT_EQ(r.heard().size(), spoken);
}

TEST(ReadingController, NothingToReadChangesNothingButThePointer)
{
    for (const QString &text : { QString(), QStringLiteral("  \r\n -- ") }) {
        Reading r;
        r.view.type(text);
        r.reading.Read();
        EXPECT_TRUE(r.heard().isEmpty());
        EXPECT_TRUE(r.view.selections.isEmpty());
        EXPECT_EQ(r.view.SelStart(), 0);
        EXPECT_FALSE(r.talker().isSpeaking());
        EXPECT_FALSE(MousePointer::isBusy());
    }
    // Without a talker (start-up failed) every button is harmless.
    TempProgramFolder folder;
    FakeDocumentView view;
    ReadingController reading(view);
    view.type(kThree);
    reading.Read();
    reading.PauseOrContinue();
    reading.Faster();
    reading.ChangePitch(QStringLiteral("3"));
    reading.Stop();
    EXPECT_FALSE(reading.Paused());
    EXPECT_FALSE(MousePointer::isBusy());
}

// A Read clicked while a sentence is being selected (the window pumps messages there) takes
// over: the sentence it interrupted is never spoken.
TEST(ReadingController, ReadClickedWhileASentenceIsSelectedTakesOver)
{
    Reading r;
    const QString text = QStringLiteral("One is first. Two is next. Three here. Four at last.");
    r.view.type(text);
    r.reading.Read();
    QTimer::singleShot(0, [&] {
        r.view.setSelStart(int(text.indexOf(QStringLiteral("Three"))) + 1);
        r.reading.Read();
    });
    r.engine()->emitDone();
    EXPECT_EQ(r.view.selected(), QStringLiteral("Three here."));
    r.engine()->emitDone();
    EXPECT_EQ(r.view.selected(), QStringLiteral("Four at last."));
    ASSERT_EQ(r.heard().size(), 3) << r.heard().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(r.heard()[1].contains(QStringLiteral("Three here")));
    EXPECT_TRUE(r.heard()[2].contains(QStringLiteral("Four at last")));
}

} // namespace

// Text appended to the view while a reading goes on (a long PDF's later pages) is read on
// into, with each sentence selected where the view shows it; a reading that had read all
// there was goes on when more comes; without a reading nothing is spoken.
TEST(ReadingController, AReadingGoesOnIntoAppendedText)
{
    const QString first = QStringLiteral("Page one. A sentence the page break");
    const QString more = QStringLiteral(" cut. Page two.");
    enum When { WhileSpeaking, AfterTheEnd, WithoutReading };
    for (const When when : { WhileSpeaking, AfterTheEnd, WithoutReading }) {
        Reading r;
        r.view.type(first, 0);
        if (when != WithoutReading)
            r.reading.Read();
        if (when == AfterTheEnd) {
            for (int guard = 0; r.talker().isSpeaking() && guard < 10; ++guard)
                r.engine()->emitDone();
        }
        r.view.appendText(more);
        r.reading.TextAppended(more);
        for (int guard = 0; r.talker().isSpeaking() && guard < 10; ++guard)
            r.engine()->emitDone();
        const QStringList expected = when == WithoutReading ? QStringList()
            : when == WhileSpeaking
            ? QStringList { "Page one.", "A sentence the page break cut.", "Page two." }
            : QStringList { "Page one.", "A sentence the page break", "cut.", "Page two." };
        QStringList heard;
        for (const QString &sentence : r.heard())
            heard << sentence.trimmed(); // the voice's form starts with a blank
        EXPECT_EQ(heard, expected) << when;
        if (when != WithoutReading) {
            EXPECT_EQ(r.view.selections.constLast(), QStringLiteral("Page two.")) << when;
        }
    }
}
