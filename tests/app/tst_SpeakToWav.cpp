#include "app/SpeakToWav.h"

#include "app/ReadingController.h"

#include "base/Seam.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "support/FakeSpeechEngine.h"
#include "support/SrtFile.h"
#include "support/TempProgramFolder.h"
#include "support/WavFile.h"
#include "ui/MessageBoxes.h"
#include "ui/RichTextBox.h"
#include "ui/cSHAREDcDlg.h"
#include "ui/frmRenderProgress.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <sndfile.h>

namespace {

class SpeakToWavTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        talker.InitEngine();
        engine = fakes.last();
        ASSERT_NE(engine, nullptr);
        dialogs = std::make_unique<Seam::Override<cSHAREDcDlg::AnswerSeam>>(
            [this](const cSHAREDcDlg &dialog) {
                ++asked;
                title = dialog.DialogTitle;
                filter = dialog.Filter;
                filterIndex = dialog.FilterIndex;
                flags = dialog.Flags;
                cancelError = dialog.CancelError;
                return answer;
            });
        messages =
            std::make_unique<MessageBoxes::ScopedHandler>([this](const MessageBoxes::Message &m) {
                // The overwrite prompt is answered Yes; anything else is a message shown.
                if (m.buttons & MessageBoxes::Yes) {
                    ++overwritePrompts;
                    return int(MessageBoxes::Yes);
                }
                shownMessages.append(m.text);
                return int(MessageBoxes::Ok);
            });
        view.setText(QStringLiteral("Alpha beta. Gamma delta! Epsilon zeta? Eta theta iota."));
    }

    // The button as the window presses it: what Read would read from the view's caret.
    bool speak()
    {
        return SpeakToWav(nullptr, &talker,
                          ReadingController::TextFromCaret(view.Text(), view.SelStart()).text,
                          &dict);
    }

    QString wav() const { return folder.file("out.wav"); }
    QString srt() const { return folder.file("out.srt"); }

    TempProgramFolder folder;
    FakeSpeechEngine::Scope fakes;
    clsTalker talker;
    FakeSpeechEngine *engine = nullptr;
    RichTextBox view;
    clsDict dict;
    std::unique_ptr<Seam::Override<cSHAREDcDlg::AnswerSeam>> dialogs;
    std::unique_ptr<MessageBoxes::ScopedHandler> messages;
    QStringList shownMessages;
    int overwritePrompts = 0;

    std::optional<QString> answer;
    int asked = 0;
    QString title, filter;
    int filterIndex = 0, flags = 0;
    bool cancelError = false;
};

