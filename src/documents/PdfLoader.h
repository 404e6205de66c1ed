#pragma once

#include "documents/FormatText.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>

class QThread;

// Reads a PDF on a worker thread and hands its text over in pieces, the first pages first,
// so a long book can be shown and read aloud within a moment while the rest comes in.
// Signals arrive on the thread the loader lives in. Destroying the loader cancels the
// reading and waits for the page in hand (never longer).
class PdfLoader : public QObject
{
    Q_OBJECT
public:
    // Pages in the first piece, and in each later one.
    static constexpr int kFirstPages = 3;
    static constexpr int kPagesPerPiece = 40;

    explicit PdfLoader(QObject *parent = nullptr);
    ~PdfLoader() override;

    // One reading per loader. A password is asked for only after `opened` said so.
    void start(const QString &path, const QByteArray &password = {});
    void cancel();

signals:
    // The outcome of opening, with the title; anything but Read ends the reading here.
    void opened(const FormatText &document);
    // Text to append to what came before; heading positions count in the whole text.
    void pagesRead(const QString &text, const QList<FormatHeading> &headings, int pagesDone,
                   int pageCount);
    // Every page read (complete) or the reading cancelled.
    void finished(bool complete);

private:
    QThread *m_thread = nullptr;
    std::atomic_bool m_cancel { false };
};
