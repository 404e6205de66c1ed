#include "app/ReaderLifecycle.h"

#include "app/DocumentController.h"
#include "app/ReaderWindow.h"
#include "app/ReadingController.h"
#include "app/SettingsSaver.h"
#include "app/frmSplash.h"
#include "base/Failure.h"
#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "net/InternetTransfer.h"
#include "net/UpdateHandOff.h"
#include "net/UpdateJournal.h"
#include "speech/VoiceChoice.h"
#include "speech/clsTalker.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/MessagePump.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"
#include "ui/SymbolFonts.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

const QString kModule = QStringLiteral("frmMain");

QString message(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

QString settingsFile()
{
    return ProgramInfo::programFile(QStringLiteral("Orlin.ini"));
}

} // namespace

ReaderLifecycle::ReaderLifecycle(ReaderWindow &window, ReadingController &reading,
                                 DocumentController &documents)
    : m_window(window)
    , m_reading(reading)
    , m_documents(documents)
{
}

ReaderLifecycle::~ReaderLifecycle()
{
    delete m_splash;
}

bool ReaderLifecycle::Startup(const QString &CommandLine)
{
    try {
        runStartup(CommandLine);
        return true;
    } catch (const std::exception &e) {
        const Failure failure = Trace::asFailure(e);
        startupFailed(failure.code(), failure.description());
    }
    return false;
}

void ReaderLifecycle::runStartup(const QString &CommandLine)
{
    // A document named on the command line is read while the rest starts.
    const bool readAtOnce = !CommandLine.trimmed().isEmpty();
    if (readAtOnce)
        m_documents.ReadAhead(CommandLine);
    m_window.fillPitchList();
    m_reading.CreateDictionary();
    m_window.setReloadEnabled(false);
    const QString exeAndVersion =
        ProgramInfo::exeName() + QLatin1Char(' ') + ProgramInfo::versionText();
    m_window.setCaption(exeAndVersion);

    // A line of the file that cannot be read is told and skipped; the rest still counts.
    for (const QString &problem : Settings().LoadSettings(settingsFile()))
        ShowErr(problem);
    Log().LogEvent(QStringLiteral("Program startup.  ") + exeAndVersion, true);
    // An update cut short by a crash is finished or undone before any program file is read.
    UpdateJournal::Recover(UpdateHandOff::InstallFolder());

    m_splash = new frmSplash;
    m_window.fillLanguageMenu();
    // An installed program takes them from its share folder: the log says which it found.
    Log().LogEvent(QStringLiteral("Language files: %1 (%2)")
                       .arg(cSharedLang::LanguagesFolder(Lang().LanguagePath()))
                       .arg(Lang().LanguageCount()),
                   false);

    // Made before the languages were loaded, so translated now that they are.
    FormTranslator::TranslateForm(m_splash);
    m_splash->show();
    m_splashShown.start();
    MessagePump::DoEvents();

    Log().LogEvent(QStringLiteral("Checking for Webdings font"), false);
    splashMessage(message("Finding suitable font"));
    checkSymbolFonts();

    Log().LogEvent(QStringLiteral("Initialising Talker"), false);
    splashMessage(message("Initialising Talker"));
    m_reading.CreateTalker();

    splashMessage(message("Initialising Speech Engine"));
    Log().LogEvent(QStringLiteral("Initialising Speech Engine"), false);
    // Busy while the engine starts; a failure leaves it busy until the message is shown.
    MousePointer::BusyMouse();
    m_reading.Talker()->InitEngine();
    waitForSavedVoice();
    MousePointer::NormalMouse();

    splashMessage(message("Filling voice list"));
    m_window.fillVoiceList(*m_reading.Talker());

    splashMessage(message("Setting voice to last used"));
    selectSavedVoice();

    closeSplash();

    m_window.fixMinimumSize();

    // A document named on the command line is heard before the rest is made: the update
    // window is not needed for its first sentence.
    if (readAtOnce) {
        Log().LogEvent(QStringLiteral("Loading ") + CommandLine, false);
        m_documents.LoadDocument(CommandLine);
        Log().LogEvent(QStringLiteral("Reading ") + CommandLine, false);
        m_reading.Read();
    }

    Log().LogEvent(QStringLiteral("Startup Complete"), false);

    m_window.createUpdater();

    if (!readAtOnce)
        m_window.setUpdateTimer(true);
}

void ReaderLifecycle::closeSplash()
{
    // The splash stays long enough to be read, but start-up does not wait for it: a document
    // on the command line is heard while the splash is still up.
    const qint64 left = kSplashMinimumMs - m_splashShown.elapsed();
    if (left > 0) {
        // The splash is the timer's context: if this goes first, so does the timer.
        QTimer::singleShot(left, m_splash.data(), [this] { delete m_splash; });
        return;
    }
    m_splash->hide();
    MessagePump::DoEvents();
    delete m_splash;
}

