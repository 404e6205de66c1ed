#include "speech/clsWavRenderer.h"

#include "base/SentenceRule.h"
#include "speech/CleanForSpeech.h"
#include "speech/SpeechEngine.h"
#include "speech/clsDict.h"
#include "support/FakeSpeechEngine.h"
#include "support/MemoryDictionary.h"
#include "support/SrtFile.h"
#include "support/TempProgramFolder.h"
#include "support/WavFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// Renders synchronously (for a test) and returns the outcome.
clsWavRenderer::Outcome render(clsWavRenderer &r, std::unique_ptr<SpeechRenderer> renderer,
                               const QString &text, const QString &wav, const QString &srt,
                               const clsDict *dict = nullptr)
{
    QSignalSpy finished(&r, &clsWavRenderer::Finished);
    r.Start(std::move(renderer), clsWavRenderer::PrepareSentences(text, dict, SentenceRule()), wav,
            srt);
    if (!finished.wait(60000))
        return clsWavRenderer::Outcome::Running;
    return r.outcome();
}

clsWavRenderer::Outcome renderWith(const SpeechEngine &engine, const QString &text,
                                   const QString &wav, const QString &srt = {},
                                   const clsDict *dict = nullptr)
{
    clsWavRenderer r;
    return render(r, engine.CreateRenderer(), text, wav, srt, dict);
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(clsWavRenderer, PreparesWhatAReadingWouldSpeak)
{
    clsDict dict;
    FillDictionary(dict, { { "Dr", "Doctor" } });

    const QList<clsWavRenderer::Sentence> s = clsWavRenderer::PrepareSentences(
        QStringLiteral("  First: one; two.\r\nDr Who came?! - Last words"), &dict, SentenceRule());
    ASSERT_EQ(s.size(), 3);
    EXPECT_EQ(s[0].shown, QStringLiteral("First: one; two."));
    EXPECT_EQ(s[0].spoken, dict.TranslateText(CleanForSpeech(s[0].shown)));
    EXPECT_TRUE(s[0].spoken.contains(QStringLiteral("     one")));
    EXPECT_EQ(s[1].shown, QStringLiteral("Dr Who came?!"));
    EXPECT_TRUE(s[1].spoken.contains(QStringLiteral("Doctor Who")));
    EXPECT_EQ(s[2].shown, QStringLiteral("Last words"));

    EXPECT_TRUE(clsWavRenderer::PrepareSentences(QString(), nullptr, SentenceRule()).isEmpty());
    EXPECT_TRUE(clsWavRenderer::PrepareSentences(QStringLiteral(" \r\n "), nullptr, SentenceRule())
                    .isEmpty());
}

TEST(clsWavRenderer, TimingFileSitsBesideTheWaveFile)
{
    const struct
    {
        const char *wav;
        const char *srt;
    } cases[] = {
        { "/d/book.wav", "/d/book.srt" },   { "/d/my.book.WAV", "/d/my.book.srt" },
        { "/d/noext", "/d/noext.srt" },     { "/d.x/noext", "/d.x/noext.srt" },
        { "/d/.hidden", "/d/.hidden.srt" }, { "/d/odd.srt", "/d/odd.srt.srt" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(clsWavRenderer::TimingFileFor(QString::fromUtf8(c.wav)), QString::fromUtf8(c.srt))
            << c.wav;
}

TEST(clsWavRenderer, WritesAValidWaveAndTimingsThatCoverIt)
{
    QTemporaryDir dir;
    FakeSpeechEngine engine;
    const QString wav = dir.filePath("a.wav");
    const QString srt = dir.filePath("a.srt");
    const QString text = QStringLiteral("One.  Two words here!\nAnd a\r\nthird?");
    ASSERT_EQ(renderWith(engine, text, wav, srt), clsWavRenderer::Outcome::Done);

    const WavFile file = WavFile::read(wav);
    ASSERT_TRUE(file.valid) << qPrintable(file.problem);
    EXPECT_EQ(file.sampleRate, engine.renderSampleRate);
    EXPECT_GT(file.peak(), 1000);

    const QList<SrtEntry> entries = readSrt(srt);
    ASSERT_EQ(entries.size(), 3);
    const QStringList shown { "One.", "Two words here!", "And a third?" };
    qint64 previousEnd = 0;
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].number, i + 1);
        EXPECT_EQ(entries[i].text, shown[i]);
        EXPECT_EQ(entries[i].startMs, previousEnd) << "entries follow each other without gaps";
        EXPECT_GT(entries[i].endMs, entries[i].startMs);
        previousEnd = entries[i].endMs;
    }
    EXPECT_NEAR(double(entries.last().endMs), file.seconds() * 1000, 1.0);
}

