// Reading aloud from the caret with the spoken sentence selected, on the fake engine.
#include "base/Seam.h"
#include "documents/Document.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsTalker.h"
#include "support/MainWindowHarness.h"
#include "support/WavFile.h"
#include "ui/MousePointer.h"
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

// The road end to end in the real view: whatever the caret, the line ends and the kind of
// document, the sentence selected is the one the voice speaks (the reading's rules are the
// reading controller's own tests).
TEST(frmMainReading, TheSentenceSelectedInTheViewIsTheOneSpoken)
{
    const struct
    {
        const char *name; // a file to open, or none: typed into the view
        QByteArray content; // "|" marks the caret
        QStringList sentences;
    } cases[] = {
        { nullptr,
          "One ends here.| Two follows. Three is last.",
          { "Two follows.", "Three is last." } },
        { nullptr, "He said \"Stop.\"| Then he left. The end.", { "Then he left.", "The end." } },
        { nullptr,
          "Line one.\r\n|Line two.\rLine three.\r\n\r\nFour",
          { "Line two.", "Line three.", "Four" } },
        { "book.txt",
          "|CHAPTER I\r\n\r\nIt was \xe2\x80\x94 late.\xc2\xa0He slept.",
          { "CHAPTER I", "It was \u2014 late.", "He slept." } },
        { "book.rtf",
          "|{\\rtf1 First {\\b bold} line.\\line Second\\~one.\\par Third \\u8364?5.}",
          { "First bold line.", "Second one.", "Third \u20ac5." } },
    };
    for (const auto &c : cases) {
        Reading r;
        if (c.name) {
            r.folder.writeBytes(QString::fromLatin1(c.name), QByteArray(c.content).remove(0, 1));
            r.window->LoadDocument(r.folder.file(QString::fromLatin1(c.name)));
            r.view()->setSelStart(0);
        } else {
            QString text = Document::ShownText(QString::fromUtf8(c.content));
            const int caret = int(text.indexOf(QLatin1Char('|')));
            r.showText(text.remove(caret, 1), caret);
        }
        QStringList heard;
        for (const MainWindowHarness::Spoken &s : r.readToTheEnd()) {
            heard << s.heard;
            EXPECT_EQ(s.seen, s.heard) << c.content.constData();
        }
        EXPECT_EQ(heard, c.sentences) << c.content.constData();
        EXPECT_FALSE(MousePointer::isBusy()) << c.content.constData();
    }
}

// The reading buttons as the user presses them: Stop leaves the caret where the sentence
// began, Pause then Read restarts from there unpaused, Faster resumes a paused reading.
TEST(frmMainReading, TheReadingButtonsDriveTheReading)
{
    Reading r;
    r.showText(kThree);
    control<QPushButton>(*r.window, "cmdRead")->click();
    r.engine()->emitDone();
    ASSERT_EQ(r.selectedText(), QStringLiteral("Second one follows."));
    control<QPushButton>(*r.window, "cmdPause")->click();
    EXPECT_TRUE(r.window->reading().Paused());
    EXPECT_TRUE(r.engine()->paused);
    control<QPushButton>(*r.window, "cmdRead")->click();
    EXPECT_FALSE(r.window->reading().Paused());
    EXPECT_EQ(r.selectedText(), QStringLiteral("Second one follows."));
    control<QPushButton>(*r.window, "cmdPause")->click();
    const int speed = r.engine()->speed;
    control<QPushButton>(*r.window, "cmdFaster")->click();
    EXPECT_EQ(r.engine()->speed, speed + 10);
    EXPECT_FALSE(r.engine()->paused);
    control<QPushButton>(*r.window, "cmdSlower")->click();
    EXPECT_EQ(r.engine()->speed, speed);

    control<QPushButton>(*r.window, "cmdStopReading")->click();
    EXPECT_EQ(r.view()->SelLength(), 0);
    EXPECT_EQ(r.view()->SelStart(), int(kThree.indexOf(QStringLiteral("Second"))));
    EXPECT_FALSE(r.window->reading().Talker()->isSpeaking());
    const qsizetype spoken = r.spokenNow().size();
    r.engine()->emitDone();
    EXPECT_EQ(r.spokenNow().size(), spoken);
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
