#include "app/DocumentController.h"

#include "app/PasswordDialog.h"
#include "app/ReaderWindow.h"
#include "app/SettingsSaver.h"
#include "base/Failure.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "documents/DocumentLoader.h"
#include "documents/DocumentReadAhead.h"
#include "documents/PdfLoader.h"
#include "documents/mSharedBookmarks.h"
#include "ui/DocumentView.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"
#include "ui/frmFileSelect.h"

#include <QDir>
#include <QEventLoop>
#include <algorithm>

namespace {

constexpr int kFirstSliceAfterMs = 100;

// Where a part of a long text that reaches `from` ends: just past the line end at or after
// it, so each part is shown as the lines it holds; the text's end when none follows.
qsizetype lineEndFrom(const QString &text, qsizetype from)
{
    if (from >= text.size())
        return text.size();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), from);
    return lineEnd < 0 ? text.size() : lineEnd + 1;
}

const QString kModule = QStringLiteral("frmMain");

// A command line may quote the path; the file, and so its bookmark, has no quotes.
QString unquoted(QString path)
{
    path.remove(QLatin1Char('"'));
    return path;
}

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

// The caption's note on a long PDF still being read.
QString pagesNote(int done, int total)
{
    return QStringLiteral(" (") + translated("%1 of %2 pages read").arg(done).arg(total)
        + QLatin1Char(')');
}

Document::Heading shownHeading(const FormatHeading &heading, qsizetype offset)
{
    return { heading.text.simplified(), int(offset + heading.position),
             std::max(heading.level, 1) };
}

} // namespace

// A PDF being read on its worker thread, and what it has handed over while the load still
// waits for its first pages.
struct DocumentController::PdfReading
{
    PdfLoader loader;
    bool waiting = true; // the first pages are not shown yet
    QEventLoop *wait = nullptr;
    FormatText opened;
    QString text;
    QList<FormatHeading> headings;
    int done = 0;
    int total = 0;
    bool ended = false;
};

DocumentController::DocumentController(ReaderWindow &window, DocumentView &view)
    : m_window(window)
    , m_view(view)
    , m_bookmarks(std::make_unique<mSharedBookmarks>())
{
    m_slicer.setSingleShot(true);
    QObject::connect(&m_slicer, &QTimer::timeout, [this] { showNextSlice(); });
}

DocumentController::~DocumentController() = default;

QStringList DocumentController::DocumentFilters()
{
    const auto named = [](const QString &name, const char *patterns) {
        return name + QStringLiteral(" (") + QString::fromLatin1(patterns) + QLatin1Char(')');
    };
    return {
        named(translated("All documents"),
              "*.txt *.text *.html *.htm *.rtf *.epub *.pdf *.docx *.odt *.md *.markdown"),
        named(translated("EPUB books"), "*.epub"),
        named(translated("PDF documents"), "*.pdf"),
        named(translated("Word documents"), "*.docx"),
        named(translated("OpenDocument texts"), "*.odt"),
        named(translated("Markdown documents"), "*.md *.markdown"),
        named(translated("Text, HTML and RTF documents"), "*.txt *.text *.html *.htm *.rtf"),
    };
}

void DocumentController::GoToHeading(int index)
{
    if (index < 0 || index >= m_document.headings.size())
        return;
    m_pendingCaret = -1;
    m_view.setSelStart(m_document.headings[index].position);
}

bool DocumentController::SaveBookmarks()
{
    const bool saved = SettingsSaver::Save([this] { return m_bookmarks->SaveBookmarks(); },
                                           m_window.dialogParent());
    tellLoadProblems();
    return saved;
}

void DocumentController::StoreCurrentBookmark()
{
    // A bookmark still waiting for its page stays what it was.
    const int caret = m_pendingCaret >= 0 ? m_pendingCaret : m_view.SelStart();
    if (!m_currentFile.isEmpty() && m_currentBookmark == Bookmark::Kept)
        m_bookmarks->StoreBookmark(unquoted(m_currentFile), caret);
    tellLoadProblems();
}

// The bookmark file is read on first use: lines of it that could not be read are told then.
void DocumentController::tellLoadProblems()
{
    for (const QString &problem : m_bookmarks->TakeLoadProblems())
        ShowErr(problem);
}

