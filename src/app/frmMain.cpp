#include "app/frmMain.h"

#include "app/frmAbout.h"
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
#include "documents/RtfImporter.h"
#include "documents/mSharedBookmarks.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "ui/FormTranslator.h"
#include "ui/RichTextBox.h"
#include "ui/SymbolFonts.h"
#include "ui/VoiceList.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

const QString kModule = QStringLiteral("frmMain");

// Sizes and positions are designed in twips, at 15 twips to the pixel.
int px(double twips)
{
    return qRound(twips / 15.0);
}

// The window height the layout rule counts includes a title bar and a menu bar that
// this window does not have in its client area; this much of it lies above the view.
constexpr double kNonClientTwips = 645;

// The client area at start-up: the view at its design size of 8760 by 3945 twips.
constexpr double kStartWidthTwips = 8760 + 1000;
constexpr double kStartHeightTwips = 3945 + 2300;

constexpr int kFrameWidthTwips = 8790;
constexpr int kFrameHeightTwips = 1155;

struct ButtonDesign
{
    QPushButton *frmMain::*member;
    const char *name;
    QString caption;
    const char *family;
    double points;
    bool bold;
    const char *tooltip;
    int left, top, width, height;
};

QString message(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    createControls();
    createMenu();
    connectControls();
    setWindowSizeTwips(kStartWidthTwips, kStartHeightTwips);
    Form_Resize();
}

frmMain::~frmMain()
{
    delete m_splash;
}

void frmMain::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    RichTextBox1 = new RichTextBox(client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    QFont viewFont(QStringLiteral("MS Sans Serif"));
    viewFont.setStyleHint(QFont::SansSerif);
    viewFont.setPointSizeF(12);
    RichTextBox1->setFont(viewFont);
    RichTextBox1->document()->setDefaultFont(viewFont);
    RichTextBox1->setGeometry(px(135), px(180), px(8760), px(3945));
    // Qt reads no RTF itself; every RTF document the view is given goes through Orlin's.
    RichTextBox1->setRtfImporter(&RtfImporter::setDocumentRtf);

    Frame1 = new QFrame(client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::NoFrame);
    Frame1->setFixedSize(px(kFrameWidthTwips), px(kFrameHeightTwips));

    const ButtonDesign buttons[] = {
        { &frmMain::cmdGUT, "cmdGUT", QStringLiteral("G"), "MS Sans Serif", 18, true,
          "Project Gutenberg Downloads", 90, 225, 465, 465 },
        { &frmMain::cmdFontBigger, "cmdFontBigger", QStringLiteral("+"), "Arial", 16.2, true,
          "Make the font bigger", 4605, 240, 435, 375 },
        { &frmMain::cmdFontSmaller, "cmdFontSmaller", QStringLiteral("-"), "Arial", 15.6, true,
          "Make the font smaller", 4605, 660, 435, 375 },
        { &frmMain::cmdAbout, "cmdAbout", QStringLiteral("?"), "Arial", 25.8, true, "About", 5175,
          225, 735, 795 },
        { &frmMain::cmdLoad, "cmdLoad", QStringLiteral("1"), "Wingdings", 24, false, "Load a file",
          6030, 225, 780, 795 },
        { &frmMain::cmdReload, "cmdReload", QString(QChar(198)), "Wingdings", 24, false,
          "Reload current file", 6930, 225, 780, 795 },
        { &frmMain::cmdQuit, "cmdQuit", QStringLiteral("X"), "Arial", 24, true, "Quit", 7875, 225,
          795, 795 },
        { &frmMain::cmdSlower, "cmdSlower", QStringLiteral("7"), "Webdings", 15.6, true,
          "Speak Slower", 720, 630, 435, 375 },
        { &frmMain::cmdPause, "cmdPause", QStringLiteral(";"), "Webdings", 15.6, true, "Pause",
          1260, 630, 495, 375 },
        { &frmMain::cmdStopReading, "cmdStopReading", QStringLiteral("<"), "Webdings", 15.6, true,
          "Stop Speaking", 1845, 630, 540, 375 },
        { &frmMain::cmdSpeakToWav, "cmdSpeakToWav", QStringLiteral("X"), "Webdings", 15.6, true,
          "Read to WAV file", 2430, 630, 390, 375 },
        { &frmMain::cmdRead, "cmdRead", QStringLiteral(")"), "Webdings", 15.6, true,
          "Read from cursor position", 2880, 630, 435, 375 },
        { &frmMain::cmdFaster, "cmdFaster", QStringLiteral("8"), "Webdings", 15.6, true,
          "Speak Faster", 3375, 630, 525, 375 },
    };
    for (const ButtonDesign &design : buttons) {
        auto *button = new QPushButton(design.caption, Frame1);
        button->setObjectName(QString::fromLatin1(design.name));
        QFont font(QString::fromLatin1(design.family));
        font.setPointSizeF(design.points);
        font.setBold(design.bold);
        button->setFont(font);
        button->setToolTip(QString::fromLatin1(design.tooltip));
        button->setGeometry(px(design.left), px(design.top), px(design.width), px(design.height));
        // The designed buttons are small; the style's padding would clip their captions.
        button->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
        this->*design.member = button;
    }

    cmbEngine = new QComboBox(Frame1);
    cmbEngine->setObjectName(QStringLiteral("cmbEngine"));
    cmbEngine->setToolTip(QStringLiteral("Select a voice"));
    cmbEngine->setGeometry(px(720), px(225), px(3210), px(315));

    cmbPitch = new QComboBox(Frame1);
    cmbPitch->setObjectName(QStringLiteral("cmbPitch"));
    cmbPitch->setToolTip(QStringLiteral(
        "Changes the pitch. Default is zero, negative numbers for a deeper voice, positive "
        "numbers for a higher voice."));
    cmbPitch->setGeometry(px(4005), px(225), px(600), px(315));

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setSingleShot(true);
    Timer3->setInterval(30000);
}

