#include "library/GutCatalogueDownload.h"

#include "library/GutCatalogue.h"
#include "library/GutenbergHosts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

GutCatalogueDownload::GutCatalogueDownload(QString programFolder)
    : m_folder(std::move(programFolder))
{
}

GutTransferRequest GutCatalogueDownload::request(const QString &url, const QString &fileName) const
{
    GutTransferRequest r;
    r.url = url;
    r.localFolder = QDir::toNativeSeparators(m_folder) + QDir::separator();
    r.localFile = QDir(m_folder).filePath(fileName);
    return r;
}

GutTransferRequest GutCatalogueDownload::Start(const QString &catalogURL, bool wantsAustralian)
{
    m_catalogURL = catalogURL;
    m_wantsAustralian = wantsAustralian;
    m_stage = FetchingListing;
    m_current = request(catalogURL + GutCatalogue::lsRName(), GutCatalogue::lsRName());
    return m_current;
}

bool GutCatalogueDownload::DownloadCompleted()
{
    if (!IsErrorPage(m_current.localFile))
        return true;
    QFile::remove(m_current.localFile);
    m_stage = Idle;
    return false;
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
        m_current =
            request(m_catalogURL + GutCatalogue::gutindexName(), GutCatalogue::gutindexName());
        step.kind = Step::Fetch;
        break;
    case FetchingIndex:
        if (m_wantsAustralian) {
            m_stage = FetchingAustralian;
            m_current =
                request(GutenbergHosts::AustralianCatalogue(), GutCatalogue::australianName());
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
