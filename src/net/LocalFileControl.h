#pragma once

#include "net/InetControl.h"

#include <QFile>

#include <memory>

// The transfer control for a mirror on this computer (a copy of the file tree on a USB
// disk or a network share): "GET" of a "file:" address or an absolute path reads that
// file through the same states and chunks as a download from a server, so progress, the
// size bound, the temporary file and Stop work alike. Only an address the user gave is
// read this way; what a server names (a redirect) never reaches a local file.
class LocalFileControl : public InetControl
{
    Q_OBJECT
public:
    explicit LocalFileControl(QObject *parent = nullptr);
    ~LocalFileControl() override;

    void Execute(const QString &URL, const QString &Operation) override;
    void Cancel() override;
    QByteArray GetChunk(int Size) override;
    bool ChunkWaiting() const override;
    QString GetHeader(const QString &HeaderName) const override;
    bool StillExecuting() const override { return m_executing; }
    QString ResponseInfo() const override { return m_info; }

private:
    void open(quint64 generation, const QString &path);

    std::unique_ptr<QFile> m_file;
    quint64 m_generation = 0;
    bool m_executing = false;
    qint64 m_size = -1;
    QString m_info;
};