void frmMain::createMenu()
{
    mnuSettings = menuBar()->addMenu(QStringLiteral("Settings"));
    mnuSettings->setObjectName(QStringLiteral("mnuSettings"));
    mnuLang = mnuSettings->addMenu(QStringLiteral("Languages"));
    mnuLang->setObjectName(QStringLiteral("mnuLang"));
    QAction *english = mnuLang->addAction(QStringLiteral("English"));
    english->setObjectName(QStringLiteral("mnuLanguage"));
    english->setCheckable(true);
    connect(english, &QAction::triggered, this, [this] { mnuLanguage_Click(0); });
    mnuLanguage.append(english);
    mnuPron = mnuSettings->addAction(QStringLiteral("Pronunciations"));
    mnuPron->setObjectName(QStringLiteral("mnuPron"));
    connect(mnuPron, &QAction::triggered, this, &frmMain::mnuPron_Click);
    mnuCheckForUpdate = mnuSettings->addAction(QStringLiteral("Check for Update"));
    mnuCheckForUpdate->setObjectName(QStringLiteral("mnuCheckForUpdate"));
}

void frmMain::connectControls()
{
    connect(cmdRead, &QPushButton::clicked, this, &frmMain::cmdRead_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmMain::cmdPause_Click);
    connect(cmdStopReading, &QPushButton::clicked, this, &frmMain::cmdStopReading_Click);
    connect(cmdReload, &QPushButton::clicked, this, &frmMain::cmdReload_Click);
    connect(cmdFaster, &QPushButton::clicked, this, &frmMain::cmdFaster_Click);
    connect(cmdSlower, &QPushButton::clicked, this, &frmMain::cmdSlower_Click);
    connect(cmdLoad, &QPushButton::clicked, this, &frmMain::cmdLoad_Click);
    connect(cmdSpeakToWav, &QPushButton::clicked, this, &frmMain::cmdSpeakToWav_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::cmdQuit_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdFontBigger, &QPushButton::clicked, this, &frmMain::cmdFontBigger_Click);
    connect(cmdFontSmaller, &QPushButton::clicked, this, &frmMain::cmdFontSmaller_Click);
    // activated is the user's choice only; start-up runs the click handler itself, so
    // filling the list never overwrites the saved voice.
    connect(cmbEngine, &QComboBox::activated, this, &frmMain::cmbEngine_Click);
    connect(cmbPitch, &QComboBox::activated, this, &frmMain::cmbPitch_Click);
}

