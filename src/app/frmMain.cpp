#include "app/frmMain.h"

#include "app/DocumentController.h"
#include "app/ReaderLifecycle.h"
#include "app/ReadingController.h"
#include "app/SpeakToWav.h"
#include "app/UpdateController.h"
#include "app/WordMarkController.h"
#include "app/fSHAREDGut.h"
#include "app/fSHAREDUpdater.h"
#include "app/frmAbout.h"
#include "base/Failure.h"
#include "base/ProgramInfo.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedLang.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/MessagePump.h"
#include "ui/MousePointer.h"
#include "ui/RichTextBox.h"
#include "ui/VoiceList.h"
#include "ui/frmContents.h"
#include "ui/frmLex.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

const QString kModule = QStringLiteral("frmMain");

// The window height the layout rule counts includes a title bar and a menu bar that
// this window does not have in its client area; this much of it lies above the view.
constexpr double kNonClientTwips = 645;

// The client area at start-up: the view at its design size of 8760 by 3945 twips.
constexpr double kStartWidthTwips = 8760 + 1000;
constexpr double kStartHeightTwips = 3945 + 2300;

} // namespace

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    ui.setupUi(this);
    ReaderWindow &window = *this;
    m_reading = std::make_unique<ReadingController>(*ui.RichTextBox1);
    m_wordMark = std::make_unique<WordMarkController>(*m_reading, *ui.RichTextBox1);
    m_documents = std::make_unique<DocumentController>(window, *ui.RichTextBox1);
    m_lifecycle = std::make_unique<ReaderLifecycle>(window, *m_reading, *m_documents);
    m_updateView = std::make_unique<UpdateView>(*this);
    m_updates = std::make_unique<UpdateController>(*m_updateView);
    connectControls();
    connectDocuments();
    connect(m_reading.get(), &ReadingController::VoicesAdded, this, &frmMain::voicesAdded);
    setWindowSizeTwips(kStartWidthTwips, kStartHeightTwips);
    Form_Resize();
}

frmMain::~frmMain() = default;

// The first local file a drag carries, or an empty string.
static QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

void frmMain::connectDocuments()
{
    m_contentsItem = menuBar()->addAction(QStringLiteral("Contents"));
    m_contentsItem->setObjectName(QStringLiteral("mnuContents"));
    m_contentsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    m_contentsItem->setShortcutContext(Qt::WindowShortcut);
    m_contentsItem->setEnabled(false);
    connect(m_contentsItem, &QAction::triggered, this, &frmMain::mnuContents_Click);
    m_documents->onDocumentChanged = [this](bool another) { documentChanged(another); };
    m_documents->onTextAppended = [this](const QString &text, bool) {
        m_reading->TextAppended(text);
    };
    m_documents->onShownWhole = [this] { showIfWaiting(); };
    // Files dropped anywhere on the window open; the view does not take them as text.
    setAcceptDrops(true);
    ui.RichTextBox1->setAcceptDrops(false);
    ui.RichTextBox1->viewport()->setAcceptDrops(false);
}