TEST_F(SpeakToWavTest, AsksWithTheWaveDialogAndCancelChangesNothing)
{
    talker.SetWavOutput(QStringLiteral("before"));
    answer.reset();
    EXPECT_FALSE(speak());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(title, QStringLiteral("Save to a Wave File"));
    // The wave filter stays where it was and preselected; the audiobook formats follow.
    EXPECT_EQ(filter,
              QStringLiteral("All Files (*.*)|*.*|Wave Files (*.wav)|*.wav|FLAC Files "
                             "(*.flac)|*.flac|Ogg Vorbis Files (*.ogg)|*.ogg|Opus Files "
                             "(*.opus)|*.opus|MP3 Files (*.mp3)|*.mp3"));
    EXPECT_EQ(filterIndex, 2);
    EXPECT_FALSE(cancelError) << "Cancel is an answer, not a failure";
    EXPECT_EQ(flags,
              cSHAREDcDlg::OverwritePrompt | cSHAREDcDlg::PathMustExist
                  | cSHAREDcDlg::NoReadOnlyReturn);

    EXPECT_EQ(talker.WavOutput(), QStringLiteral("before"));
    EXPECT_FALSE(engine->calls.contains(QStringLiteral("CreateRenderer")));
    EXPECT_TRUE(shownMessages.isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
}

TEST_F(SpeakToWavTest, RendersFromTheCaretLikeRead)
{
    const struct
    {
        int caret;
        QStringList sentences;
    } cases[] = {
        { 0, { "Alpha beta.", "Gamma delta!", "Epsilon zeta?", "Eta theta iota." } },
        // From the character before the caret, as Read takes it.
        { 14, { "amma delta!", "Epsilon zeta?", "Eta theta iota." } },
        // Within the last five characters: the whole text again.
        { 52, { "Alpha beta.", "Gamma delta!", "Epsilon zeta?", "Eta theta iota." } },
    };
    for (const auto &c : cases) {
        view.setSelStart(c.caret);
        answer = wav();
        ASSERT_TRUE(speak()) << c.caret;
        EXPECT_EQ(talker.WavOutput(), wav());
        EXPECT_EQ(view.SelStart(), c.caret) << "the caret stays where the user left it";
        const WavFile file = WavFile::read(wav());
        ASSERT_TRUE(file.valid) << qPrintable(file.problem);
        const QList<SrtEntry> entries = readSrt(srt());
        QStringList texts;
        for (const SrtEntry &e : entries)
            texts.append(e.text);
        EXPECT_EQ(texts, c.sentences) << c.caret;
        ASSERT_FALSE(entries.isEmpty());
        EXPECT_NEAR(double(entries.last().endMs), file.seconds() * 1000, 1.0);
    }
    EXPECT_TRUE(shownMessages.isEmpty());
}

// The rendering cuts sentences as a Read in the chosen voice does: "Hr." before a name ends
// no sentence for a German voice, and ends one for an English voice.
TEST_F(SpeakToWavTest, TheVoicesLanguageCutsSentencesAsReadDoes)
{
    const struct
    {
        int voice;
        QStringList sentences;
    } cases[] = {
        { 0, { "Hr.", "Meier traf Dr. Weber.", "Er ging." } },
        { 1, { "Hr. Meier traf Dr. Weber.", "Er ging." } },
    };
    view.setText(QStringLiteral("Hr. Meier traf Dr. Weber. Er ging."));
    for (const auto &c : cases) {
        talker.SelectVoice(c.voice);
        view.setSelStart(0);
        answer = wav();
        ASSERT_TRUE(speak()) << c.voice;
        QStringList texts;
        for (const SrtEntry &e : readSrt(srt()))
            texts.append(e.text);
        EXPECT_EQ(texts, c.sentences) << c.voice;

        talker.StoreTextFile(view.Text());
        QStringList read;
        for (int i = 1; i <= talker.store().Sentences(); ++i)
            read.append(talker.store().Sentence(i));
        EXPECT_EQ(texts, read) << c.voice;
    }
}

// The extension names the format; a name typed without one becomes a wave file, and
// the timing file sits beside whatever was written.
TEST_F(SpeakToWavTest, TheFileNameChoosesTheFormat)
{
    const struct
    {
        const char *typed;
        const char *written;
        int container;
    } cases[] = {
        { "book", "book.wav", SF_FORMAT_WAVEX },
        { "book.mp3", "book.mp3", SF_FORMAT_MPEG },
        { "book.opus", "book.opus", SF_FORMAT_OGG },
        { "book.flac", "book.flac", SF_FORMAT_FLAC },
    };
    for (const auto &c : cases) {
        answer = folder.file(QString::fromUtf8(c.typed));
        ASSERT_TRUE(speak()) << c.typed;
        const QString written = folder.file(QString::fromUtf8(c.written));
        EXPECT_EQ(talker.WavOutput(), written);
        const WavFile file = WavFile::read(written);
        ASSERT_TRUE(file.valid) << c.typed << ": " << qPrintable(file.problem);
        EXPECT_EQ(file.container, c.container) << c.typed;
        EXPECT_EQ(readSrt(folder.file("book.srt")).size(), 4) << c.typed;
        QFile::remove(folder.file("book.srt"));
    }
    EXPECT_FALSE(QFile::exists(folder.file("book"))) << "nothing under the name as typed";
}

TEST_F(SpeakToWavTest, ReloadsThePronunciationListFromItsFile)
{
    view.setText(QStringLiteral("Orlin reads."));
    answer = wav();
    ASSERT_TRUE(speak());
    const double plain = WavFile::read(wav()).seconds();

    folder.writeBytes("ol1dict.txt", "Orlin,Orlin the reader of many books\r\n");
    ASSERT_TRUE(speak());
    EXPECT_GT(WavFile::read(wav()).seconds(), plain + 0.5);
    EXPECT_EQ(dict.WordCount(), 1);
}

TEST_F(SpeakToWavTest, CancelInTheProgressWindowKeepsTheOldFile)
{
    folder.writeBytes("out.wav", "old wave");
    answer = wav();
    std::atomic<bool> clicked { false };
    engine->onRenderText = [&](qsizetype index) {
        if (index != 1)
            return;
        // The click arrives on the UI thread while this sentence is being rendered.
        QTimer::singleShot(0, qApp, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *progress = qobject_cast<frmRenderProgress *>(w)) {
                    EXPECT_TRUE(progress->isModal());
                    progress->cmdCancel->click();
                    clicked = true;
                }
            }
        });
        for (int i = 0; i < 5000 && !clicked; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    EXPECT_FALSE(speak());
    EXPECT_EQ(overwritePrompts, 1);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(folder.readBytes("out.wav"), QByteArray("old wave"));
    EXPECT_FALSE(QFile::exists(srt()));
    EXPECT_TRUE(shownMessages.isEmpty());
}

