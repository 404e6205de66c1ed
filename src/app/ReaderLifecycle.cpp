#include "app/ReaderLifecycle.h"

#include "app/DocumentController.h"
#include "app/ReadingController.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "base/Failure.h"
#include "base/MessageBoxes.h"
#include "base/MessagePump.h"
#include "base/MousePointer.h"
#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLang.h"
#include "base/cSharedLogging.h"
#include "speech/VoiceChoice.h"
#include "speech/clsTalker.h"
#include "ui/FormTranslator.h"
#include "ui/SymbolFonts.h"
#include "ui/VoiceList.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

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

ReaderLifecycle::ReaderLifecycle(frmMain &window)
    : m_window(window)
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
    frmMainControls &ui = m_window.ui;
    ReadingController &reading = *m_window.m_reading;
    for (int pitch = -10; pitch <= 10; ++pitch)
        ui.cmbPitch->addItem(QString::number(pitch));
    ui.cmbPitch->setCurrentIndex(10);

    reading.CreateDictionary();
    ui.cmdReload->setEnabled(false);
    const QString exeAndVersion =
        ProgramInfo::exeName() + QLatin1Char(' ') + ProgramInfo::versionText();
    m_window.setWindowTitle(exeAndVersion);

    Settings().LoadSettings(settingsFile());
    Log().LogEvent(QStringLiteral("Program startup.  ") + exeAndVersion, true);

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
    MessagePump::DoEvents();
    MessagePump::Sleep(500);

    Log().LogEvent(QStringLiteral("Checking for Webdings font"), false);
    splashMessage(message("Finding suitable font"));
    checkSymbolFonts();

    Log().LogEvent(QStringLiteral("Initialising Talker"), false);
    splashMessage(message("Initialising Talker"));
    reading.CreateTalker();

    splashMessage(message("Initialising Speech Engine"));
    Log().LogEvent(QStringLiteral("Initialising Speech Engine"), false);
    reading.Talker()->InitEngine();

    splashMessage(message("Filling voice list"));
    VoiceList::FillEngine(ui.cmbEngine, *reading.Talker());

    splashMessage(message("Setting voice to last used"));
    selectSavedVoice();

    m_splash->hide();
    MessagePump::DoEvents();
    delete m_splash;

    m_window.fixMinimumSize();

    Log().LogEvent(QStringLiteral("Startup Complete"), false);

    m_window.createUpdater();

    if (!CommandLine.trimmed().isEmpty()) {
        Log().LogEvent(QStringLiteral("Loading ") + CommandLine, false);
        m_window.LoadDocument(CommandLine);
        Log().LogEvent(QStringLiteral("Reading ") + CommandLine, false);
        m_window.cmdRead_Click();
    } else {
        ui.Timer3->start();
    }
}

void ReaderLifecycle::selectSavedVoice()
{
    // By engine and name where the voice is still installed: its place in the list depends
    // on the locale, the installed voices and which engines answered.
    clsTalker &talker = *m_window.m_reading->Talker();
    const VoiceChoice::Saved saved = VoiceChoice::Restore(
        talker.engine() ? VoiceChoice::List(*talker.engine()) : QList<VoiceChoice::Listed>());
    VoiceList::SelectVoice(m_window.ui.cmbEngine, saved.voice);
    m_window.cmbEngine_Click();
    talker.SelectVoice(VoiceList::VoiceIndex(m_window.ui.cmbEngine));
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
        Trace::quietly([&] { Log().LogEvent(text, false); });
    }
    MessageBoxes::show(nullptr, MessageBoxes::Critical, title, text, MessageBoxes::Ok);

    delete m_splash;
    m_window.m_reading->ReleaseTalker();
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
    frmMainControls &ui = m_window.ui;
    if (SymbolFonts::isInstalled(QStringLiteral("WEBDINGS"))) {
        splashMessage(message("Using Webdings"));
    } else {
        Log().LogEvent(QStringLiteral("Webdings font not found. Replacing with MS Sans Serif."),
                       false);
        splashMessage(message("Finding alternate font"));
        Log().LogEvent(QStringLiteral("Webdings font not found. Changing button text."), false);
        ui.replaceWebdingsSymbols(&m_window);
    }
    if (!SymbolFonts::isInstalled(QStringLiteral("WINGDINGS")))
        ui.replaceWingdingsSymbols();
}

void ReaderLifecycle::CloseDown()
{
    if (m_closingDown)
        return;
    m_closingDown = true;
    const QString procedure = QStringLiteral("CloseDown");
    ReadingController &reading = *m_window.m_reading;
    DocumentController &documents = *m_window.m_documents;

    Trace::attempt(procedure, kModule, [&] { reading.Stop(); });
    Trace::attempt(procedure, kModule, [&] { reading.ReleaseTalker(); });
    Trace::attempt(procedure, kModule, [&] { reading.ReleaseDictionary(); });
    Trace::attempt(procedure, kModule, [&] { documents.StoreCurrentBookmark(); });
    Trace::attempt(procedure, kModule, [&] { documents.SaveBookmarks(); });
    Trace::attempt(procedure, kModule, [&] { Settings().SaveSettings(settingsFile()); });
    Trace::attempt(procedure, kModule, [&] { closeOtherWindows(); });
    Trace::quietly([&] { Log().WriteActionsToLog(); });

    m_window.ui.Timer3->stop();
    m_window.close();
    emit m_window.closedDown();
    QCoreApplication::quit();
}

void ReaderLifecycle::closeOtherWindows()
{
    // Closing one window may delete another, so each is checked again before its turn.
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        windows.append(window);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *window = *it;
        if (!window || window == &m_window || !window->isVisible())
            continue;
        window->close();
        MessagePump::DoEvents();
    }
}
