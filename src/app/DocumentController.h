#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;
class RichTextBox;
class mSharedBookmarks;

// The main window's document: which file is open, loading it into the view (from the Load
// dialog, the command line or Reload) with the caret back where the user left it, and the
// bookmarks that remember those places from one run to the next.
class DocumentController
{
public:
    // `window` gets the document's name as its title and parents the Load dialog.
    DocumentController(QWidget &window, RichTextBox &view);
    ~DocumentController();

    // As given, quotes and all: Reload and close-down pass it on unchanged.
    const QString &CurrentFile() const { return m_currentFile; }

    // Keeps the caret of the document open now, then opens `path` into the view with the
    // caret at its bookmark (the top when it has none, or has shrunk below it). A file that
    // cannot be read is reported to the user and changes nothing; false then.
    // A document opened with Bookmark::None (the sample shown at the first start) neither
    // looks up nor leaves a bookmark.
    enum class Bookmark { Kept, None };
    bool LoadDocument(const QString &path, Bookmark bookmark = Bookmark::Kept);
    bool Reload()
    {
        return !m_currentFile.isEmpty() && LoadDocument(m_currentFile, m_currentBookmark);
    }
    // The Load dialog, starting in the folder used last; true when a document was opened.
    bool ChooseAndLoad();

    // Called whenever a document has been opened into the view, however it came.
    void setOpened(std::function<void()> opened) { m_opened = std::move(opened); }

    // Close-down: the open document's caret into the bookmarks, and the bookmarks saved.
    void StoreCurrentBookmark();
    void SaveBookmarks();
    mSharedBookmarks &bookmarks() { return *m_bookmarks; }

private:
    QWidget &m_window;
    RichTextBox &m_view;
    QString m_currentFile;
    Bookmark m_currentBookmark = Bookmark::Kept;
    std::unique_ptr<mSharedBookmarks> m_bookmarks;
    std::function<void()> m_opened;
};
