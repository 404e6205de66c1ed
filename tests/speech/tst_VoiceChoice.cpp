// One voice list over several engines, and the voice a user meant: by engine and name in
// the settings (earlier versions' keys included) and on the command line.
#include "speech/VoiceChoice.h"

#include "base/Failure.h"
#include "base/cSHAREDSettings.h"
#include "speech/CombinedEngine.h"
#include "support/FakeSpeechEngine.h"
#include "support/QStringPrinter.h"
#include "support/TempProgramFolder.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Voice = FakeSpeechEngine::Voice;

// espeak-ng with two voices, Flite with two, a system engine with one that only plays.
struct Engines
{
    FakeSpeechEngine *espeak = new FakeSpeechEngine;
    FakeSpeechEngine *flite = new FakeSpeechEngine;
    FakeSpeechEngine *system = new FakeSpeechEngine;
    std::unique_ptr<CombinedEngine> combined;

    Engines()
    {
        espeak->engineName = QStringLiteral("espeak-ng");
        espeak->voices = { { "English (Great Britain)", "en-gb" }, { "German", "de" } };
        flite->engineName = QStringLiteral("flite");
        flite->voices = { { "kal", "en-us" }, { "slt", "en-us" } };
        system->engineName = QStringLiteral("speech-dispatcher");
        system->voices = { { "rhvoice/Anna", "ru" } };
        system->renders = false;
        std::vector<std::unique_ptr<SpeechEngine>> list;
        list.emplace_back(espeak);
        list.emplace_back(flite);
        list.emplace_back(system);
        combined = std::make_unique<CombinedEngine>(
            std::move(list), QStringList { "The Pico voices are not available" });
    }
};

TEST(CombinedEngine, VoicesFollowEachOtherAndCallsGoToTheSelectedVoicesEngine)
{
    Engines e;
    const QList<VoiceChoice::Listed> voices = VoiceChoice::List(*e.combined);
    QStringList ids;
    for (const VoiceChoice::Listed &v : voices)
        ids << QString::number(v.voice) + QLatin1Char(' ') + VoiceChoice::IdText(v.identity)
                + (v.canRender ? "" : " (plays only)");
    EXPECT_EQ(
        ids,
        QStringList({ "1 espeak-ng:English (Great Britain)", "2 espeak-ng:German", "3 flite:kal",
                      "4 flite:slt", "5 speech-dispatcher:rhvoice/Anna (plays only)" }));

    QSignalSpy notes(e.combined.get(), &SpeechEngine::EngineEvent);
    e.combined->setInitialized(1);
    EXPECT_EQ(notes.count(), 1);

    e.combined->Select(4);
    EXPECT_EQ(e.flite->selected, 2);
    EXPECT_EQ(e.combined->CurrentMode(), 4);
    e.combined->Speak(QStringLiteral("Hello."));
    EXPECT_EQ(e.flite->spoken, QStringList({ "Hello." }));
    EXPECT_TRUE(e.espeak->spoken.isEmpty());
    EXPECT_NE(e.combined->CreateRenderer(), nullptr);
    EXPECT_EQ(e.flite->calls.count(QStringLiteral("CreateRenderer")), 1);

    // A voice that is not there keeps the one before.
    EXPECT_THROW(e.combined->Select(6), Failure);
    EXPECT_THROW(e.combined->Select(0), Failure);
    EXPECT_EQ(e.combined->CurrentMode(), 4);

    // Speed and pitch reach every engine, so a change of voice keeps them; a value off
    // the common scale is refused whole.
    e.combined->setSpeed(300);
    e.combined->setPitch(-4);
    for (FakeSpeechEngine *f : { e.espeak, e.flite, e.system }) {
        EXPECT_EQ(f->speed, 300);
        EXPECT_EQ(f->pitch, -4);
    }
    EXPECT_THROW(e.combined->setSpeed(451), Failure);
    EXPECT_EQ(e.combined->Speed(), 300);
}

// A sentence begun in one engine's voice ends through that engine even when another
// voice has been chosen meanwhile; a pause reaches the engine that speaks and the
// selected one, and Continue resumes both.
TEST(CombinedEngine, EventsOfEveryEngineArePassedOnAndPauseReachesTheSpeakingOne)
{
    Engines e;
    QSignalSpy done(e.combined.get(), &SpeechEngine::SpeakingDone);
    QSignalSpy words(e.combined.get(), &SpeechEngine::SpeakingWord);
    e.combined->Select(1);
    e.combined->Speak(QStringLiteral("One two."));
    e.combined->Select(3);
    e.espeak->emitWord(4, 3);
    e.espeak->emitDone();
    EXPECT_EQ(done.count(), 1);
    ASSERT_EQ(words.count(), 1);
    EXPECT_EQ(words.at(0).at(0).toInt(), 4);
    EXPECT_EQ(e.combined->Speaking(), 0);

    e.combined->Select(1);
    e.combined->Speak(QStringLiteral("Three."));
    e.combined->Select(5);
    e.combined->AudioPause();
    EXPECT_TRUE(e.espeak->paused);
    EXPECT_TRUE(e.system->paused);
    EXPECT_FALSE(e.flite->paused) << "an idle engine was paused";
    e.combined->AudioResume();
    EXPECT_FALSE(e.espeak->paused);
    EXPECT_FALSE(e.system->paused);

    e.combined->StopSpeaking();
    for (FakeSpeechEngine *f : { e.espeak, e.flite, e.system })
        EXPECT_EQ(f->stops, 1);
}

