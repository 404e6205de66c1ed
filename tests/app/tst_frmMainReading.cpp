// Reading aloud from the caret with the spoken sentence selected, on the fake engine.
#include "base/MousePointer.h"
#include "base/Seam.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsTalker.h"
#include "support/MainWindowHarness.h"
#include "support/WavFile.h"
#include "ui/RichTextBox.h"
#include "ui/cSHAREDcDlg.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kThree =
    QStringLiteral("First sentence here. Second one follows. Third is last here.");

struct Reading : MainWindowHarness
{
    Reading()
    {
        EXPECT_TRUE(start());
        spokenBefore = engine()->spoken.size();
    }
    qsizetype spokenBefore = 0;
    QStringList spokenNow() const { return engine()->spoken.mid(spokenBefore); }
};

} // namespace

TEST(frmMainReading, ReadStartsFromTheCaret)
{
    const int L = int(kThree.size());
    const int midWord = int(kThree.indexOf(QStringLiteral("Second"))) + 3;
    struct Case
    {
        const char *what;
        int caret;
        QString highlighted;
        int highlightFrom;
    };
    const Case cases[] = {
        { "at the start", 0, QStringLiteral("First sentence here."), 0 },
        { "in a word: from the character before the caret", midWord,
          QStringLiteral("cond one follows."), midWord - 1 },
        { "within the last five characters: from the top", L - 3,
          QStringLiteral("First sentence here."), 0 },
        { "five from the end: from the top", L - 5, QStringLiteral("First sentence here."), 0 },
        { "six from the end: still from the caret", L - 6, QStringLiteral("t here."), L - 7 },
    };
    for (const Case &c : cases) {
        Reading r;
        r.showText(kThree, c.caret);
        r.window->cmdRead_Click();
        EXPECT_EQ(r.selectedText(), c.highlighted) << c.what;
        EXPECT_EQ(r.view()->SelStart(), c.highlightFrom) << c.what;
        ASSERT_EQ(r.spokenNow().size(), 1) << c.what;
        EXPECT_TRUE(r.spokenNow()[0].contains(c.highlighted.chopped(1))) << c.what;
        EXPECT_TRUE(r.window->reading().Talker()->isSpeaking()) << c.what;
    }
}

// Whatever the caret position, the selection shows the sentence the voice speaks: the end
// marks and quotes of the sentence before the caret belong to no sentence of this reading.
TEST(frmMainReading, HighlightShowsTheSpokenSentenceWhateverTheCaret)
{
    struct Case
    {
        const char *text; // "|" marks the caret
        QStringList sentences;
    };
    const Case cases[] = {
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
    };
    for (const Case &c : cases) {
        Reading r;
        QString text = QString::fromUtf8(c.text);
        const int caret = int(text.indexOf(QLatin1Char('|')));
        text.remove(caret, 1);
        r.showText(text, caret);
        QStringList heard;
        for (const MainWindowHarness::Spoken &s : r.readToTheEnd()) {
            heard << s.heard;
            EXPECT_EQ(s.seen, s.heard) << c.text;
        }
        EXPECT_EQ(heard, c.sentences) << c.text;
        EXPECT_FALSE(MousePointer::isBusy()) << c.text;
    }
}

// Real books, sentence by sentence: what the store hands to the voice and what the view
// selects while it is spoken are the same sentences.
TEST(frmMainReading, SentencesOfRealTextAreHeardAndSeenAlike)
{
    struct Case
    {
        const char *what;
        const char *text;
        QStringList sentences;
    };
    const Case cases[] = {
        { "heading before a blank line",
          "CHAPTER VII\n\nIt was late. He slept.",
          { "CHAPTER VII", "It was late.", "He slept." } },
        { "heading, CR LF and blanks on the blank line",
          "BOOK ONE: 1805  \r\n  \r\nWell, Prince. So Genoa fell.",
          { "BOOK ONE: 1805", "Well, Prince.", "So Genoa fell." } },
        { "paragraph without an end mark",
          "A list\nof things\n\nNext part here.",
          { "A list\nof things", "Next part here." } },
        { "a single line end does not break",
          "It went on\nand on. Then stopped.",
          { "It went on\nand on.", "Then stopped." } },
        { "row of stars between paragraphs",
          "End of part.\n\n* * *\n\nNew part.",
          { "End of part.", "New part." } },
    };
    for (const Case &c : cases) {
        Reading r;
        r.showText(QString::fromUtf8(c.text), 0);
        QStringList heard;
        for (const MainWindowHarness::Spoken &s : r.readToTheEnd()) {
            heard << s.heard;
            EXPECT_EQ(s.seen, s.heard) << c.what;
        }
        QStringList expected;
        for (const QString &sentence : c.sentences)
            expected << sentence;
        EXPECT_EQ(heard, expected) << c.what;
    }
}