void frmMain::connectControls()
{
    connect(ui.cmdRead, &QPushButton::clicked, this, &frmMain::cmdRead_Click);
    connect(ui.cmdPause, &QPushButton::clicked, this, &frmMain::cmdPause_Click);
    connect(ui.cmdStopReading, &QPushButton::clicked, this, &frmMain::cmdStopReading_Click);
    connect(ui.cmdReload, &QPushButton::clicked, this, &frmMain::cmdReload_Click);
    connect(ui.cmdFaster, &QPushButton::clicked, this, &frmMain::cmdFaster_Click);
    connect(ui.cmdSlower, &QPushButton::clicked, this, &frmMain::cmdSlower_Click);
    connect(ui.cmdLoad, &QPushButton::clicked, this, &frmMain::cmdLoad_Click);
    connect(ui.cmdSpeakToWav, &QPushButton::clicked, this, &frmMain::cmdSpeakToWav_Click);
    connect(ui.cmdQuit, &QPushButton::clicked, this, &frmMain::cmdQuit_Click);
    connect(ui.cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(ui.cmdGUT, &QPushButton::clicked, this, &frmMain::cmdGUT_Click);
    connect(ui.cmdFontBigger, &QPushButton::clicked, this, &frmMain::cmdFontBigger_Click);
    connect(ui.cmdFontSmaller, &QPushButton::clicked, this, &frmMain::cmdFontSmaller_Click);
    // activated is the user's choice only; start-up runs the click handler itself, so
    // filling the list never overwrites the saved voice.
    connect(ui.cmbEngine, &QComboBox::activated, this, &frmMain::cmbEngine_Click);
    connect(ui.cmbPitch, &QComboBox::activated, this, &frmMain::cmbPitch_Click);
    connect(ui.mnuPron, &QAction::triggered, this, &frmMain::mnuPron_Click);
    connect(ui.mnuCheckForUpdate, &QAction::triggered, this, &frmMain::mnuCheckForUpdate_Click);
    connect(ui.Timer3, &QTimer::timeout, this, &frmMain::Timer3_Timer);
    connect(ui.mnuMarkWord, &QAction::triggered, this, &frmMain::mnuMarkWord_Click);
    addLanguageItem(ui.mnuLanguage.constFirst(), 0);
}

bool frmMain::Form_Load(const QString &CommandLine)
{
    // The settings are loaded by the first steps; the menu shows the stored choice.
    const bool started = m_lifecycle->Startup(CommandLine);
    ui.mnuMarkWord->setChecked(m_wordMark->Enabled());
    return started;
}

void frmMain::CloseDown()
{
    m_lifecycle->CloseDown();
}

bool frmMain::isClosedDown() const
{
    return m_lifecycle->isClosedDown();
}

void frmMain::LoadDocument(const QString &path)
{
    m_documents->LoadDocument(path);
}

void frmMain::addLanguageItem(QAction *item, int index)
{
    connect(item, &QAction::triggered, this, [this, index] { mnuLanguage_Click(index); });
}

void frmMain::fillLanguageMenu()
{
    Lang().LangID = Settings().sGet(QStringLiteral("langID"), QStringLiteral("English")).toString();
    Lang().LoadAllLanguages();
    const short count = Lang().LanguageCount();
    for (short i = 1; i <= count; ++i) {
        QAction *item = ui.mnuLang->addAction(Lang().LanguageTitle(i));
        item->setObjectName(QStringLiteral("mnuLanguage"));
        item->setCheckable(true);
        addLanguageItem(item, i);
        ui.mnuLanguage.append(item);
    }
    for (int i = 0; i < ui.mnuLanguage.size(); ++i) {
        if (ui.mnuLanguage.at(i)->text() == Lang().LangID) {
            ui.mnuLanguage.at(i)->setChecked(true);
            FormTranslator::Localise(this, short(i));
        }
    }
}

// ---- Reading ----------------------------------------------------------------------

void frmMain::cmdRead_Click()
{
    m_reading->Read();
}

void frmMain::cmdPause_Click()
{
    m_reading->PauseOrContinue();
}

void frmMain::cmdStopReading_Click()
{
    m_reading->Stop();
}

void frmMain::cmdFaster_Click()
{
    m_reading->Faster();
}

void frmMain::cmdSlower_Click()
{
    m_reading->Slower();
}

void frmMain::cmbEngine_Click()
{
    // A row's voice, not its place: headings of the engines' groups stand between voices.
    m_reading->SelectVoice(VoiceList::VoiceIndex(ui.cmbEngine), ui.cmbEngine->currentText());
}

void frmMain::cmbPitch_Click()
{
    m_reading->ChangePitch(ui.cmbPitch->currentText());
}

void frmMain::cmdSpeakToWav_Click()
{
    // What Read would read now, before the dialog opens and a reading moves the caret on.
    const QString text = m_reading->TextToRead().text;
    SpeakToWav(this, m_reading->Talker(), text, m_reading->Dictionary(),
               [this] { m_reading->Stop(); });
}

// ---- Documents --------------------------------------------------------------------

void frmMain::cmdLoad_Click()
{
    m_reading->Stop();
    Trace::attempt(QStringLiteral("cmdLoad_Click"), kModule, [&] { m_documents->ChooseAndLoad(); });
    MousePointer::NormalMouse();
}

void frmMain::cmdReload_Click()
{
    m_reading->Stop();
    m_documents->Reload();
    MousePointer::NormalMouse();
}

void frmMain::cmdGUT_Click()
{
    const QString procedure = QStringLiteral("sub mnugutenberg_click");
    QString book;
    Trace::attempt(procedure, kModule, [&] {
        fSHAREDGut library(this);
        library.exec();
        book = library.FileToLoad();
    });
    if (book.isEmpty())
        return;
    m_reading->Stop();
    m_documents->LoadDocument(book);
    MousePointer::NormalMouse();
}

void frmMain::mnuContents_Click()
{
    if (m_documents->CurrentDocument().headings.isEmpty())
        return;
    if (!m_contents) {
        m_contents = new frmContents(this);
        connect(m_contents, &frmContents::headingChosen, this, [this](int index) {
            m_reading->Stop();
            m_documents->GoToHeading(index);
            // Back to the document, where Read (F6) starts from the heading.
            activateWindow();
            ui.RichTextBox1->setFocus(Qt::OtherFocusReason);
        });
        FormTranslator::TranslateForm(m_contents);
        m_contents->showHeadings(m_documents->CurrentDocument(), ui.RichTextBox1->SelStart());
    }
    m_contents->show();
    m_contents->raise();
    m_contents->activateWindow();
}

void frmMain::documentChanged(bool another)
{
    const Document &document = m_documents->CurrentDocument();
    m_contentsItem->setEnabled(!document.headings.isEmpty());
    if (!m_contents)
        return;
    m_contents->showHeadings(document, ui.RichTextBox1->SelStart(), !another);
    if (document.headings.isEmpty())
        m_contents->hide();
}

void frmMain::openDropped(const QString &path)
{
    m_reading->Stop();
    m_documents->LoadDocument(path);
    MousePointer::NormalMouse();
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // The drag's source waits for the drop to end: the document opens once it has.
    QTimer::singleShot(0, this, [this, path] { openDropped(path); });
}

void frmMain::mnuPron_Click()
{
    Trace::attempt(QStringLiteral("mnuPron_Click"), kModule, [&] {
        clsDict *dict = m_reading->Dictionary();
        if (!dict)
            throw Failure(91, QStringLiteral("Object variable not set"));
        frmLex dialog(dict, this);
        dialog.exec();
    });
}

void frmMain::mnuMarkWord_Click()
{
    m_wordMark->setEnabled(ui.mnuMarkWord->isChecked());
}

// ---- The rest of the window -------------------------------------------------------

void frmMain::cmdQuit_Click()
{
    CloseDown();
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
        for (QAction *item : std::as_const(ui.mnuLanguage))
            item->setChecked(false);
        ui.mnuLanguage.at(Index)->setChecked(true);
    });
    Trace::attempt(procedure, kModule, [&] {
        Settings().sSet(QStringLiteral("LangID"), ui.mnuLanguage.at(Index)->text());
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
    // The whole text is resized, but the caret, a running highlight and so the bookmark
    // stay where they are; sizes stay readable.
    constexpr double kSmallest = 6;
    constexpr double kLargest = 96;
    RichTextBox *view = ui.RichTextBox1;
    const std::optional<double> size = view->TextFontSize();
    view->setTextFontSize(std::clamp(size ? *size + step : 18, kSmallest, kLargest));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Only the user's own close saves: a close that CloseDown causes, or one that comes
    // from the session ending, goes through without saving.
    if (!isClosedDown() && !qApp->isSavingSession())
        CloseDown();
    event->accept();
}

// ---- Updates ----------------------------------------------------------------------

// What the update controller may do with this window.
class frmMain::UpdateView : public UpdateController::View
{
public:
    explicit UpdateView(frmMain &window)
        : m_window(window)
    {
    }
    QWidget *window() override { return &m_window; }
    QString caption() const override { return m_window.windowTitle(); }
    void hideForHandOff() override
    {
        m_window.hide();
        MessagePump::DoEvents();
    }
    void showAgain() override { m_window.show(); }
    void closeDown() override { m_window.CloseDown(); }

private:
    frmMain &m_window;
};

fSHAREDUpdater *frmMain::Updater() const
{
    return m_updates->Updater();
}

void frmMain::createUpdater()
{
    m_updates->CreateUpdater();
}

void frmMain::Timer3_Timer()
{
    Trace::attempt(QStringLiteral("timer3_timer"), kModule, [&] { ui.Timer3->stop(); });
    m_updates->AutomaticCheck();
}

void frmMain::mnuCheckForUpdate_Click()
{
    const QString procedure = QStringLiteral("mnucheckversion_click");
    Trace::attempt(procedure, kModule, [&] { ui.Timer3->stop(); });
    Trace::attempt(procedure, kModule, [&] { checkforupdate(false); });
}

void frmMain::checkforupdate(bool silent)
{
    m_updates->checkforupdate(silent);
}

void frmMain::Updater_InstallFile()
{
    m_updates->Updater_InstallFile();
}

// ---- What the controllers ask of the window ----------------------------------------

void frmMain::setReloadEnabled(bool enabled)
{
    ui.cmdReload->setEnabled(enabled);
}

void frmMain::fillPitchList()
{
    for (int pitch = -10; pitch <= 10; ++pitch)
        ui.cmbPitch->addItem(QString::number(pitch));
    ui.cmbPitch->setCurrentIndex(10);
}

void frmMain::useSymbolFallbacks(bool webdingsMissing, bool wingdingsMissing)
{
    if (webdingsMissing)
        ui.replaceWebdingsSymbols(this);
    if (wingdingsMissing)
        ui.replaceWingdingsSymbols();
}

void frmMain::fillVoiceList(const clsTalker &talker)
{
    VoiceList::FillEngine(ui.cmbEngine, talker);
}

void frmMain::showWhenWhole()
{
    // A book given on the command line goes into the hidden view in slices while its first
    // sentence is heard (the splash is up meanwhile): the window shows it whole.
    if (!m_documents->ShowingInSlices()) {
        show();
        return;
    }
    m_showWhenWhole = true;
    // However the slicing ends, the window is not left hidden.
    QTimer::singleShot(kShowWhenWholeAtMostMs, this, [this] { showIfWaiting(); });
}

void frmMain::showIfWaiting()
{
    if (std::exchange(m_showWhenWhole, false))
        show();
}

void frmMain::voicesAdded()
{
    // The desktop's voices join the list once listed; the chosen voice stays chosen.
    const int chosen = VoiceList::VoiceIndex(ui.cmbEngine);
    if (const clsTalker *talker = m_reading->Talker())
        VoiceList::FillEngine(ui.cmbEngine, *talker);
    VoiceList::SelectVoice(ui.cmbEngine, chosen + 1);
}

void frmMain::chooseVoice(int index)
{
    // By the voice's number: headings of the engines' groups stand between the rows.
    VoiceList::SelectVoice(ui.cmbEngine, index + 1);
    cmbEngine_Click();
}

void frmMain::setUpdateTimer(bool running)
{
    if (running)
        ui.Timer3->start();
    else
        ui.Timer3->stop();
}

void frmMain::closeWindow()
{
    close();
    emit closedDown();
}

// ---- Layout -----------------------------------------------------------------------

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
    resize(frmMainControls::px(width),
           frmMainControls::px(height - kNonClientTwips) + menuBar()->sizeHint().height());
}

void frmMain::fixMinimumSize()
{
    m_minHeight = windowHeightTwips();
    m_minWidth = windowWidthTwips();
    setMinimumSize(size());
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
    using C = frmMainControls;
    const double viewTop = 200;
    const double viewHeight = std::max(height - 2300, 0.0);
    ui.RichTextBox1->setGeometry(C::px(500), C::px(viewTop), C::px(std::max(width - 1000, 0.0)),
                                 C::px(viewHeight));
    ui.Frame1->move(C::px((width - C::kFrameWidthTwips) / 2), C::px(viewTop + viewHeight + 100));
}
