#pragma once

#include "documents/Document.h"

#include <QString>
#include <optional>
#include <thread>

// A text document read on a worker thread while the program does other things: the
// document named on the command line is read while the speech engine starts. Only plain
// text and HTML files are read ahead, and only where nothing has to be said about them;
// anything else (another format, a file that cannot be read) is left to
// DocumentLoader::Load, which tells the user why. Going away waits for the worker, which
// reads one file.
class DocumentReadAhead
{
public:
    explicit DocumentReadAhead(const QString &path);
    ~DocumentReadAhead();
    DocumentReadAhead(const DocumentReadAhead &) = delete;
    DocumentReadAhead &operator=(const DocumentReadAhead &) = delete;

    // The document DocumentLoader::Load would make of `path`, once the worker has read it;
    // nothing when `path` is another file or was not read ahead.
    std::optional<Document> take(const QString &path);

private:
    const QString m_path;
    std::optional<Document> m_document;
    std::thread m_worker;
};
