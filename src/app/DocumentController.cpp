#include "app/DocumentController.h"

#include "app/ReaderWindow.h"
#include "app/SettingsSaver.h"
#include "base/Failure.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "documents/DocumentLoader.h"
#include "documents/mSharedBookmarks.h"
#include "ui/DocumentView.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"
#include "ui/ShowErr.h"
#include "ui/frmFileSelect.h"

#include <QDir>

namespace {

const QString kModule = QStringLiteral("frmMain");

// A command line may quote the path; the file, and so its bookmark, has no quotes.
QString unquoted(QString path)
{
    path.remove(QLatin1Char('"'));
    return path;
}

} // namespace

DocumentController::DocumentController(ReaderWindow &window, DocumentView &view)
    : m_window(window)
    , m_view(view)
    , m_bookmarks(std::make_unique<mSharedBookmarks>())
{
}

DocumentController::~DocumentController() = default;

bool DocumentController::SaveBookmarks()
{
    const bool saved = SettingsSaver::Save([this] { return m_bookmarks->SaveBookmarks(); },
                                           m_window.dialogParent());
    tellLoadProblems();
    return saved;
}

void DocumentController::StoreCurrentBookmark()
{
    if (!m_currentFile.isEmpty() && m_currentBookmark == Bookmark::Kept)
        m_bookmarks->StoreBookmark(unquoted(m_currentFile), m_view.SelStart());
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
    // Every step depends on the one before: the first that fails ends the load, and the
    // user learns which file and why.
    try {
        MousePointer::BusyMouse();
        // Read first: a file that cannot be read leaves the document open now, its caret
        // and the caption as they were.
        Document document = DocumentLoader::Load(file);
        StoreCurrentBookmark();
        m_currentFile = path;
        m_currentBookmark = bookmark;
        m_document = std::move(document);
        m_view.showDocument(m_document);
        const int position = bookmark == Bookmark::Kept ? m_bookmarks->RetrieveBookmark(file) : 0;
        tellLoadProblems();
        // A document that has shrunk since it was left starts again at the top.
        const bool fits = position > 0 && m_view.Text().size() >= position;
        m_view.setSelStart(fits ? position : 0);
        m_window.setCaption(QStringLiteral("Orlin - ") + cSharedFileSubs::FileOnly(file));
        m_window.setReloadEnabled(true);
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

bool DocumentController::ChooseAndLoad()
{
    const QString procedure = QStringLiteral("cmdLoad_Click");
    frmFileSelect dialog(m_window.dialogParent());
    dialog.setFilepattern(QStringLiteral("*.txt;*.text;*.html;*.htm;*.rtf"));
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