// The system voices come after start-up: they join after the others, whose numbers stay,
// with the common speed and pitch, when listed or when waited for; a daemon that fails
// adds nothing and says why.
TEST(CombinedEngine, VoicesListedLaterJoinAfterTheOthers)
{
    enum Way { Listed, WaitedFor, Failed };
    for (const Way way : { Listed, WaitedFor, Failed }) {
        const bool fails = way == Failed;
        auto *espeak = new FakeSpeechEngine;
        espeak->engineName = QStringLiteral("espeak-ng");
        espeak->voices = { { "English (Great Britain)", "en-gb" }, { "German", "de" } };
        std::vector<std::unique_ptr<SpeechEngine>> list;
        list.emplace_back(espeak);
        CombinedEngine combined(std::move(list));
        combined.setInitialized(1);
        combined.setSpeed(250);
        combined.setPitch(3);
        combined.Select(2);
        bool ready = false;
        FakeSpeechEngine *system = nullptr;
        combined.addLater([&] { return ready; },
                          [&](QStringList &notes) {
                              if (fails) {
                                  notes << QStringLiteral(
                                      "The system voices are not available: no daemon");
                                  return std::unique_ptr<SpeechEngine>();
                              }
                              auto made = std::make_unique<FakeSpeechEngine>();
                              made->engineName = QStringLiteral("speech-dispatcher");
                              made->voices = { { "rhvoice/Anna", "ru" } };
                              system = made.get();
                              return std::unique_ptr<SpeechEngine>(std::move(made));
                          });
        QSignalSpy added(&combined, &SpeechEngine::VoicesAdded);
        QSignalSpy notes(&combined, &SpeechEngine::EngineEvent);
        EXPECT_TRUE(combined.VoicesPending());
        QTest::qWait(150);
        EXPECT_EQ(added.count(), 0) << "made before the listing was ready";
        EXPECT_EQ(combined.CountEngines(), 2);

        if (way == WaitedFor) {
            combined.WaitForVoices();
            EXPECT_EQ(added.count(), 1);
        } else {
            ready = true;
            EXPECT_EQ(added.wait(2000), !fails) << way;
        }
        EXPECT_FALSE(combined.VoicesPending());
        EXPECT_EQ(combined.CountEngines(), fails ? 2 : 3);
        EXPECT_EQ(combined.CurrentMode(), 2);
        EXPECT_EQ(combined.ModeName(1), QStringLiteral("English (Great Britain)"));
        EXPECT_EQ(notes.count(), fails ? 1 : 0);
        if (!fails) {
            EXPECT_EQ(combined.ModeName(3), QStringLiteral("rhvoice/Anna"));
            EXPECT_EQ(system->speed, 250);
            EXPECT_EQ(system->pitch, 3);
            EXPECT_EQ(system->initialized, 1);
        }
        combined.WaitForVoices(); // nothing left to wait for
        EXPECT_EQ(added.count(), fails ? 0 : 1);
    }
}

struct RestoreCase
{
    const char *settings;
    int voice; // expected
    const char *unavailable;
    bool listedWithoutSystem; // found before the system voices are listed
};

