#include "net/LocalFileControl.h"

#include "base/Failure.h"
#include "base/cSharedLang.h"
#include "net/UrlText.h"

#include <QFileInfo>
#include <QMetaObject>

namespace {

QString msg(const char *text)
{
    return Lang().GetTranslation(QString::fromUtf8(text));
}

} // namespace

LocalFileControl::LocalFileControl(QObject *parent)
    : InetControl(parent)
{
}

LocalFileControl::~LocalFileControl() = default;

void LocalFileControl::Execute(const QString &URL, const QString &Operation)
{
    Cancel();
    m_executing = true;
    const QString verb = Operation.trimmed().section(u' ', 0, 0).toUpper();
    QString path = UrlText::localPath(URL);
    if (!verb.isEmpty() && verb != QLatin1String("GET"))
        path.clear();
    // Answered from the event loop, as a server's answer would be: the caller has
    // finished starting the request before its first state arrives.
    QMetaObject::invokeMethod(
        this, [this, g = m_generation, path, URL] { open(g, path.isEmpty() ? URL : path); },
        Qt::QueuedConnection);
}

void LocalFileControl::open(quint64 generation, const QString &path)
{
    if (generation != m_generation)
        return;
    const QFileInfo info(path);
    auto file = std::make_unique<QFile>(path);
    if (!info.isAbsolute() || !info.isFile()) {
        m_executing = false;
        m_info = info.exists() ? msg("%1 is not a file.").arg(path)
                               : msg("The file %1 does not exist.").arg(path);
        emit StateChanged(InetState::Error);
        return;
    }
    if (!file->open(QIODevice::ReadOnly)) {
        m_executing = false;
        m_info = msg("The file %1 could not be read: %2").arg(path, file->errorString());
        emit StateChanged(InetState::Error);
        return;
    }
    m_size = file->size();
    m_file = std::move(file);
    emit StateChanged(InetState::ResponseReceived);
    if (generation == m_generation)
        emit StateChanged(InetState::ResponseCompleted);
}

void LocalFileControl::Cancel()
{
    ++m_generation;
    m_file.reset();
    m_executing = false;
    m_size = -1;
}

QByteArray LocalFileControl::GetChunk(int Size)
{
    if (!m_file)
        return {};
    const qint64 wanted = Size <= 0 || Size > 1024 ? 1024 : Size;
    QByteArray chunk(wanted, Qt::Uninitialized);
    const qint64 n = m_file->read(chunk.data(), wanted);
    if (n < 0) {
        const QString why =
            msg("The file %1 could not be read: %2").arg(m_file->fileName(), m_file->errorString());
        Cancel();
        throw Failure(InetError::RequestFailed, why);
    }
    chunk.truncate(n);
    if (n == 0) {
        m_file.reset();
        m_executing = false;
    }
    return chunk;
}

bool LocalFileControl::ChunkWaiting() const
{
    return m_file != nullptr;
}

QString LocalFileControl::GetHeader(const QString &HeaderName) const
{
    if (m_size >= 0
        && HeaderName.compare(QLatin1String("Content-Length"), Qt::CaseInsensitive) == 0)
        return QString::number(m_size);
    return {};
}