bool frmMain::Form_Load(const QString &CommandLine)
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

void frmMain::runStartup(const QString &CommandLine)
{
    for (int pitch = -10; pitch <= 10; ++pitch)
        cmbPitch->addItem(QString::number(pitch));
    cmbPitch->setCurrentIndex(10);

    m_dict = std::make_unique<clsDict>();
    cmdReload->setEnabled(false);
    const QString exeAndVersion =
        ProgramInfo::exeName() + QLatin1Char(' ') + ProgramInfo::versionText();
    setWindowTitle(exeAndVersion);

    Settings().LoadSettings(ProgramInfo::programFile(QStringLiteral("Orlin.ini")));
    Log().LogEvent(QStringLiteral("Program startup.  ") + exeAndVersion, true);

    m_splash = new frmSplash;
    fillLanguageMenu();

    // Made before the languages were loaded, so translated now that they are.
    FormTranslator::TranslateForm(m_splash);
    m_splash->show();
    MessagePump::DoEvents();
    MessagePump::Sleep(500);

    Log().LogEvent(QStringLiteral("Checking for Webdings font"), false);
    splashMessage(QStringLiteral("Finding suitable font"));
    checkSymbolFonts();

    Log().LogEvent(QStringLiteral("Initialising Talker"), false);
    splashMessage(QStringLiteral("Initialising Talker"));
    m_talker = new clsTalker(this);
    m_talker->setDictionary(m_dict.get());
    connect(m_talker, &clsTalker::SpeakingSentence, this, &frmMain::Talker_SpeakingSentence);

    splashMessage(QStringLiteral("Initialising Speech Engine"));
    Log().LogEvent(QStringLiteral("Initialising Speech Engine"), false);
    m_talker->InitEngine();

    splashMessage(QStringLiteral("Filling voice list"));
    VoiceList::FillEngine(cmbEngine, *m_talker);

    splashMessage(QStringLiteral("Setting voice to last used"));
    int voice = settingToInt(Settings().sGet(QStringLiteral("LastEngine"), QStringLiteral("0")));
    if (voice >= cmbEngine->count())
        voice = cmbEngine->count() - 1;
    // A negative number in a hand-edited settings file would otherwise end the program.
    voice = std::max(voice, 0);
    cmbEngine->setCurrentIndex(voice);
    cmbEngine_Click();
    m_talker->SelectVoice(voice);

    m_splash->hide();
    MessagePump::DoEvents();
    delete m_splash;

    m_minHeight = windowHeightTwips();
    m_minWidth = windowWidthTwips();
    setMinimumSize(size());

    Log().LogEvent(QStringLiteral("Startup Complete"), false);

    // The update window object is created here once the update check exists.

    if (!CommandLine.trimmed().isEmpty()) {
        Log().LogEvent(QStringLiteral("Loading ") + CommandLine, false);
        LoadDocument(CommandLine);
        Log().LogEvent(QStringLiteral("Reading ") + CommandLine, false);
        cmdRead_Click();
    } else {
        Timer3->start();
    }
}

void frmMain::startupFailed(int code, const QString &description)
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
    releaseTalker();
    CloseDown();
}

void frmMain::splashMessage(const QString &message)
{
    if (m_splash)
        m_splash->lblStatus->setText(message);
    MessagePump::DoEvents();
}

