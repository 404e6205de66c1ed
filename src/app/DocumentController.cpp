#include "app/DocumentController.h"

#include "base/Failure.h"
#include "base/MessageBoxes.h"
#include "base/MessagePump.h"
#include "base/MousePointer.h"
#include "base/Trace.h"
#include "base/cSHAREDSettings.h"
#include "base/cSharedFileSubs.h"
#include "base/cSharedLang.h"
#include "documents/DocumentLoader.h"
#include "documents/mSharedBookmarks.h"
#include "ui/RichTextBox.h"
#include "ui/frmFileSelect.h"

#include <QDir>
#include <QTextCharFormat>

namespace {

const QString kModule = QStringLiteral("frmMain");

// A command line may quote the path; the file, and so its bookmark, has no quotes.
QString unquoted(QString path)
{
    path.remove(QLatin1Char('"'));
    return path;
}

} // namespace

DocumentController::DocumentController(QWidget &window, RichTextBox &view)
    : m_window(window)
    , m_view(view)
    , m_bookmarks(std::make_unique<mSharedBookmarks>())
{
}

DocumentController::~DocumentController() = default;

void DocumentController::SaveBookmarks()
{
    m_bookmarks->SaveBookmarks();
}

void DocumentController::StoreCurrentBookmark()
{
    if (!m_currentFile.isEmpty() && m_currentBookmark == Bookmark::Kept)
        m_bookmarks->StoreBookmark(unquoted(m_currentFile), m_view.SelStart());
}

bool DocumentController::LoadDocument(const QString &path, Bookmark bookmark)
{
    const QString procedure = QStringLiteral("LoadDocument");
    const QString file = unquoted(path);
    Trace::attempt(procedure, kModule, [&] {
        MousePointer::BusyMouse();
        MessagePump::DoEvents();
    });
    DocumentContent content;
    Trace::attempt(procedure, kModule, [&] { content = DocumentLoader::Load(file); });
    if (!content.read) {
        // Nothing is lost: the document open now, its caret and the title stay as they
        // were, and the user learns why.
        Trace::quietly([] { MousePointer::NormalMouse(); });
        MessageBoxes::show(
            &m_window, MessageBoxes::Warning, QStringLiteral("Orlin"),
            Lang().GetTranslation(QStringLiteral("%1 could not be opened.")).arg(file)
                + QLatin1Char('\n') + content.failure);
        return false;
    }

    Trace::attempt(procedure, kModule, [&] { StoreCurrentBookmark(); });
    m_currentFile = path;
    m_currentBookmark = bookmark;
    Trace::attempt(procedure, kModule, [&] {
        if (content.rich) {
            m_view.setTextRTF(content.text);
        } else {
            // Plain text takes the format at the caret; after an RTF document that may
            // be underlined or coloured, so start from the view's own plain format.
            m_view.setCurrentCharFormat(QTextCharFormat());
            m_view.setText(content.text);
        }
    });
    Trace::attempt(procedure, kModule, [&] {
        const int position = bookmark == Bookmark::Kept ? m_bookmarks->RetrieveBookmark(file) : 0;
        // A document that has shrunk since it was left starts again at the top.
        const bool fits = position > 0 && m_view.Text().size() >= position;
        m_view.setSelStart(fits ? position : 0);
    });
    Trace::attempt(procedure, kModule, [&] {
        m_window.setWindowTitle(QStringLiteral("Orlin - ") + cSharedFileSubs::FileOnly(file));
    });
    if (m_opened)
        Trace::attempt(procedure, kModule, [&] { m_opened(); });
    Trace::attempt(procedure, kModule, [&] {
        MousePointer::NormalMouse();
        MessagePump::DoEvents();
    });
    return true;
}

bool DocumentController::ChooseAndLoad()
{
    const QString procedure = QStringLiteral("cmdLoad_Click");
    frmFileSelect dialog(&m_window);
    dialog.setFilepattern(QStringLiteral("*.txt;*.text;*.html;*.htm;*.rtf"));
    Trace::attempt(procedure, kModule, [&] {
        dialog.setWindowTitle(
            Lang().GetTranslation(QStringLiteral("Please select a file to open.")));
    });
    try {
        dialog.setDefaultPath(
            Settings().sGet(QStringLiteral("Path"), QDir::currentPath()).toString());
    } catch (const Failure &failure) {
        // The saved folder has gone or is closed to us: open where the program stands.
        if (failure.code() == FailureCode::PathFileAccess
            || failure.code() == FailureCode::PathNotFound)
            Trace::quietly([&] { dialog.setDefaultPath(QDir::currentPath()); });
    } catch (const std::exception &) {
    }
    Trace::attempt(procedure, kModule, [&] { dialog.GetFilename(); });
    if (dialog.Cancelled() || dialog.SelectedFilename().isEmpty())
        return false;
    const QString folder = dialog.SelectedPath() + QLatin1Char('/');
    Trace::attempt(procedure, kModule, [&] { Settings().sSet(QStringLiteral("Path"), folder); });
    bool loaded = false;
    Trace::attempt(procedure, kModule,
                   [&] { loaded = LoadDocument(folder + dialog.SelectedFilename()); });
    return loaded;
}