bool DocumentController::LoadDocument(const QString &path, Bookmark bookmark)
{
    const QString file = unquoted(path);
    // What was read ahead serves this load or none.
    const std::unique_ptr<DocumentReadAhead> ahead = std::move(m_readAhead);
    // Every step depends on the one before: the first that fails ends the load, and the
    // user learns which file and why.
    try {
        MousePointer::BusyMouse();
        // Read first: a file that cannot be read leaves the document open now, its caret
        // and the caption as they were.
        if (DocumentLoader::FormatOfFile(file) == DocumentLoader::Format::Pdf) {
            const bool loaded = loadPdf(path, file, bookmark);
            MousePointer::NormalMouse();
            return loaded;
        }
        std::optional<Document> readAhead = ahead ? ahead->take(file) : std::nullopt;
        show(path, readAhead ? std::move(*readAhead) : DocumentLoader::Load(file), bookmark);
        m_pdf.reset();
        MousePointer::NormalMouse();
        return true;
    } catch (const std::exception &e) {
        MousePointer::NormalMouse();
        const Failure failure = Trace::asFailure(e);
        Trace::record(failure, QStringLiteral("LoadDocument"), kModule);
        MessageBoxes::show(
            m_window.dialogParent(), MessageBoxes::Warning, QStringLiteral("Orlin"),
            Lang().GetTranslation(QStringLiteral("%1 could not be opened.")).arg(file)
                + QLatin1Char('\n') + failure.description());
    }
    return false;
}

void DocumentController::ReadAhead(const QString &path)
{
    m_readAhead = std::make_unique<DocumentReadAhead>(unquoted(path));
}

void DocumentController::show(const QString &path, Document document, Bookmark bookmark)
{
    const QString file = unquoted(path);
    StoreCurrentBookmark();
    m_slicer.stop();
    m_pendingCaret = -1;
    m_currentFile = path;
    m_currentBookmark = bookmark;
    m_document = std::move(document);
    const int position = bookmark == Bookmark::Kept ? m_bookmarks->RetrieveBookmark(file) : 0;
    // On the screen, a view lays out all it is given at once: there the text goes in whole.
    m_shownUpTo = m_document.rich() || !m_document.complete || m_view.isOnScreen()
        ? m_document.text.size()
        : firstPartEnd(m_document.text, position);
    if (m_shownUpTo < m_document.text.size()) {
        m_view.showBeginning(m_document, m_shownUpTo);
        m_document.complete = false;
        // The first slice waits for the reading to begin: its first sentence is heard the
        // sooner for it.
        m_slicer.start(kFirstSliceAfterMs);
    } else {
        m_view.showDocument(m_document);
    }
    tellLoadProblems();
    // A document that has shrunk since it was left starts again at the top; one still being
    // read gets its caret when the pages up to it are in.
    const bool fits = position > 0 && m_view.Text().size() >= position;
    m_view.setSelStart(fits ? position : 0);
    if (position > 0 && !fits && !m_document.complete)
        m_pendingCaret = position;
    m_progress.clear();
    showCaption();
    m_window.setReloadEnabled(true);
    if (onDocumentChanged)
        onDocumentChanged(true);
}

void DocumentController::showCaption()
{
    m_window.setCaption(QStringLiteral("Orlin - ")
                        + cSharedFileSubs::FileOnly(unquoted(m_currentFile)) + m_progress);
}

std::unique_ptr<DocumentController::PdfReading>
DocumentController::startPdf(const QString &file, const QByteArray &password)
{
    auto reading = std::make_unique<PdfReading>();
    PdfReading *r = reading.get();
    PdfLoader *loader = &r->loader;
    // The loader is the context: what it sent after it has gone is never delivered.
    QObject::connect(loader, &PdfLoader::opened, loader,
                     [r](const FormatText &opened) { r->opened = opened; });
    QObject::connect(loader, &PdfLoader::pagesRead, loader,
                     [this, r](const QString &text, const QList<FormatHeading> &headings, int done,
                               int total) { pagesRead(*r, text, headings, done, total); });
    QObject::connect(loader, &PdfLoader::finished, loader, [this, r](bool) {
        r->ended = true;
        if (r->waiting) {
            if (r->wait)
                r->wait->quit();
        } else {
            pdfFinished(*r);
        }
    });
    loader->start(file, password);
    // Only the first pages are waited for; the user's input waits with them.
    QEventLoop wait;
    r->wait = &wait;
    if (!r->ended && r->done == 0)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    r->wait = nullptr;
    return reading;
}

bool DocumentController::loadPdf(const QString &path, const QString &file, Bookmark bookmark)
{
    DocumentLoader::CheckReadable(file);
    QByteArray password;
    QString problem;
    for (;;) {
        std::unique_ptr<PdfReading> reading = startPdf(file, password);
        const FormatText::Outcome outcome = reading->opened.outcome;
        if (outcome == FormatText::Outcome::NeedsPassword
            || outcome == FormatText::Outcome::WrongPassword) {
            if (outcome == FormatText::Outcome::WrongPassword)
                problem = reading->opened.failure;
            MousePointer::NormalMouse();
            const std::optional<QString> answer = PasswordDialog::Ask(
                m_window.dialogParent(), cSharedFileSubs::FileOnly(file), problem);
            MousePointer::BusyMouse();
            if (!answer) {
                // Cancelled after a wrong password: the user learns why nothing opened.
                if (!problem.isEmpty())
                    throw DocumentLoader::FormatFailure(reading->opened);
                return false;
            }
            password = answer->toUtf8();
            continue;
        }
        FormatText first = reading->opened;
        first.text = reading->text;
        first.headings = reading->headings;
        if (first.read() && reading->ended && first.text.trimmed().isEmpty())
            first = FormatText::failed(FormatText::Outcome::NoText);
        Document document =
            DocumentLoader::FromFormatText(file, first, DocumentLoader::Format::Pdf);
        document.complete = reading->ended;
        reading->waiting = false;
        const int done = reading->done;
        const int total = reading->total;
        show(path, std::move(document), bookmark);
        m_pdf = std::move(reading);
        if (!m_pdf->ended && done < total) {
            m_progress = pagesNote(done, total);
            showCaption();
        }
        return true;
    }
}