void frmMain::fillLanguageMenu()
{
    Lang().LangID = Settings().sGet(QStringLiteral("langID"), QStringLiteral("English")).toString();
    Lang().LoadAllLanguages();
    const short count = Lang().LanguageCount();
    for (short i = 1; i <= count; ++i) {
        QAction *item = mnuLang->addAction(Lang().LanguageTitle(i));
        item->setObjectName(QStringLiteral("mnuLanguage"));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { mnuLanguage_Click(i); });
        mnuLanguage.append(item);
    }
    for (int i = 0; i < mnuLanguage.size(); ++i) {
        if (mnuLanguage.at(i)->text() == Lang().LangID) {
            mnuLanguage.at(i)->setChecked(true);
            FormTranslator::Localise(this, short(i));
        }
    }
}

void frmMain::checkSymbolFonts()
{
    if (SymbolFonts::isInstalled(QStringLiteral("WEBDINGS"))) {
        splashMessage(QStringLiteral("Using Webdings"));
    } else {
        Log().LogEvent(QStringLiteral("Webdings font not found. Replacing with MS Sans Serif."),
                       false);
        splashMessage(QStringLiteral("Finding alternate font"));
        const QList<QPushButton *> buttons = findChildren<QPushButton *>();
        for (QPushButton *button : buttons) {
            if (button->font().family().toLower() != QLatin1String("webdings"))
                continue;
            QFont font(QStringLiteral("MS Sans Serif"));
            font.setStyleHint(QFont::SansSerif);
            font.setPointSize(8);
            font.setBold(false);
            button->setFont(font);
        }
        Log().LogEvent(QStringLiteral("Webdings font not found. Changing button text."), false);
        cmdFaster->setText(QStringLiteral(">>"));
        cmdSlower->setText(QStringLiteral("<<"));
        // The window was translated before this step, so the word captions that
        // replace the symbols are translated here.
        cmdPause->setText(Lang().GetTranslation(QStringLiteral("Pause")));
        cmdRead->setText(Lang().GetTranslation(QStringLiteral("Read")));
        cmdStopReading->setText(Lang().GetTranslation(QStringLiteral("Stop")));
        // Its symbol has no text equivalent, and a plain "X" beside Stop reads as "close".
        cmdSpeakToWav->setText(QString());
        cmdSpeakToWav->setIcon(
            SymbolFonts::themeIcon(QStringLiteral("document-save"), QStyle::SP_DialogSaveButton));
    }
    // Without Wingdings the two file buttons show the desktop's own pictures instead.
    if (!SymbolFonts::isInstalled(QStringLiteral("WINGDINGS"))) {
        const QSize iconSize(px(600), px(600));
        cmdLoad->setText(QString());
        cmdLoad->setIcon(
            SymbolFonts::themeIcon(QStringLiteral("document-open"), QStyle::SP_DialogOpenButton));
        cmdLoad->setIconSize(iconSize);
        cmdReload->setText(QString());
        cmdReload->setIcon(
            SymbolFonts::themeIcon(QStringLiteral("view-refresh"), QStyle::SP_BrowserReload));
        cmdReload->setIconSize(iconSize);
    }
}

double frmMain::windowWidthTwips() const
{
    return width() * 15.0;
}

double frmMain::windowHeightTwips() const
{
    return (height() - menuBar()->sizeHint().height()) * 15.0 + kNonClientTwips;
}

