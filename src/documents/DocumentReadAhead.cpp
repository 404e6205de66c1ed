#include "documents/DocumentReadAhead.h"

#include "documents/DocumentLoader.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Nothing here may speak to the user or touch what the rest of the program shares (the
// language, the log, the table of open files): the worker gives up where the loader would
// have something to say.
std::optional<Document> readAhead(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QByteArray head = bytes.first(std::min<qsizetype>(bytes.size(), 128));
    if (file.error() != QFileDevice::NoError
        || DocumentLoader::FormatOf(path, head) != DocumentLoader::Format::Text)
        return std::nullopt;
    return DocumentLoader::FromBytes(path, bytes);
}

} // namespace

DocumentReadAhead::DocumentReadAhead(const QString &path)
    : m_path(path)
{
    m_worker = std::thread([this] {
        try {
            m_document = readAhead(m_path);
        } catch (...) {
            // Nothing read ahead: the load reads the file as ever, and tells what fails.
        }
    });
}

DocumentReadAhead::~DocumentReadAhead()
{
    if (m_worker.joinable())
        m_worker.join();
}

std::optional<Document> DocumentReadAhead::take(const QString &path)
{
    if (m_worker.joinable())
        m_worker.join();
    if (path != m_path)
        return std::nullopt;
    return std::exchange(m_document, std::nullopt);
}