TEST_F(SpeakToWavTest, AFailedRenderingIsReportedAndKeepsTheOldFile)
{
    folder.writeBytes("out.wav", "old wave");
    answer = wav();
    engine->failOperation(QStringLiteral("render"), 61, QStringLiteral("Disk full"));
    EXPECT_FALSE(speak());
    EXPECT_EQ(folder.readBytes("out.wav"), QByteArray("old wave"));
    ASSERT_EQ(shownMessages.size(), 1);
    EXPECT_TRUE(shownMessages[0].contains(QStringLiteral("Disk full")));
}

// The timing file beside the wave file is replaced too, so one question names every file
// that exists; No asks for another name and leaves both files as they were.
TEST_F(SpeakToWavTest, OneQuestionBeforeReplacingTheWaveOrTimingFile)
{
    struct Case
    {
        bool wavExists, srtExists;
        QStringList named;
    };
    const Case cases[] = {
        { false, false, {} },
        { true, false, { "out.wav" } },
        { false, true, { "out.srt" } },
        { true, true, { "out.wav", "out.srt" } },
    };
    for (const Case &c : cases) {
        for (const bool replace : { false, true }) {
            for (const QString &f : { wav(), srt() }) {
                QFile::remove(f);
                if ((f == wav() && c.wavExists) || (f == srt() && c.srtExists))
                    folder.writeBytes(QFileInfo(f).fileName(), "old");
            }
            QList<MessageBoxes::Message> questions;
            MessageBoxes::ScopedHandler answers([&](const MessageBoxes::Message &m) {
                questions.append(m);
                return int(replace ? MessageBoxes::Yes : MessageBoxes::No);
            });
            asked = 0;
            answer = wav();
            // After No the dialog comes back; the second time the user cancels.
            Seam::Override<cSHAREDcDlg::AnswerSeam> cancelSecond(
                [&](const cSHAREDcDlg &) { return ++asked == 1 ? answer : std::nullopt; });
            const bool written = speak();
            const std::string what = c.named.join(',').toStdString() + (replace ? " yes" : " no");
            ASSERT_EQ(questions.size(), c.named.isEmpty() ? 0 : 1) << what;
            if (!c.named.isEmpty()) {
                for (const QString &name : c.named)
                    EXPECT_TRUE(questions[0].text.contains(folder.file(name))) << what;
                EXPECT_EQ(questions[0].text.contains(srt()), c.srtExists) << what;
            }
            const bool expectWritten = c.named.isEmpty() || replace;
            EXPECT_EQ(written, expectWritten) << what;
            EXPECT_EQ(asked, expectWritten ? 1 : 2) << what;
            if (!expectWritten) {
                for (const QString &f : { wav(), srt() }) {
                    if (QFile::exists(f)) {
                        EXPECT_EQ(folder.readBytes(QFileInfo(f).fileName()), "old") << what;
                    }
                }
            } else {
                EXPECT_TRUE(WavFile::read(wav()).valid) << what;
                EXPECT_NE(folder.readBytes("out.srt"), "old") << what;
            }
        }
    }
}

// The question names the files the rendering would replace: the name as the format
// extension completes it, and the timing file beside that one.
TEST_F(SpeakToWavTest, TheQuestionNamesTheFileAsWrittenAndItsTimingFile)
{
    const struct
    {
        const char *typed;
        QStringList named, notNamed;
    } cases[] = {
        { "book", { "book.wav", "book.srt" }, { "book.mp3" } },
        { "book.mp3", { "book.mp3", "book.srt" }, { "book.wav" } },
    };
    for (const auto &c : cases) {
        for (const char *f : { "book.wav", "book.mp3", "book.srt" })
            folder.writeBytes(QString::fromLatin1(f), "old");
        QStringList questions;
        MessageBoxes::ScopedHandler answers([&](const MessageBoxes::Message &m) {
            questions.append(m.text);
            return int(MessageBoxes::No);
        });
        asked = 0;
        Seam::Override<cSHAREDcDlg::AnswerSeam> cancelSecond([&](const cSHAREDcDlg &) {
            return ++asked == 1 ? std::optional(folder.file(QString::fromUtf8(c.typed)))
                                : std::nullopt;
        });
        EXPECT_FALSE(speak()) << c.typed;
        ASSERT_EQ(questions.size(), 1) << c.typed;
        for (const QString &name : c.named)
            EXPECT_TRUE(questions[0].contains(folder.file(name)))
                << c.typed << " " << qPrintable(name);
        for (const QString &name : c.notNamed)
            EXPECT_FALSE(questions[0].contains(folder.file(name)))
                << c.typed << " " << qPrintable(name);
        for (const char *f : { "book.wav", "book.mp3", "book.srt" })
            EXPECT_EQ(folder.readBytes(QString::fromLatin1(f)), "old") << c.typed << " " << f;
    }
}

} // namespace