TEST(clsWavRenderer, EmptyTextGivesAnEmptyValidFile)
{
    QTemporaryDir dir;
    FakeSpeechEngine engine;
    ASSERT_EQ(renderWith(engine, QString(), dir.filePath("e.wav"), dir.filePath("e.srt")),
              clsWavRenderer::Outcome::Done);
    const WavFile file = WavFile::read(dir.filePath("e.wav"));
    ASSERT_TRUE(file.valid) << qPrintable(file.problem);
    EXPECT_TRUE(file.samples.empty());
    EXPECT_TRUE(QFile::exists(dir.filePath("e.srt")));
}

TEST(clsWavRenderer, CancelOrFailureLeavesNoFileAndKeepsAnOldOne)
{
    for (const bool fail : { false, true }) {
        for (const bool existing : { false, true }) {
            QTemporaryDir dir;
            const QString wav = dir.filePath("b.wav");
            const QString srt = dir.filePath("b.srt");
            if (existing) {
                writeBytes(wav, "old wave");
                writeBytes(srt, "old timings");
            }
            FakeSpeechEngine engine;
            clsWavRenderer r;
            std::atomic<bool> cancelled { false };
            if (fail) {
                engine.failOperation(QStringLiteral("render"), 61, QStringLiteral("Disk full"));
            } else {
                // Cancel once the second sentence begins, and hold the renderer until the
                // cancel has been asked for, as a user's click would arrive.
                engine.onRenderText = [&](qsizetype index) {
                    if (index == 1) {
                        r.Cancel();
                        cancelled = true;
                    }
                };
            }
            const auto outcome =
                render(r, engine.CreateRenderer(),
                       QStringLiteral("First sentence. Second sentence. Third."), wav, srt);
            EXPECT_EQ(outcome,
                      fail ? clsWavRenderer::Outcome::Failed : clsWavRenderer::Outcome::Cancelled);
            if (fail) {
                EXPECT_TRUE(r.errorText().contains(QStringLiteral("Disk full")));
            }
            EXPECT_EQ(bytesOf(wav), existing ? QByteArray("old wave") : QByteArray());
            EXPECT_EQ(QFile::exists(wav), existing);
            EXPECT_EQ(bytesOf(srt), existing ? QByteArray("old timings") : QByteArray());
            // Nothing of the attempt is left beside the file.
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), existing ? 2 : 0);
        }
    }
}

TEST(clsWavRenderer, UnwritableTargetFailsWithAReason)
{
    QTemporaryDir dir;
    FakeSpeechEngine engine;
    QDir(dir.path()).mkdir("folder");
    clsWavRenderer r;
    EXPECT_EQ(
        render(r, engine.CreateRenderer(), QStringLiteral("Hello."), dir.filePath("folder"), {}),
        clsWavRenderer::Outcome::Failed);
    EXPECT_FALSE(r.errorText().isEmpty());
    EXPECT_EQ(render(*std::make_unique<clsWavRenderer>(), engine.CreateRenderer(),
                     QStringLiteral("Hello."), dir.filePath("missing/x.wav"), {}),
              clsWavRenderer::Outcome::Failed);
}

