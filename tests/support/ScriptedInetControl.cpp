#include "support/ScriptedInetControl.h"

void ScriptedInetControl::Execute(const QString &URL, const QString &Operation)
{
    calls.append({ URL, Operation });
    executing = true;
}

void ScriptedInetControl::Cancel()
{
    ++cancels;
    executing = false;
}

QByteArray ScriptedInetControl::GetChunk(int Size)
{
    if (!chunks.isEmpty()) {
        QByteArray chunk = chunks.takeFirst();
        if (chunk.size() > Size)
            chunks.prepend(chunk.mid(Size));
        return chunk.left(Size);
    }
    if (failure)
        throw *failure;
    return {};
}

bool ScriptedInetControl::ChunkWaiting() const
{
    return !chunks.isEmpty() || bodyOver;
}

QString ScriptedInetControl::GetHeader(const QString &HeaderName) const
{
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key().compare(HeaderName, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return {};
}

void ScriptedInetControl::raise(std::initializer_list<int> states)
{
    for (int s : states)
        emit StateChanged(s);
}

void ScriptedInetControl::arrive(const QByteArray &chunk)
{
    chunks.append(chunk);
    emit ChunkArrived();
}

ScriptedInetControl::Scope::Scope()
    : m_factory([this]() -> std::unique_ptr<InetControl> {
        if (missing)
            return nullptr;
        auto control = std::make_unique<ScriptedInetControl>();
        m_last = control.get();
        return control;
    })
{
}

ScriptedInetControl::Scope::~Scope() = default;
