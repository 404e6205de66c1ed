#include "library/GutCatalogueDownload.h"

#include "library/GutCatalogue.h"
#include "library/GutIndexFormat.h"
#include "library/GutenbergHosts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

GutCatalogueDownload::GutCatalogueDownload(QString programFolder)
    : m_folder(std::move(programFolder))
{
}

GutTransferRequest GutCatalogueDownload::request(const QString &url, const QString &fileName) const
{
    GutTransferRequest r;
    r.url = url;
    r.localFolder = QDir::toNativeSeparators(m_folder) + QDir::separator();
    r.localFile = QDir(m_folder).filePath(u'.' + fileName + QStringLiteral(".download"));
    r.maxBytes = MaxSourceBytes;
    return r;
}

GutTransferRequest GutCatalogueDownload::Start(const QString &catalogURL, bool wantsAustralian)
{
    m_catalogURL = catalogURL;
    m_wantsAustralian = wantsAustralian;
    m_stage = FetchingListing;
    m_sourceName = GutCatalogue::lsRName();
    m_current = request(catalogURL + m_sourceName, m_sourceName);
    return m_current;
}

GutCatalogueDownload::Completion GutCatalogueDownload::DownloadCompleted()
{
    const QString arrived = m_current.localFile;
    m_error.clear();
    Completion result = Completion::Good;
    QByteArray head;
    {
        QFile f(arrived);
        if (f.open(QIODevice::ReadOnly))
            head = f.read(1024 * 1024);
    }
    if (IsErrorPage(arrived)) {
        result = Completion::ErrorPage;
    } else if (!(m_sourceName == GutCatalogue::lsRName() ? GutIndexFormat::looksLikeListing(head)
                     : m_sourceName == GutCatalogue::gutindexName()
                     ? GutIndexFormat::looksLikeGutindex(head)
                     : GutIndexFormat::looksLikeAustralian(head))) {
        result = Completion::NotValid;
    } else {
        // Over the old file of that name, whatever the letter case it was saved in.
        const QString target = GutCatalogue::fileIn(m_folder, m_sourceName);
        if (std::rename(QFile::encodeName(arrived).constData(),
                        QFile::encodeName(target).constData())
            == 0)
            return result;
        m_error =
            QStringLiteral("%1: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno)));
        result = Completion::NotSaved;
    }
    QFile::remove(arrived);
    m_stage = Idle;
    return result;
}

GutCatalogueDownload::Step GutCatalogueDownload::Tick(bool finished, bool failed)
{
    Step step;
    if (!finished) {
        if (failed)
            m_stage = Idle;
        step.kind = failed ? Step::Stop : Step::Wait;
        return step;
    }
    switch (m_stage) {
    case FetchingListing:
        m_stage = FetchingIndex;
        m_sourceName = GutCatalogue::gutindexName();
        m_current = request(m_catalogURL + m_sourceName, m_sourceName);
        step.kind = Step::Fetch;
        break;
    case FetchingIndex:
        if (m_wantsAustralian) {
            m_stage = FetchingAustralian;
            m_sourceName = GutCatalogue::australianName();
            m_current = request(GutenbergHosts::AustralianCatalogue(), m_sourceName);
            step.kind = Step::Fetch;
        } else {
            m_stage = Idle;
            step.kind = Step::Parse;
        }
        break;
    case FetchingAustralian:
        m_stage = Idle;
        step.kind = Step::Parse;
        step.withAustralian = true;
        break;
    default:
        step.kind = Step::Stop;
        return step;
    }
    step.request = m_current;
    return step;
}

bool GutCatalogueDownload::IsErrorPage(const QString &path)
{
    QFile f(path);
    if (f.size() >= 5000 || !f.open(QIODevice::ReadOnly))
        return false;
    return f.readAll().toUpper().contains("</HTML>");
}