void frmMain::setWindowSizeTwips(double width, double height)
{
    resize(px(width), px(height - kNonClientTwips) + menuBar()->sizeHint().height());
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize()
{
    const double width = windowWidthTwips();
    const double height = windowHeightTwips();
    if (height < m_minHeight || width < m_minWidth) {
        // The new size raises this handler again and lays the window out.
        setWindowSizeTwips(m_minWidth, m_minHeight);
        return;
    }
    const double viewTop = 200;
    const double viewHeight = std::max(height - 2300, 0.0);
    RichTextBox1->setGeometry(px(500), px(viewTop), px(std::max(width - 1000, 0.0)),
                              px(viewHeight));
    Frame1->move(px((width - kFrameWidthTwips) / 2), px(viewTop + viewHeight + 100));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Only the user's own close saves: a close that CloseDown causes, or one that comes
    // from the session ending, goes through without saving.
    if (!m_closingDown && !qApp->isSavingSession())
        CloseDown();
    event->accept();
}

void frmMain::cmdQuit_Click()
{
    Trace::quietly([&] { CloseDown(); });
}

void frmMain::cmdAbout_Click()
{
    frmAbout about(this);
    FormTranslator::TranslateForm(&about);
    about.exec();
}

void frmMain::mnuLanguage_Click(int Index)
{
    const QString procedure = QStringLiteral("mnulanguage_click");
    Trace::attempt(procedure, kModule, [&] { FormTranslator::Localise(this, short(Index)); });
    Trace::attempt(procedure, kModule, [&] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window != this && window->isVisible() && !qobject_cast<QMenu *>(window))
                FormTranslator::TranslateForm(window);
        }
    });
    Trace::attempt(procedure, kModule, [&] {
        for (QAction *item : std::as_const(mnuLanguage))
            item->setChecked(false);
        mnuLanguage.at(Index)->setChecked(true);
    });
    Trace::attempt(procedure, kModule, [&] {
        Settings().sSet(QStringLiteral("LangID"), mnuLanguage.at(Index)->text());
    });
}

void frmMain::cmdFontBigger_Click()
{
    changeFontSize(+1);
}

void frmMain::cmdFontSmaller_Click()
{
    changeFontSize(-1);
}

void frmMain::changeFontSize(int step)
{
    Trace::quietly([&] {
        RichTextBox1->setSelStart(0);
        RichTextBox1->setSelLength(int(RichTextBox1->Text().size()));
        const std::optional<double> size = RichTextBox1->SelFontSize();
        RichTextBox1->setSelFontSize(size ? *size + step : 18);
    });
}

void frmMain::releaseTalker()
{
    if (!m_talker)
        return;
    m_talker->disconnect(this);
    m_talker->setDictionary(nullptr);
    // A Quit clicked inside the highlight handler runs while the talker is still on the
    // stack below it, so it goes once control is back in the event loop.
    m_talker->deleteLater();
    m_talker = nullptr;
}

void frmMain::CloseDown()
{
    if (m_closingDown)
        return;
    m_closingDown = true;
    const QString procedure = QStringLiteral("CloseDown");

    Trace::attempt(procedure, kModule, [&] { StopReading(); });
    Trace::attempt(procedure, kModule, [&] { releaseTalker(); });
    Trace::attempt(procedure, kModule, [&] { m_dict.reset(); });
    if (!m_currentFile.isEmpty()) {
        Trace::attempt(procedure, kModule, [&] {
            mSharedBookmarks::StoreBookmark(m_currentFile, RichTextBox1->SelStart());
        });
    }
    Trace::attempt(procedure, kModule, [&] { mSharedBookmarks::SaveBookmarks(); });
    Trace::attempt(procedure, kModule, [&] {
        Settings().SaveSettings(ProgramInfo::programFile(QStringLiteral("Orlin.ini")));
    });
    Trace::attempt(procedure, kModule, [&] {
        // Closing one window may delete another, so each is checked again before its turn.
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            windows.append(window);
        for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
            QWidget *window = *it;
            if (!window || window == this || !window->isVisible())
                continue;
            window->close();
            MessagePump::DoEvents();
        }
    });
    Trace::quietly([&] { Log().WriteActionsToLog(); });

    Timer3->stop();
    close();
    emit closedDown();
    QCoreApplication::quit();
}
