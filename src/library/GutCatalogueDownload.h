#pragma once

#include <QString>

// One file for the transfer window to fetch.
struct GutTransferRequest
{
    QString url;
    QString localFile;
    QString localFolder; // with a trailing separator
    bool getSize = true;
};

// The order of the catalogue download, driven by the window's one-second stage
// timer: ls-R, GUTINDEX.ALL, the Australian catalogue when wanted, then the parses.
// The window owns the transfer; this class says what to fetch next.
class GutCatalogueDownload
{
public:
    enum Stage {
        Idle = 0,
        FetchingListing = 1,
        FetchingIndex = 2,
        FetchingAustralian = 3,
        Book = 4
    };

    // What a timer tick asks of the window.
    struct Step
    {
        enum Kind {
            Wait, // keep the timer running
            Fetch, // StartDownload(request)
            Parse, // the parse chain (with the Australian catalogue when withAustralian), then
                   // LoadCatalogue
            Stop, // the timer stays off
        } kind = Stop;
        GutTransferRequest request;
        bool withAustralian = false;
    };

    explicit GutCatalogueDownload(QString programFolder);

    int stage() const { return m_stage; }
    const GutTransferRequest &current() const { return m_current; }

    // Download Catalogue, after the questions: stage 1, the listing from the catalogue
    // address (a folder address ending in "/").
    GutTransferRequest Start(const QString &catalogURL, bool wantsAustralian);
    // A book download shares the stage; the timer does nothing with it.
    void BeginBook() { m_stage = Book; }

    // DownloadCompleted for the catalogue stages: false when the server answered with
    // an error page, which is deleted; the sequence then stops, so nothing is parsed
    // from a half set of files.
    bool DownloadCompleted();

    // Timer1_Timer: finished and failed as the transfer window's events set them.
    Step Tick(bool finished, bool failed);

    // A small file whose text holds "</HTML>": the server's error page saved in place
    // of the file that was asked for.
    static bool IsErrorPage(const QString &path);

private:
    GutTransferRequest request(const QString &url, const QString &fileName) const;

    QString m_folder;
    QString m_catalogURL;
    bool m_wantsAustralian = false;
    int m_stage = Idle;
    GutTransferRequest m_current;
};
