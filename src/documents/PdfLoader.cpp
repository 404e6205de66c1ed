#include "documents/PdfLoader.h"

#include "documents/PdfReader.h"

#include <QThread>

PdfLoader::PdfLoader(QObject *parent)
    : QObject(parent)
{
}

PdfLoader::~PdfLoader()
{
    cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void PdfLoader::cancel()
{
    m_cancel = true;
}

void PdfLoader::start(const QString &path, const QByteArray &password)
{
    if (m_thread)
        return;
    m_thread = QThread::create([this, path, password] {
        PdfReader reader;
        FormatText all = reader.open(path, password);
        emit opened(all);
        if (!all.read()) {
            emit finished(false);
            return;
        }
        const int pages = reader.pageCount();
        qsizetype sentText = 0;
        qsizetype sentHeadings = 0;
        int done = 0;
        while (done < pages && !m_cancel) {
            const int count = done == 0 ? kFirstPages : kPagesPerPiece;
            reader.readPages(done, count, all);
            done = std::min(pages, done + count);
            if (done == pages)
                reader.finish(all);
            emit pagesRead(all.text.sliced(sentText), all.headings.sliced(sentHeadings), done,
                           pages);
            sentText = all.text.size();
            sentHeadings = all.headings.size();
        }
        emit finished(done == pages);
    });
    m_thread->start();
}