void DocumentController::pagesRead(PdfReading &reading, const QString &text,
                                   const QList<FormatHeading> &headings, int done, int total)
{
    reading.done = done;
    reading.total = total;
    if (reading.waiting) {
        reading.text += text;
        reading.headings += headings;
        if (reading.wait)
            reading.wait->quit();
        return;
    }
    // Positions the loader gives count in its whole text, which the document is: the
    // pieces are shown as they come (PDF text has no CR LF for ShownText to shrink).
    const QString shown = Document::ShownText(text);
    for (const FormatHeading &heading : headings) {
        if (!heading.text.trimmed().isEmpty())
            m_document.headings.append(shownHeading(heading, 0));
    }
    m_document.text += shown;
    m_view.appendText(shown);
    if (m_pendingCaret >= 0 && m_view.SelStart() == 0 && m_view.SelLength() == 0
        && m_view.Text().size() >= m_pendingCaret) {
        m_view.setSelStart(m_pendingCaret);
        m_pendingCaret = -1;
    }
    m_progress = done < total ? pagesNote(done, total) : QString();
    showCaption();
    if (onTextAppended)
        onTextAppended(shown, done >= total);
    if (!headings.isEmpty() && onDocumentChanged)
        onDocumentChanged(false);
}

qsizetype DocumentController::firstPartEnd(const QString &text, int caret)
{
    // What a view lays out in a moment; shorter texts are shown whole.
    constexpr qsizetype kBeyondCaret = 32 * 1024;
    return lineEndFrom(text, std::max<qsizetype>(caret, 0) + kBeyondCaret);
}

void DocumentController::showNextSlice()
{
    // A slice a hidden view takes in well under the time the sound card's buffer lasts, so
    // the sentence being heard does not stutter while the rest comes in.
    constexpr qsizetype kSlice = 128 * 1024;
    const QString &text = m_document.text;
    if (m_shownUpTo >= text.size())
        return;
    const qsizetype end = lineEndFrom(text, m_shownUpTo + kSlice);
    const QString slice = text.mid(m_shownUpTo, end - m_shownUpTo);
    m_shownUpTo = end;
    m_view.appendText(slice);
    // The reading has the whole text already (the view's Text()): nothing is appended to it.
    const bool whole = m_shownUpTo >= text.size();
    m_document.complete = whole;
    if (!whole)
        m_slicer.start(0);
    else if (onShownWhole)
        onShownWhole();
}

void DocumentController::pdfFinished(PdfReading &reading)
{
    if (m_pdf.get() != &reading)
        return;
    m_document.complete = true;
    // A bookmark past the end of what the file now holds is dropped, as for any document.
    m_pendingCaret = -1;
    m_progress.clear();
    showCaption();
    // The loader's thread has ended; the loader itself, whose signal runs this, goes with
    // the next document.
}

bool DocumentController::ChooseAndLoad()
{
    const QString procedure = QStringLiteral("cmdLoad_Click");
    frmFileSelect dialog(m_window.dialogParent());
    dialog.setFilepattern(QStringLiteral(
        "*.txt;*.text;*.html;*.htm;*.rtf;*.epub;*.pdf;*.docx;*.odt;*.md;*.markdown"));
    dialog.setNameFilters(DocumentFilters());
    dialog.setWindowTitle(Lang().GetTranslation(QStringLiteral("Please select a file to open.")));
    try {
        dialog.setDefaultPath(
            Settings().sGet(QStringLiteral("Path"), QDir::currentPath()).toString());
    } catch (const std::exception &e) {
        // The saved folder has gone or is closed to us: the dialog opens where the program
        // stands (any other failure leaves it where the dialog starts by itself).
        const Failure failure = Trace::asFailure(e);
        Trace::record(failure, procedure, kModule);
        if (failure.code() == FailureCode::PathFileAccess
            || failure.code() == FailureCode::PathNotFound)
            dialog.setDefaultPath(QDir::currentPath());
    }
    dialog.GetFilename();
    if (dialog.Cancelled() || dialog.SelectedFilename().isEmpty())
        return false;
    const QString folder = dialog.SelectedPath() + QLatin1Char('/');
    Settings().sSet(QStringLiteral("Path"), folder);
    return LoadDocument(folder + dialog.SelectedFilename());
}
