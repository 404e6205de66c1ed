#include "app/fSHAREDGut.h"

#include "app/fSHAREDInternet.h"
#include "app/fSHAREDProxy.h"
#include "base/Desktop.h"
#include "base/Failure.h"
#include "base/ProgramInfo.h"
#include "base/Seam.h"
#include "base/Trace.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "library/GutBookDownload.h"
#include "library/GutBookInfo.h"
#include "library/GutBookList.h"
#include "library/GutCatalogue.h"
#include "library/GutCatalogueDownload.h"
#include "library/GutLibrarySettings.h"
#include "library/GutenbergHosts.h"
#include "net/InternetTransfer.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/MessagePump.h"
#include "ui/MousePointer.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <utility>

namespace {

const QString kModule = QStringLiteral("frmGUT");

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromUtf8(english));
}

// The catalogue address and the download source name folders: a file name is added to
// them, so an address typed without its closing "/" gets one.
QString folderAddress(const QString &text)
{
    QString address = text.trimmed();
    if (!address.isEmpty() && !address.endsWith(u'/'))
        address += u'/';
    return address;
}

// Fields that show the user's data (addresses, folders) rather than a caption: the
// window's translation leaves them alone.
void showData(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setModified(true);
}

} // namespace

// Counts the handlers under way: the logic lets window events run, so a click can
// arrive in the middle of another handler's work.
class fSHAREDGut::Working
{
public:
    explicit Working(fSHAREDGut &window)
        : m_window(window)
    {
        ++m_window.m_working;
        m_window.updateWorking();
    }
    ~Working()
    {
        --m_window.m_working;
        m_window.updateWorking();
    }

private:
    fSHAREDGut &m_window;
};

fSHAREDGut::fSHAREDGut(QWidget *parent)
    : QDialog(parent)
    , m_list(std::make_unique<GutBookList>())
    , m_bookRequest(std::make_unique<GutBookRequest>())
    , m_folder(ProgramInfo::programFolder())
{
    m_catalogue = std::make_unique<GutCatalogue>(m_folder);
    m_download = std::make_unique<GutCatalogueDownload>(m_folder);
    m_book = std::make_unique<GutBookDownload>(m_folder);
    ui.setupUi(this);
    resize(fSHAREDGutControls::px(12000), fSHAREDGutControls::px(9000));
    connectControls();
    Form_Load();
}

fSHAREDGut::~fSHAREDGut()
{
    // The transfer goes first (taking any unfinished file with it), then the work on
    // the worker threads stops, then the view lets go of the list before the list goes.
    m_inet.reset();
    m_catalogue->Cancel();
    m_book->Cancel();
    ui.ListView1->setModel(nullptr);
}

void fSHAREDGut::connectControls()
{
    connect(ui.cmdUpdateCat, &QPushButton::clicked, this, &fSHAREDGut::cmdUpdateCat_Click);
    connect(ui.cmdRegenCatalogue, &QPushButton::clicked, this,
            &fSHAREDGut::cmdRegenCatalogue_Click);
    connect(ui.cmdWebCat, &QPushButton::clicked, this, &fSHAREDGut::cmdWebCat_Click);
    connect(ui.cmdDefaults, &QPushButton::clicked, this, &fSHAREDGut::cmdDefaults_Click);
    connect(ui.cmdFind, &QPushButton::clicked, this, &fSHAREDGut::cmdFind_Click);
    connect(ui.txtSearch, &QLineEdit::returnPressed, this, &fSHAREDGut::cmdFind_Click);
    connect(ui.cmdFindNext, &QPushButton::clicked, this, &fSHAREDGut::cmdFindNext_Click);
    connect(ui.cmdAmazon, &QPushButton::clicked, this, &fSHAREDGut::cmdAmazon_Click);
    connect(ui.cmdProxy, &QPushButton::clicked, this, &fSHAREDGut::cmdProxy_Click);
    connect(ui.cmdExit, &QPushButton::clicked, this, &fSHAREDGut::cmdExit_Click);
    connect(ui.cmdDownload, &QPushButton::clicked, this, &fSHAREDGut::cmdDownload_Click);
    connect(ui.cmdDownloadAndRead, &QPushButton::clicked, this,
            &fSHAREDGut::cmdDownloadAndRead_Click);
    connect(ui.Timer1, &QTimer::timeout, this, &fSHAREDGut::Timer1_Timer);
    // An address typed by hand names its own file.
    connect(ui.txtUrl, &QLineEdit::textEdited, this, [this](const QString &url) {
        ui.lblFilename->setText(cSharedFileSubs::FileOnly(url.trimmed()));
    });

    connect(m_catalogue.get(), &GutCatalogue::Status, this, &fSHAREDGut::setStatus);
    connect(m_catalogue.get(), &GutCatalogue::Message, this, &fSHAREDGut::showMessage);
    connect(m_catalogue.get(), &GutCatalogue::Busy, this, &fSHAREDGut::updateWorking);
    connect(m_catalogue.get(), &GutCatalogue::Finished, this, &fSHAREDGut::catalogueParsed);
    connect(m_book.get(), &GutBookDownload::Status, this, &fSHAREDGut::setStatus);
    connect(m_book.get(), &GutBookDownload::Completed, this, &fSHAREDGut::bookDone);
    connect(m_book.get(), &GutBookDownload::PasswordRequest, this, &fSHAREDGut::askPassword);
}

