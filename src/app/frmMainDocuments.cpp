// The main window's document handling: opening a document from the Load dialog, the
// command line or Reload, with the caret kept per document, and the pronunciation editor.
#include "app/frmMain.h"
#include "base/Failure.h"
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
#include "ui/frmLex.h"

#include <QDir>
#include <QPushButton>
#include <QTextCharFormat>

namespace {

const QString kModule = QStringLiteral("frmMain");

} // namespace

void frmMain::LoadDocument(const QString &path)
{
    const QString procedure = QStringLiteral("LoadDocument");
    if (!m_currentFile.isEmpty()) {
        Trace::attempt(procedure, kModule, [&] {
            mSharedBookmarks::StoreBookmark(m_currentFile, RichTextBox1->SelStart());
        });
    }
    // Kept as given, quotes and all: Reload and close-down pass it on unchanged.
    m_currentFile = path;
    Trace::attempt(procedure, kModule, [&] {
        MousePointer::BusyMouse();
        MessagePump::DoEvents();
    });

    QString file = path;
    file.remove(QLatin1Char('"'));
    Trace::attempt(procedure, kModule, [&] {
        const DocumentContent content = DocumentLoader::Load(file);
        if (content.rich) {
            RichTextBox1->setTextRTF(content.text);
        } else {
            // Plain text takes the format at the caret; after an RTF document that may
            // be underlined or coloured, so start from the view's own plain format.
            RichTextBox1->setCurrentCharFormat(QTextCharFormat());
            RichTextBox1->setText(content.text);
        }
    });
    Trace::attempt(procedure, kModule, [&] {
        const int position = mSharedBookmarks::RetrieveBookmark(file);
        // A document that has shrunk since it was left starts again at the top.
        const bool fits = position > 0 && RichTextBox1->Text().size() >= position;
        RichTextBox1->setSelStart(fits ? position : 0);
    });
    Trace::attempt(procedure, kModule, [&] {
        setWindowTitle(QStringLiteral("Orlin - ") + cSharedFileSubs::FileOnly(file));
    });
    Trace::attempt(procedure, kModule, [&] {
        MousePointer::NormalMouse();
        MessagePump::DoEvents();
    });
}

void frmMain::cmdLoad_Click()
{
    const QString procedure = QStringLiteral("cmdLoad_Click");
    Trace::quietly([&] { StopReading(); });
    frmFileSelect dialog(this);
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
    if (!dialog.Cancelled() && !dialog.SelectedFilename().isEmpty()) {
        const QString folder = dialog.SelectedPath() + QLatin1Char('/');
        Trace::attempt(procedure, kModule,
                       [&] { Settings().sSet(QStringLiteral("Path"), folder); });
        Trace::attempt(procedure, kModule,
                       [&] { LoadDocument(folder + dialog.SelectedFilename()); });
        cmdReload->setEnabled(true);
    }
    Trace::quietly([] { MousePointer::NormalMouse(); });
}

void frmMain::mnuPron_Click()
{
    Trace::attempt(QStringLiteral("mnuPron_Click"), kModule, [&] {
        if (!m_dict)
            throw Failure(91, QStringLiteral("Object variable not set"));
        frmLex dialog(m_dict.get(), this);
        dialog.exec();
    });
}
