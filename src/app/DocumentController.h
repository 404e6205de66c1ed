#pragma once

#include "documents/Document.h"

#include <QString>
#include <memory>

class DocumentView;
class ReaderWindow;
class mSharedBookmarks;

// The main window's document: which file is open, loading it into the view (from the Load
// dialog, the command line, the library or Reload) with the caret back where the user left
// it, and the bookmarks that remember those places from one run to the next.
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
    bool Reload()
    {
        return !m_currentFile.isEmpty() && LoadDocument(m_currentFile, m_currentBookmark);
    }
    // The Load dialog, starting in the folder used last; true when a document was opened.
    bool ChooseAndLoad();

    // Close-down: the open document's caret into the bookmarks, and the bookmarks saved
    // (the user is asked or told where that fails); false when they were not.
    void StoreCurrentBookmark();
    bool SaveBookmarks();
    mSharedBookmarks &bookmarks() { return *m_bookmarks; }

private:
    void tellLoadProblems();

    ReaderWindow &m_window;
    DocumentView &m_view;
    QString m_currentFile;
    Document m_document;
    Bookmark m_currentBookmark = Bookmark::Kept;
    std::unique_ptr<mSharedBookmarks> m_bookmarks;
};