TEST(clsWavRenderer, ProgressCountsSentences)
{
    QTemporaryDir dir;
    FakeSpeechEngine engine;
    clsWavRenderer r;
    QList<int> seen;
    QObject::connect(&r, &clsWavRenderer::Progress, [&](int done, int total) {
        EXPECT_EQ(total, 4);
        seen.append(done);
    });
    ASSERT_EQ(render(r, engine.CreateRenderer(), QStringLiteral("A b. C d. E f. G h."),
                     dir.filePath("p.wav"), {}),
              clsWavRenderer::Outcome::Done);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), 4);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

// The real engine: what a user gets in the file.
class RealEngineRendering : public ::testing::Test
{
protected:
    void SetUp() override
    {
        try {
            engine = SpeechEngineFactory::create();
            engine->setInitialized(1);
        } catch (const std::exception &) {
            GTEST_SKIP() << "espeak-ng is not available";
        }
    }

    WavFile renderText(const QString &text, const clsDict *dict = nullptr)
    {
        const QString wav = dir.filePath(QStringLiteral("r%1.wav").arg(++count));
        EXPECT_EQ(renderWith(*engine, text, wav, wav + ".srt", dict),
                  clsWavRenderer::Outcome::Done);
        return WavFile::read(wav);
    }

    QTemporaryDir dir;
    std::unique_ptr<SpeechEngine> engine;
    int count = 0;
};

TEST_F(RealEngineRendering, FileIsValidSpeechThatGrowsWithTheText)
{
    const WavFile shortOne = renderText(QStringLiteral("Hello world."));
    const WavFile longer = renderText(QStringLiteral("Hello world. This is a longer text, "
                                                     "with a second sentence in it."));
    ASSERT_TRUE(shortOne.valid) << qPrintable(shortOne.problem);
    ASSERT_TRUE(longer.valid) << qPrintable(longer.problem);
    EXPECT_GT(shortOne.sampleRate, 8000);
    EXPECT_GT(shortOne.seconds(), 0.3);
    EXPECT_GT(longer.seconds(), shortOne.seconds() * 2);
    EXPECT_GT(shortOne.peak(), 2000) << "the audio is not silent";

    const QList<SrtEntry> entries = readSrt(dir.filePath("r2.wav.srt"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].text, QStringLiteral("Hello world."));
    EXPECT_EQ(entries[1].startMs, entries[0].endMs);
    EXPECT_NEAR(double(entries[1].endMs), longer.seconds() * 1000, 1.0);
}

TEST_F(RealEngineRendering, SpeedChangesTheDuration)
{
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog twice.");
    engine->setSpeed(120);
    const WavFile slow = renderText(text);
    engine->setSpeed(300);
    const WavFile fast = renderText(text);
    ASSERT_TRUE(slow.valid && fast.valid);
    EXPECT_GT(slow.seconds(), fast.seconds() * 1.6);
}

TEST_F(RealEngineRendering, PronunciationListChangesTheAudio)
{
    TempProgramFolder folder;
    folder.writeBytes("ol1dict.txt", "Orlin,supercalifragilistic\r\n");
    clsDict dict;
    dict.LoadWords();
    const QString text = QStringLiteral("Orlin reads.");
    const WavFile plain = renderText(text);
    const WavFile listed = renderText(text, &dict);
    ASSERT_TRUE(plain.valid && listed.valid);
    EXPECT_GT(listed.seconds(), plain.seconds() + 0.3);
}

TEST_F(RealEngineRendering, CancelMidwayKeepsTheOldFile)
{
    const QString wav = dir.filePath("keep.wav");
    writeBytes(wav, "old wave");
    clsWavRenderer r;
    QObject::connect(&r, &clsWavRenderer::Progress, &r, [&](int done, int) {
        if (done >= 1)
            r.Cancel();
    });
    // Long enough that the first progress report arrives well before the end.
    EXPECT_EQ(render(r, engine->CreateRenderer(),
                     QStringLiteral("One more sentence to say. ").repeated(1500), wav,
                     dir.filePath("keep.srt")),
              clsWavRenderer::Outcome::Cancelled);
    EXPECT_EQ(bytesOf(wav), QByteArray("old wave"));
    EXPECT_FALSE(QFile::exists(dir.filePath("keep.srt")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

} // namespace