void fSHAREDGut::Form_Load()
{
    const QString procedure = QStringLiteral("sub form_load");
    Trace::attempt(procedure, kModule, [&] { FormTranslator::TranslateForm(this); });
    Trace::attempt(procedure, kModule, [&] {
        m_inet = std::make_unique<fSHAREDInternet>(this);
        InternetTransfer &t = m_inet->transfer();
        connect(&t, &InternetTransfer::Status, this, &fSHAREDGut::inet_Status);
        // The ends of a transfer are handled once the transfer has finished its own
        // work: what they do (unpacking, messages, hiding this window) lets events run.
        connect(&t, &InternetTransfer::DownloadFinished, this, &fSHAREDGut::inet_DownloadFinished,
                Qt::QueuedConnection);
        connect(&t, &InternetTransfer::DownloadError, this, &fSHAREDGut::inet_DownloadError,
                Qt::QueuedConnection);
        connect(&t, &InternetTransfer::DownloadCancelled, this, &fSHAREDGut::inet_DownloadCancelled,
                Qt::QueuedConnection);
        connect(&t, &InternetTransfer::NoInternet, this, &fSHAREDGut::inet_NoInternet,
                Qt::QueuedConnection);
    });
    Trace::attempt(procedure, kModule, [&] {
        if (parentWidget())
            setWindowIcon(parentWidget()->windowIcon());
    });
    Trace::attempt(procedure, kModule, [&] { ReadSettings(); });
    Trace::attempt(procedure, kModule, [&] { UpdateRegenButton(); });
    Trace::attempt(procedure, kModule, [&] {
        ui.ListView1->setModel(m_list.get());
        connect(ui.ListView1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex &current) {
                    if (current.isValid())
                        ListView1_ItemClick(current.row());
                });
        ui.ListView1->header()->setSectionResizeMode(QHeaderView::Interactive);
    });
    Trace::attempt(procedure, kModule, [&] { LoadCatalogue(); });
    Trace::attempt(procedure, kModule, [&] {
        const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        setMinimumSize(
            std::max(fSHAREDGutControls::px(fSHAREDGutControls::kMinWidthTwips),
                     ui.fraBottom->minimumSizeHint().width() + 20),
            std::max(fSHAREDGutControls::px(fSHAREDGutControls::kMinHeightTwips) - titleBar,
                     ui.fraBottom->sizeHint().height() + 120));
        Form_Resize();
    });
}

// ---- Settings ---------------------------------------------------------------------

void fSHAREDGut::ReadSettings()
{
    Trace::attempt(QStringLiteral("ReadSettings"), kModule, [&] {
        const GutLibrarySettings s = GutLibrarySettings::ReadSettings(m_folder);
        showData(ui.txtDownloadPath, s.bookPath);
        showData(ui.txtCatalogURL, s.catalogURL);
        showData(ui.txtDLSource, s.downloadSource);
    });
}