// The settings of this version and of earlier ones: by engine and name first, then by
// what the list showed, then by number; a remembered voice missing now falls back to the
// first voice and stays remembered.
TEST(VoiceChoice, RestoresTheRememberedVoiceWhateverTheSettingsVersion)
{
    const RestoreCase cases[] = {
        { "LASTVOICEID,flite:slt\r\nLASTVOICE,German - de\r\nLASTENGINE,1\r\n", 4, "", true },
        { "LASTVOICEID,Flite:slt\r\n", 4, "", true },
        { "LASTVOICEID,speech-dispatcher:rhvoice/Anna\r\n", 5, "", false },
        { "LASTVOICEID,speech-dispatcher:pico/Eva\r\nLASTENGINE,3\r\n", 1,
          "speech-dispatcher:pico/Eva", false },
        // Earlier versions: the shown text, then the number.
        { "LASTVOICE,German - de\r\nLASTENGINE,0\r\n", 2, "", true },
        { "LASTVOICE,Klingon - tlh\r\nLASTENGINE,2\r\n", 3, "", false },
        { "LASTENGINE,3\r\n", 4, "", true },
        { "LASTENGINE,99\r\n", 5, "", false },
        { "LASTENGINE,-3\r\n", 1, "", true },
        { "", 1, "", true },
        // A key edited into nonsense does not stop the ones after it.
        { "LASTVOICEID,nonsense\r\nLASTVOICE,slt - en-us\r\n", 4, "", true },
    };
    Engines e;
    const QList<VoiceChoice::Listed> voices = VoiceChoice::List(*e.combined);
    // The espeak-ng and Flite voices alone, as a start-up sees them before the daemon answers.
    const QList<VoiceChoice::Listed> own = voices.mid(0, 4);
    for (const RestoreCase &c : cases) {
        TempProgramFolder folder;
        folder.writeBytes(QStringLiteral("Orlin.ini"), c.settings);
        Settings().LoadSettings(folder.file(QStringLiteral("Orlin.ini")));
        const VoiceChoice::Saved saved = VoiceChoice::Restore(voices);
        EXPECT_EQ(saved.voice, c.voice) << c.settings;
        EXPECT_EQ(saved.unavailable, QString::fromLatin1(c.unavailable)) << c.settings;
        EXPECT_EQ(VoiceChoice::SavedAmong(own), c.listedWithoutSystem) << c.settings;

        // Choosing the fallback writes every key; a voice missing for now is put back.
        VoiceChoice::Remember(e.combined.get(), saved.voice - 1, voices[saved.voice - 1].shown);
        VoiceChoice::KeepUnavailable(saved);
        const QString id = Settings().sGet(QStringLiteral("LastVoiceId")).toString();
        EXPECT_EQ(id,
                  saved.unavailable.isEmpty()
                      ? VoiceChoice::IdText(voices[saved.voice - 1].identity)
                      : saved.unavailable)
            << c.settings;
        EXPECT_EQ(settingToInt(Settings().sGet(QStringLiteral("LastEngine"))), saved.voice - 1);
    }
}

TEST(VoiceChoice, CommandLineNamesAVoiceByEngineAndNameNumberOrName)
{
    Engines e;
    const QList<VoiceChoice::Listed> voices = VoiceChoice::List(*e.combined);
    const std::pair<const char *, int> cases[] = {
        { "flite:slt", 4 },
        { "FLITE:SLT", 4 },
        { "espeak:german", 2 },
        { "espeak-ng:English (Great Britain)", 1 },
        { "System voices:rhvoice/Anna", 5 },
        { "3", 3 },
        { "kal", 3 },
        { "German - de", 2 },
        { "flite:German", 0 },
        { "6", 0 },
        { "0", 0 },
        { "nobody", 0 },
        { "pico:Eva", 0 },
    };
    for (const auto &[text, voice] : cases) {
        QString why;
        EXPECT_EQ(VoiceChoice::FromCommandLine(voices, QString::fromLatin1(text), &why), voice)
            << text;
        EXPECT_EQ(why.isEmpty(), voice != 0) << text << ": " << qPrintable(why);
    }
    // A name two engines share must be told apart.
    e.flite->voices[0].name = QStringLiteral("German");
    QString why;
    EXPECT_EQ(VoiceChoice::FromCommandLine(VoiceChoice::List(*e.combined), "German", &why), 0);
    EXPECT_TRUE(why.contains(QStringLiteral("espeak-ng:German, flite:German"))) << qPrintable(why);
    // A system voice on a command line that only writes files (none listed) says why.
    QList<VoiceChoice::Listed> fileVoices = voices.mid(0, 4);
    EXPECT_EQ(VoiceChoice::FromCommandLine(fileVoices, "speech-dispatcher:rhvoice/Anna", &why), 0);
    EXPECT_TRUE(why.contains(QStringLiteral("cannot be written to a file"))) << qPrintable(why);

    EXPECT_EQ(VoiceChoice::ListingText(voices.mid(3, 2)),
              QStringLiteral("4\tflite:slt\ten-us\n5\tspeech-dispatcher:rhvoice/Anna\tru\t(reads "
                             "aloud only: cannot be written to a file)\n"));
}

TEST(VoiceChoice, RendererForAnotherVoiceLeavesTheSelectionAsItWas)
{
    Engines e;
    e.combined->Select(5);
    EXPECT_NE(VoiceChoice::CreateRenderer(*e.combined, 4, 2), nullptr);
    EXPECT_EQ(e.flite->renderJobs, 2);
    EXPECT_EQ(e.combined->CurrentMode(), 5);
    EXPECT_EQ(VoiceChoice::CreateRenderer(*e.combined, 5, 1), nullptr);
}

} // namespace
