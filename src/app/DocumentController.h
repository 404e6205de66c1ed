#pragma once

#include "documents/Document.h"
#include "documents/FormatText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class DocumentReadAhead;
class DocumentView;
class ReaderWindow;
class mSharedBookmarks;

// The main window's document: which file is open, loading it into the view (from the Load
// dialog, the command line, the library or Reload) with the caret back where the user left
// it, and the bookmarks that remember those places from one run to the next.
//
// A PDF is read on a worker thread (PdfLoader): the load returns with its first pages shown,
// so reading can start, and the rest is appended to the view as it comes in. A PDF with a
// password asks for it (PasswordDialog), again after a wrong one, until the user cancels.
//
// A long plain text (a whole book) opened while the window is not yet on the screen (the
// document named on the command line) is shown the same way: the part up to its caret and a
// little beyond at once, so a reading can start, and the rest in slices from the event
// loop while the first sentence is heard; the window shows once the text is whole.
class DocumentController
{
public:
    // `window` gets the document's name as its caption and parents the Load dialog.
    DocumentController(ReaderWindow &window, DocumentView &view);
    ~DocumentController();

    // As given, quotes and all: Reload and close-down pass it on unchanged.
    const QString &CurrentFile() const { return m_currentFile; }
    // The document open now (empty before the first).
    const Document &CurrentDocument() const { return m_document; }

    // Keeps the caret of the document open now, then opens `path` into the view with the
    // caret at its bookmark (the top when it has none, or has shrunk below it), the file's
    // name in the caption and Reload enabled. A file that cannot be read is reported to the
    // user and changes nothing; false then. A document opened with Bookmark::None (the
    // sample shown at the first start) neither looks up nor leaves a bookmark.
    enum class Bookmark { Kept, None };
    bool LoadDocument(const QString &path, Bookmark bookmark = Bookmark::Kept);
    // Starts reading `path` on a worker thread for the next LoadDocument, which takes what
    // was read when it opens the same file (the document named on the command line is read
    // while the speech engine starts).
    void ReadAhead(const QString &path);
    bool Reload()
    {
        return !m_currentFile.isEmpty() && LoadDocument(m_currentFile, m_currentBookmark);
    }
    // The Load dialog, starting in the folder used last; true when a document was opened.
    bool ChooseAndLoad();
    // The Load dialog's named filters, "All documents" first.
    static QStringList DocumentFilters();

    // True while the rest of the open document is still being read.
    bool Loading() const { return !m_document.complete; }
    // True while the rest of a long text is still being put into the view.
    bool ShowingInSlices() const { return m_slicer.isActive(); }
    // Moves the caret to the start of heading `index` of the open document (its Contents).
    void GoToHeading(int index);

    // Told of what a long document's reading adds: text appended to the view, and whether
    // the document is whole now. Headings may have been added to CurrentDocument().
    std::function<void(const QString &appended, bool complete)> onTextAppended;
    // Told when the last slice of a long text is in the view.
    std::function<void()> onShownWhole;
    // Told whenever another document is shown (true) or headings were added to the one
    // shown (false): the Contents follow.
    std::function<void(bool another)> onDocumentChanged;

    // Close-down: the open document's caret into the bookmarks, and the bookmarks saved
    // (the user is asked or told where that fails); false when they were not.
    void StoreCurrentBookmark();
    bool SaveBookmarks();
    mSharedBookmarks &bookmarks() { return *m_bookmarks; }

private:
    void tellLoadProblems();
    // Shows `document` read from `path` with the caret at its bookmark; the last step of
    // every successful load.
    void show(const QString &path, Document document, Bookmark bookmark);
    // A PDF opened on a worker thread: asks for the password when it has one, waits for the
    // first pages and shows them. Throws as DocumentLoader does.
    bool loadPdf(const QString &path, const QString &file, Bookmark bookmark);
    struct PdfReading;
    std::unique_ptr<PdfReading> startPdf(const QString &file, const QByteArray &password);
    void pagesRead(PdfReading &reading, const QString &text, const QList<FormatHeading> &headings,
                   int done, int total);
    void pdfFinished(PdfReading &reading);
    void showCaption();
    // The end of the part of a plain text shown at once, its caret at `caret`: the whole
    // text when it is short.
    static qsizetype firstPartEnd(const QString &text, int caret);
    void showNextSlice();

    ReaderWindow &m_window;
    DocumentView &m_view;
    QString m_currentFile;
    Document m_document;
    Bookmark m_currentBookmark = Bookmark::Kept;
    std::unique_ptr<mSharedBookmarks> m_bookmarks;
    std::unique_ptr<PdfReading> m_pdf;
    std::unique_ptr<DocumentReadAhead> m_readAhead;
    // A bookmark past the pages read so far: the caret goes there once they are read,
    // unless the user has moved it meanwhile; -1 for none.
    int m_pendingCaret = -1;
    QString m_progress; // the caption's note while pages are still being read
    // How much of a long plain text the view shows so far, and the timer that shows the
    // next slice of the rest.
    qsizetype m_shownUpTo = 0;
    QTimer m_slicer;
};