void fSHAREDGut::StoreSettings()
{
    Trace::attempt(QStringLiteral("StoreSettings"), kModule, [&] {
        GutLibrarySettings { ui.txtDownloadPath->text().trimmed(),
                             ui.txtCatalogURL->text().trimmed(), ui.txtDLSource->text().trimmed() }
            .StoreSettings();
    });
}

void fSHAREDGut::cmdDefaults_Click()
{
    const GutLibrarySettings d = GutLibrarySettings::Defaults(m_folder);
    showData(ui.txtCatalogURL, d.catalogURL);
    showData(ui.txtDLSource, d.downloadSource);
}

// ---- The catalogue ----------------------------------------------------------------

void fSHAREDGut::UpdateRegenButton()
{
    ui.cmdRegenCatalogue->setEnabled(m_catalogue->UpdateRegenButton() && !isWorking());
}

void fSHAREDGut::LoadCatalogue()
{
    const GutCatalogueLoad r = m_catalogue->LoadCatalogue(*m_list);
    ui.lblCatalogueDate->setText(r.dateLine);
    setWindowTitle(r.caption);
    Form_Resize();
    if (r.message.isEmpty())
        return;
    // While the window is being made, the message waits until it is on screen, so the
    // user sees what it is about.
    if (isVisible())
        showMessage(r.message);
    else
        m_loadMessage = r.message;
}

void fSHAREDGut::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_loadMessage.isEmpty())
        QTimer::singleShot(0, this, [this] { showMessage(std::exchange(m_loadMessage, {})); });
}

void fSHAREDGut::cmdUpdateCat_Click()
{
    if (isWorking())
        return;
    Working working(*this);
    if (m_catalogue->HasCatalogue()
        && !ask(translated("You already have a catalogue. Are you sure you want to download a new "
                           "one? (9mb or more of data)"),
                MessageBoxes::Yes | MessageBoxes::No))
        return;
    const bool australian = ask(translated("If you live in Australia, you can also access the "
                                           "Project Gutenberg Australia files. Do you live in "
                                           "Australia?"),
                                MessageBoxes::Yes | MessageBoxes::No);
    StartDownload(m_download->Start(folderAddress(ui.txtCatalogURL->text()), australian), true);
}

void fSHAREDGut::cmdRegenCatalogue_Click()
{
    if (isWorking())
        return;
    Working working(*this);
    if (!ask(translated("This will regenerate your catalogue using the downloaded source files. "
                        "Are you sure?"),
             MessageBoxes::Yes | MessageBoxes::No))
        return;
    m_catalogue->Regenerate();
}

// The parses have ended: the list shows what the index holds now (the new catalogue, or
// the old one when the new one was refused).
void fSHAREDGut::catalogueParsed()
{
    UpdateRegenButton();
    LoadCatalogue();
    updateWorking();
}

void fSHAREDGut::cmdWebCat_Click()
{
    if (isWorking())
        return;
    Working working(*this);
    showMessage(translated("Your web browser will now open with the Gutenberg index displayed.")
                + QStringLiteral("\r\n")
                + translated("Download the files 'LS-R' (NOT LS-lR!) and 'GUTINDEX.ALL' and save "
                             "them to %1")
                      .arg(QDir::toNativeSeparators(m_folder))
                + QStringLiteral("\r\n")
                + translated("Afterwards, click Regen Catalogue to create a catalogue from the "
                             "data."));
    openWebPage(QUrl(GutenbergHosts::FileTreeRoot()));
    if (ask(translated("Click OK once you've downloaded 'LS-R' and 'Gutindex.all'"),
            MessageBoxes::Ok | MessageBoxes::Cancel))
        UpdateRegenButton();
}

// ---- Downloads --------------------------------------------------------------------

void fSHAREDGut::StartDownload(const GutTransferRequest &request, bool getSize)
{
    ui.Timer1->setInterval(1000);
    ui.Timer1->start();
    m_finished = false;
    m_failed = false;
    m_downloading = true;
    updateWorking();
    try {
        if (!m_inet)
            throw Failure(FailureCode::TransferControlMissing,
                          QStringLiteral("The transfer window could not be made"));
        InternetTransfer &t = m_inet->transfer();
        t.ApplyProxy();
        t.MaxBytes = request.maxBytes;
        // A mirror may be a folder on this computer: the user typed it.
        t.AllowLocalFiles = true;
        // The transfer window shows the file, its progress and a Stop button.
        m_inet->setWindowState(Qt::WindowNoState);
        m_inet->show();
        t.DownloadFile(request.url, request.localFile, getSize);
    } catch (const std::exception &e) {
        const Failure f = Trace::asFailure(e);
        Trace::record(f, QStringLiteral("StartDownload"), kModule);
        setStatus(translated("Downloading: %1 - %2").arg(request.url, f.description()));
        m_downloading = false;
        m_failed = true;
        updateWorking();
    }
}