// Titles that do not end a sentence are those of the voice's language.
TEST(frmMainReading, TitlesFollowTheVoicesLanguage)
{
    const QString text = QStringLiteral("Hr. Weber kam. Mme. Roux aussi.");
    struct Case
    {
        const char *language;
        QStringList sentences;
    };
    const Case cases[] = {
        { "de", { "Hr. Weber kam.", "Mme.", "Roux aussi." } },
        { "fr-fr", { "Hr.", "Weber kam.", "Mme. Roux aussi." } },
        { "en-gb", { "Hr.", "Weber kam.", "Mme.", "Roux aussi." } },
    };
    for (const Case &c : cases) {
        MainWindowHarness h;
        h.engines.configure = [&](FakeSpeechEngine &e) {
            e.voices = { { QStringLiteral("Voice"), QString::fromLatin1(c.language) } };
        };
        ASSERT_TRUE(h.start());
        h.showText(text, 0);
        QStringList heard;
        for (const MainWindowHarness::Spoken &s : h.readToTheEnd()) {
            heard << s.heard;
            EXPECT_EQ(s.seen, s.heard) << c.language;
        }
        EXPECT_EQ(heard, c.sentences) << c.language;
    }
}

// Another voice chosen during a reading takes effect from the next Read: the sentences of
// the reading under way stay as they were cut, for the voice and the highlight alike.
TEST(frmMainReading, AVoiceChosenDuringAReadingKeepsItsSentences)
{
    MainWindowHarness h;
    h.engines.configure = [](FakeSpeechEngine &e) {
        e.voices = { { QStringLiteral("English"), QStringLiteral("en") },
                     { QStringLiteral("German"), QStringLiteral("de") } };
    };
    ASSERT_TRUE(h.start());
    h.showText(QStringLiteral("One here. Hr. Weber kam. Das Ende."), 0);
    QStringList heard, seen;
    QObject::connect(h.window->reading().Talker(), &clsTalker::SpeakingSentence,
                     [&](const QString &s) {
                         heard << s;
                         seen << h.selectedText();
                     });
    h.window->cmdRead_Click();
    auto *voices = control<QComboBox>(*h.window, "cmbEngine");
    voices->setCurrentIndex(1);
    emit voices->activated(1);
    for (int i = 0; i < 10 && h.window->reading().Talker()->isSpeaking(); ++i)
        h.engine()->emitDone();
    EXPECT_EQ(heard, QStringList({ "One here.", "Hr.", "Weber kam.", "Das Ende." }));
    EXPECT_EQ(seen, heard);
}

TEST(frmMainReading, LastSentenceWithoutEndMarkIsHighlightedToo)
{
    Reading r;
    r.showText(QStringLiteral("One. Two three \r\n"));
    r.window->cmdRead_Click();
    EXPECT_EQ(r.selectedText(), QStringLiteral("One."));
    r.engine()->emitDone();
    ASSERT_EQ(r.spokenNow().size(), 2) << r.spokenNow().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(r.spokenNow()[1].contains(QStringLiteral("Two three")));
    EXPECT_EQ(r.selectedText(), QStringLiteral("Two three"));
    r.engine()->emitDone();
    EXPECT_FALSE(r.window->reading().Talker()->isSpeaking());
}