void ReaderLifecycle::waitForSavedVoice()
{
    // The desktop's voices may still be on their way (the daemon starting): the start-up
    // waits for them only when the voice to select is not among those already listed.
    SpeechEngine *engine = m_reading.Talker()->engine();
    if (engine && engine->VoicesPending() && !VoiceChoice::SavedAmong(VoiceChoice::List(*engine))) {
        Log().LogEvent(QStringLiteral("Waiting for the system voices"), false);
        engine->WaitForVoices();
    }
}

void ReaderLifecycle::selectSavedVoice()
{
    // By engine and name where the voice is still installed: its place in the list depends
    // on the locale, the installed voices and which engines answered.
    clsTalker &talker = *m_reading.Talker();
    const VoiceChoice::Saved saved = VoiceChoice::Restore(
        talker.engine() ? VoiceChoice::List(*talker.engine()) : QList<VoiceChoice::Listed>());
    const int voice = saved.voice - 1;
    m_window.chooseVoice(voice);
    talker.SelectVoice(voice);
    VoiceChoice::KeepUnavailable(saved);
}

void ReaderLifecycle::startupFailed(int code, const QString &description)
{
    MousePointer::NormalMouse();
    const QString title = ProgramInfo::exeName();
    QString text;
    if (code == FailureCode::NoSpeechEngine) {
        text = message("You must install a Text To Speech engine to use this program.  Visit "
                       "the Orlin page at ")
            + ProgramInfo::webSite() + message(" for more information.");
    } else if (code == FailureCode::CannotCreateComponent) {
        text = message("One or more runtimes are not installed on your PC.  See the "
                       "'Runtimes' page at ")
            + ProgramInfo::webSite() + message(" for more information.");
    } else {
        text = QStringLiteral("Error %1 - %2").arg(code).arg(description);
        Trace::quietly("a log that cannot be written cannot keep this either; the message shows",
                       [&] { Log().LogEvent(text, false); });
    }
    MessageBoxes::show(nullptr, MessageBoxes::Critical, title, text, MessageBoxes::Ok);

    delete m_splash;
    m_reading.ReleaseTalker();
    CloseDown();
}

void ReaderLifecycle::splashMessage(const QString &message)
{
    if (m_splash)
        m_splash->lblStatus->setText(message);
    MessagePump::DoEvents();
}

void ReaderLifecycle::checkSymbolFonts()
{
    const bool webdings = SymbolFonts::isInstalled(QStringLiteral("WEBDINGS"));
    if (webdings) {
        splashMessage(message("Using Webdings"));
    } else {
        Log().LogEvent(QStringLiteral("Webdings font not found. Replacing with MS Sans Serif."),
                       false);
        splashMessage(message("Finding alternate font"));
        Log().LogEvent(QStringLiteral("Webdings font not found. Changing button text."), false);
    }
    m_window.useSymbolFallbacks(!webdings, !SymbolFonts::isInstalled(QStringLiteral("WINGDINGS")));
}

void ReaderLifecycle::CloseDown()
{
    if (m_closingDown)
        return;
    m_closingDown = true;
    const QString procedure = QStringLiteral("CloseDown");

    // Each step is taken whatever became of the one before: what can be kept is kept.
    // Hidden windows' transfers too (a silent update check): none may keep the process.
    Trace::attempt(procedure, kModule, [&] { InternetTransfer::CancelAll(); });
    Trace::attempt(procedure, kModule, [&] { m_reading.Stop(); });
    Trace::attempt(procedure, kModule, [&] { m_reading.ReleaseTalker(); });
    Trace::attempt(procedure, kModule, [&] { m_reading.ReleaseDictionary(); });
    Trace::attempt(procedure, kModule, [&] { m_documents.StoreCurrentBookmark(); });
    Trace::attempt(procedure, kModule, [&] { m_documents.SaveBookmarks(); });
    Trace::attempt(procedure, kModule, [&] {
        SettingsSaver::Save([] { return Settings().SaveSettings(settingsFile()); },
                            m_window.dialogParent());
    });
    Trace::attempt(procedure, kModule, [&] { closeOtherWindows(); });
    Trace::quietly("a log that cannot be written has nowhere to say so",
                   [] { Log().WriteActionsToLog(); });

    m_window.setUpdateTimer(false);
    m_window.closeWindow();
    QCoreApplication::quit();
}

void ReaderLifecycle::closeOtherWindows()
{
    // Closing one window may delete another, so each is checked again before its turn.
    const QWidget *main = m_window.dialogParent();
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        windows.append(window);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *window = *it;
        if (!window || window == main || !window->isVisible())
            continue;
        window->close();
        MessagePump::DoEvents();
    }
}