void fSHAREDGut::inet_Status(const QString &text)
{
    setStatus(text);
}

void fSHAREDGut::inet_DownloadFinished()
{
    DownloadCompleted();
    m_finished = true;
}

void fSHAREDGut::inet_DownloadError(const QString &message)
{
    setStatus(message);
    m_failed = true;
    DownloadCompleted();
    // The status line alone is easily missed: a download that failed says so.
    if (isVisible())
        showMessage(message);
}

// Stop in the transfer window ends the download as a failure: the sequence stops and
// nothing half-fetched is kept or opened.
void fSHAREDGut::inet_DownloadCancelled()
{
    setStatus(translated("Download cancelled"));
    m_failed = true;
    DownloadCompleted();
}

// No transfer could be made at all; the transfer reports that after its end.
void fSHAREDGut::inet_NoInternet()
{
    setStatus(translated("No connection to the internet could be made."));
    m_finished = false;
    m_failed = true;
    m_downloading = false;
    updateWorking();
}

void fSHAREDGut::DownloadCompleted()
{
    m_downloading = false;
    if (m_download->stage() == GutCatalogueDownload::Book) {
        bookCompleted();
        return;
    }
    using Completion = GutCatalogueDownload::Completion;
    Completion completion = Completion::Good;
    Trace::attempt(QStringLiteral("DownloadCompleted"), kModule, [&] {
        if (m_inet)
            m_inet->hide();
        if (m_failed) {
            // What arrived of it, if anything, goes; the sources stay as they were.
            QFile::remove(m_download->current().localFile);
            return;
        }
        completion = m_download->DownloadCompleted();
    });
    updateWorking();
    switch (completion) {
    case Completion::Good:
        if (!m_failed)
            setStatus(translated("Download finished"));
        break;
    case Completion::ErrorPage:
        // The server's error page came in place of the file: it is gone, and the sequence
        // stops rather than parse half a set of sources.
        setStatus(translated("Error - Could not retrieve file"));
        showMessage(translated("File not found on server. Please check the URL and try again."));
        break;
    case Completion::NotValid:
        setStatus(translated("Error - Could not retrieve file"));
        showMessage(translated("What %1 sent is not a %2 file, so the one you have was kept.")
                        .arg(m_download->current().url, m_download->SourceName()));
        break;
    case Completion::NotSaved:
        setStatus(translated("Error - Could not retrieve file"));
        showMessage(
            translated("The catalogue file could not be saved: %1").arg(m_download->Error()));
        break;
    }
}

void fSHAREDGut::bookCompleted()
{
    if (m_inet)
        m_inet->hide();
    // Completed answers, at once or once the archive is unpacked.
    m_book->DownloadCompleted(*m_bookRequest, m_failed);
    updateWorking();
}

void fSHAREDGut::bookDone(const GutBookOutcome &o)
{
    updateWorking();
    Trace::attempt(QStringLiteral("DownloadCompleted"), kModule, [&] {
        if (!o.status.isEmpty())
            setStatus(o.status);
        else if (!m_failed && o.message.isEmpty())
            setStatus(translated("Download finished"));
        if (!o.message.isEmpty())
            showMessage(o.message);
        if (!o.fileToLoad.isEmpty()) {
            StoreSettings();
            m_fileToLoad = o.fileToLoad;
            // Hiding ends the opener's modal display; the opener loads the book.
            hide();
            MessagePump::DoEvents();
        }
    });
}