TEST(frmMainReading, StopLeavesTheCaretWhereTheSentenceBegan)
{
    Reading r;
    r.showText(kThree);
    r.window->cmdRead_Click();
    r.engine()->emitDone();
    ASSERT_EQ(r.selectedText(), QStringLiteral("Second one follows."));
    control<QPushButton>(*r.window, "cmdStopReading")->click();
    EXPECT_EQ(r.view()->SelLength(), 0);
    EXPECT_EQ(r.view()->SelStart(), int(kThree.indexOf(QStringLiteral("Second"))));
    EXPECT_FALSE(r.window->reading().Talker()->isSpeaking());
    r.engine()->emitDone();
    EXPECT_EQ(r.spokenNow().size(), 2);
}

TEST(frmMainReading, ReadWhilePausedRestartsFromTheCaretUnpaused)
{
    Reading r;
    r.showText(kThree);
    r.window->cmdRead_Click();
    r.engine()->emitDone();
    control<QPushButton>(*r.window, "cmdPause")->click();
    EXPECT_TRUE(r.window->reading().Paused());
    EXPECT_TRUE(r.engine()->paused);

    const int stopsBefore = r.engine()->stops;
    control<QPushButton>(*r.window, "cmdRead")->click();
    EXPECT_FALSE(r.window->reading().Paused());
    EXPECT_FALSE(r.engine()->paused);
    EXPECT_GT(r.engine()->stops, stopsBefore);
    EXPECT_EQ(r.selectedText(), QStringLiteral("Second one follows."));
    EXPECT_EQ(r.spokenNow().size(), 3);

    // Pause again, then continue.
    control<QPushButton>(*r.window, "cmdPause")->click();
    control<QPushButton>(*r.window, "cmdPause")->click();
    EXPECT_FALSE(r.window->reading().Paused());
    EXPECT_FALSE(r.engine()->paused);
}

TEST(frmMainReading, ReadOnAnEmptyDocumentChangesNothing)
{
    Reading r;
    r.showText(QString());
    r.window->cmdRead_Click();
    EXPECT_TRUE(r.spokenNow().isEmpty());
    EXPECT_TRUE(r.view()->Text().isEmpty());
    EXPECT_EQ(r.view()->SelStart(), 0);
    EXPECT_FALSE(r.window->reading().Talker()->isSpeaking());
    EXPECT_FALSE(MousePointer::isBusy());
}

TEST(frmMainReading, FasterWhilePausedChangesSpeedAndResumes)
{
    Reading r;
    r.showText(kThree);
    r.window->cmdRead_Click();
    r.window->cmdPause_Click();
    const int speed = r.engine()->speed;

    control<QPushButton>(*r.window, "cmdFaster")->click();
    EXPECT_EQ(r.engine()->speed, speed + 10);
    EXPECT_FALSE(r.engine()->paused);
    // The audio runs again, so the next Pause pauses it.
    EXPECT_FALSE(r.window->reading().Paused());
    control<QPushButton>(*r.window, "cmdPause")->click();
    EXPECT_TRUE(r.engine()->paused);

    control<QPushButton>(*r.window, "cmdSlower")->click();
    control<QPushButton>(*r.window, "cmdSlower")->click();
    EXPECT_EQ(r.engine()->speed, speed - 10);
}

TEST(frmMainReading, PitchListChangesThePitch)
{
    Reading r;
    control<QComboBox>(*r.window, "cmbPitch")->setCurrentIndex(13);
    emit control<QComboBox>(*r.window, "cmbPitch")->activated(13);
    EXPECT_EQ(r.engine()->pitch, 3);
    control<QComboBox>(*r.window, "cmbPitch")->setCurrentIndex(0);
    emit control<QComboBox>(*r.window, "cmbPitch")->activated(0);
    EXPECT_EQ(r.engine()->pitch, -10);
}

TEST(frmMainReading, ReloadKeepsTheCaretAndDoesNotRead)
{
    Reading r;
    const QString path = r.writeDocument(QStringLiteral("doc.txt"), kThree);
    r.window->LoadDocument(path);
    r.view()->setSelStart(21);
    r.window->cmdReload_Click();
    EXPECT_EQ(r.view()->Text(), kThree);
    EXPECT_EQ(r.view()->SelStart(), 21);
    EXPECT_TRUE(r.spokenNow().isEmpty());
}

TEST(frmMainReading, LoadingShowsEmphasisAsTagsAndReturnsToTheBookmark)
{
    Reading r;
    const QString first = r.writeDocument(
        QStringLiteral("a.txt"), QStringLiteral("A <b>bold</b> and <em>loud</em> <B>x</B>."));
    const QString second = r.writeDocument(QStringLiteral("b.txt"), kThree);
    r.window->LoadDocument(first);
    EXPECT_EQ(r.view()->Text(), QStringLiteral("A <emph>bold</emph> and <emph>loud</emph> x."));
    r.view()->setSelStart(9);
    r.window->LoadDocument(second);
    EXPECT_EQ(r.view()->SelStart(), 0);
    r.window->LoadDocument(first);
    EXPECT_EQ(r.view()->SelStart(), 9);

    // A bookmark beyond a document that has since shrunk puts the caret at the top.
    r.window->documents().bookmarks().StoreBookmark(second, 5000);
    r.window->LoadDocument(second);
    EXPECT_EQ(r.view()->SelStart(), 0);
}

TEST(frmMainReading, ReadClickedWhileAHighlightPumpsTakesOver)
{
    Reading r;
    const QString text = QStringLiteral("One is first. Two is next. Three here. Four at last.");
    r.showText(text);
    r.window->cmdRead_Click();
    // Arrives inside the message pump of the second sentence's highlight.
    QTimer::singleShot(0, [&] {
        r.view()->setSelStart(int(text.indexOf(QStringLiteral("Three"))) + 1);
        r.window->cmdRead_Click();
    });
    r.engine()->emitDone();
    EXPECT_EQ(r.selectedText(), QStringLiteral("Three here."));
    r.engine()->emitDone();
    EXPECT_EQ(r.selectedText(), QStringLiteral("Four at last."));
    // The interrupted sentence was never handed to the engine.
    ASSERT_EQ(r.spokenNow().size(), 3) << r.spokenNow().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(r.spokenNow()[1].contains(QStringLiteral("Three here")));
    EXPECT_TRUE(r.spokenNow()[2].contains(QStringLiteral("Four at last")));
}

TEST(frmMainReading, ReadToWavStopsTheReadingOnlyOnceAFileIsChosen)
{
    Reading r;
    r.showText(kThree);
    r.window->cmdRead_Click();
    ASSERT_TRUE(r.window->reading().Talker()->isSpeaking());
    const int stopsBefore = r.engine()->stops;

    std::optional<QString> answer; // Cancel first
    Seam::Override<cSHAREDcDlg::AnswerSeam> dialogs([&](const cSHAREDcDlg &d) {
        EXPECT_EQ(d.DialogTitle, QStringLiteral("Save to a Wave File"));
        return answer;
    });
    control<QPushButton>(*r.window, "cmdSpeakToWav")->click();
    EXPECT_EQ(r.engine()->stops, stopsBefore) << "Cancel does nothing";
    EXPECT_TRUE(r.window->reading().Talker()->isSpeaking());
    EXPECT_EQ(r.selectedText(), QStringLiteral("First sentence here."));
    EXPECT_TRUE(r.window->reading().Talker()->WavOutput().isEmpty());

    answer = r.folder.file(QStringLiteral("book.wav"));
    control<QPushButton>(*r.window, "cmdSpeakToWav")->click();
    EXPECT_GT(r.engine()->stops, stopsBefore) << "a reading never runs beside the rendering";
    EXPECT_FALSE(r.window->reading().Talker()->isSpeaking());
    EXPECT_EQ(r.window->reading().Talker()->WavOutput(), *answer);
    const WavFile wav = WavFile::read(*answer);
    EXPECT_TRUE(wav.valid);
    EXPECT_GT(wav.peak(), 0);
    EXPECT_TRUE(QFile::exists(r.folder.file(QStringLiteral("book.srt"))));
}