void fSHAREDGut::Timer1_Timer()
{
    ui.Timer1->stop();
    const GutCatalogueDownload::Step step = m_download->Tick(m_finished, m_failed);
    switch (step.kind) {
    case GutCatalogueDownload::Step::Wait:
        ui.Timer1->start();
        break;
    case GutCatalogueDownload::Step::Fetch:
        StartDownload(step.request, true);
        break;
    case GutCatalogueDownload::Step::Parse:
        // On a worker thread; catalogueParsed shows the result.
        m_catalogue->Regenerate(step.withAustralian);
        break;
    case GutCatalogueDownload::Step::Stop:
        break;
    }
    updateWorking();
}

void fSHAREDGut::cmdDownload_Click()
{
    downloadBook(false);
}

void fSHAREDGut::cmdDownloadAndRead_Click()
{
    downloadBook(true);
}

void fSHAREDGut::downloadBook(bool readAfter)
{
    if (isWorking())
        return;
    Working working(*this);
    const QString procedure = readAfter ? QStringLiteral("sub cmddownloadandread_click")
                                        : QStringLiteral("sub cmddownload_click");
    Trace::attempt(procedure, kModule, [&] {
        GutBookInfo shown;
        shown.title = ui.lblTitle->text();
        shown.url = ui.txtUrl->text().trimmed();
        shown.fileName = ui.lblFilename->text();
        QString gutFiles;
        // The file list is large: read only when a "?" has to be resolved from it.
        if (shown.fileName.contains(u'?'))
            gutFiles = cSharedFileSubs::ReadWholeFile(m_catalogue->file(GutCatalogue::filesName()));
        const GutBookPrepared p =
            m_book->Prepare(shown, ui.txtDownloadPath->text(), readAfter, gutFiles);
        if (!p.message.isEmpty()) {
            showMessage(p.message);
            return;
        }
        showData(ui.txtDownloadPath, p.downloadPath);
        m_download->BeginBook();
        *m_bookRequest = p.request;
        StartDownload(p.request.transfer, true);
    });
}

// ---- The list and the book shown --------------------------------------------------

void fSHAREDGut::cmdFind_Click()
{
    const GutSearchResult r = m_list->Find(ui.txtSearch->text());
    if (r.row >= 0)
        selectRow(r.row);
    if (!r.message.isEmpty())
        showMessage(r.message);
}

void fSHAREDGut::cmdFindNext_Click()
{
    const GutSearchResult r = m_list->Next(ui.txtSearch->text(), selectedRow());
    if (r.row >= 0)
        selectRow(r.row);
    if (!r.message.isEmpty())
        showMessage(r.message);
}

int fSHAREDGut::selectedRow() const
{
    const QModelIndex current = ui.ListView1->currentIndex();
    if (!current.isValid() || !ui.ListView1->selectionModel()->isRowSelected(current.row()))
        return -1;
    return current.row();
}

void fSHAREDGut::selectRow(int row)
{
    const QModelIndex index = m_list->index(row, 0);
    const bool same = ui.ListView1->currentIndex().row() == row;
    ui.ListView1->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ui.ListView1->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // Found again where it already stood: no change of row announces it.
    if (same)
        ShowSelectedBook(row);
}

void fSHAREDGut::ListView1_ItemClick(int row)
{
    ShowSelectedBook(row);
}

void fSHAREDGut::ShowSelectedBook(int row)
{
    if (row < 0 || row >= m_list->count())
        return;
    const GutBookInfo info =
        GutBookInfo::ShowSelectedBook(m_list->book(row), folderAddress(ui.txtDLSource->text()));
    ui.lblTitle->setText(info.title);
    showData(ui.txtUrl, info.url);
    ui.lblFilename->setText(info.fileName);
}

void fSHAREDGut::cmdAmazon_Click()
{
    const QString title = ui.lblTitle->text().trimmed();
    if (title.isEmpty() || title == QLatin1String("-")) {
        showMessage(translated("Please select a book from the list first"));
        return;
    }
    openWebPage(GutBookInfo::BooksellerSearchFor(title));
}

// ---- The rest of the window -------------------------------------------------------

void fSHAREDGut::cmdProxy_Click()
{
    fSHAREDProxy proxy(this);
    proxy.exec();
}

void fSHAREDGut::cmdExit_Click()
{
    cancelWork();
    StoreSettings();
    hide();
    MessagePump::DoEvents();
}

// Leaving the window stops what it was doing: the transfer (its unfinished file goes),
// the catalogue sequence, the parses and unpacking, none of which then replaces anything.
void fSHAREDGut::cancelWork()
{
    ui.Timer1->stop();
    if (m_inet && m_inet->transfer().Running())
        m_inet->transfer().Cancel();
    m_catalogue->Cancel();
    m_book->Cancel();
    m_downloading = false;
    updateWorking();
}

void fSHAREDGut::updateWorking()
{
    const bool working = isWorking();
    for (QPushButton *b : { ui.cmdUpdateCat, ui.cmdWebCat, ui.cmdDownload, ui.cmdDownloadAndRead })
        b->setEnabled(!working);
    ui.cmdRegenCatalogue->setEnabled(!working && m_catalogue->UpdateRegenButton());
    // The window stays responsive while it works: the pointer says so.
    if (working)
        MousePointer::BackgroundBusyMouse();
    else
        MousePointer::NormalMouse();
}

void fSHAREDGut::askPassword(QString &password, bool &cancel)
{
    const QString question = translated("The book archive %1 is protected by a password. "
                                        "Please enter it:")
                                 .arg(m_bookRequest->fileName);
    if (const auto &answer = Seam::current<PasswordSeam>()) {
        const std::optional<QString> given = answer(question);
        cancel = !given;
        password = given.value_or(QString());
        return;
    }
    bool ok = false;
    password = QInputDialog::getText(this, ProgramInfo::exeName(), question, QLineEdit::Password,
                                     QString(), &ok);
    cancel = !ok;
}

void fSHAREDGut::reject()
{
    cmdExit_Click();
    setResult(QDialog::Rejected);
}

bool fSHAREDGut::isWorking() const
{
    return m_working > 0 || m_downloading || ui.Timer1->isActive() || m_catalogue->isBusy()
        || m_book->isBusy();
}

void fSHAREDGut::setStatus(const QString &text)
{
    ui.lblStatus->setText(text);
}

void fSHAREDGut::showMessage(const QString &text)
{
    MessageBoxes::show(this, MessageBoxes::Information, ProgramInfo::exeName(), text,
                       MessageBoxes::Ok);
}

bool fSHAREDGut::ask(const QString &text, int buttons)
{
    const int answer =
        MessageBoxes::show(this, MessageBoxes::Question, ProgramInfo::exeName(), text, buttons);
    // Only a button the question offered counts: an Ok to a Yes/No question is no Yes.
    return (answer & buttons & (MessageBoxes::Yes | MessageBoxes::Ok)) != 0;
}

void fSHAREDGut::openWebPage(const QUrl &url)
{
    if (Desktop::open(url))
        return;
    Log().AddAction(QStringLiteral("No browser took ") + url.toString(),
                    QStringLiteral("openWebPage"), kModule);
    showMessage(
        translated("The web browser could not be opened. Please visit %1").arg(url.toString()));
}

// ---- Layout -----------------------------------------------------------------------

void fSHAREDGut::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
}

void fSHAREDGut::Form_Resize()
{
    if (isMinimized())
        return;
    using C = fSHAREDGutControls;
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    // The window's height counts its title bar, as the design's sizes do.
    if ((height() + titleBar) * 15 < C::kMinHeightTwips) {
        resize(width(), C::px(C::kMinHeightTwips) - titleBar);
        return;
    }
    if (width() * 15 < C::kMinWidthTwips) {
        resize(C::px(C::kMinWidthTwips), height());
        return;
    }
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int gap = C::px(200);
    const int panelHeight = ui.fraBottom->sizeHint().height();
    const int listTop = gap / 2;
    const int listHeight = std::max(height() - panelHeight - 2 * border - gap - listTop, 0);
    const int listWidth = std::max(width() - 2 * border - gap, 0);
    ui.ListView1->setGeometry((width() - listWidth - border) / 2, listTop, listWidth, listHeight);
    const int filenameWidth = C::px(C::kFilenameColumnTwips);
    ui.ListView1->header()->resizeSection(GutBookList::FilenameColumn, filenameWidth);
    ui.ListView1->header()->resizeSection(
        GutBookList::BookColumn, std::max(listWidth - filenameWidth - scrollBar - 2 * border, 0));
    ui.fraBottom->setGeometry((width() - listWidth) / 2, listTop + listHeight + border, listWidth,
                              panelHeight);
}
