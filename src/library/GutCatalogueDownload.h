#pragma once

#include <QString>

// One file for the transfer window to fetch.
struct GutTransferRequest
{
    QString url;
    QString localFile;
    QString localFolder; // with a trailing separator
    bool getSize = true;
    qint64 maxBytes = 0; // the most the file may have (0: no bound)
};

// The order of the catalogue download, driven by the window's one-second stage
// timer: ls-R, GUTINDEX.ALL, the Australian catalogue when wanted, then the parses.
// The window owns the transfer; this class says what to fetch next. Each source is
// fetched to a hidden name of its own and replaces the file of its name only once it
// has arrived whole and looks like what it claims to be, so a failed or bad download
// leaves the sources (and Regen Catalogue) as they were.
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

    enum class Completion {
        Good, // the source is in place
        ErrorPage, // the server's error page came instead
        NotValid, // something else came that is not this kind of file
        NotSaved, // it could not take the place of the old one (Error() says why)
    };
    // DownloadCompleted for the catalogue stages. Anything but Good deletes what came
    // and stops the sequence, so nothing is parsed from a half set of files.
    Completion DownloadCompleted();
    // The name of the source being fetched ("ls-R"), and why it could not be saved.
    QString SourceName() const { return m_sourceName; }
    QString Error() const { return m_error; }

    // The most a catalogue source may have.
    static constexpr qint64 MaxSourceBytes = 256LL * 1024 * 1024;

    // Timer1_Timer: finished and failed as the transfer window's events set them.
    Step Tick(bool finished, bool failed);

    // A small file whose text holds "</HTML>": the server's error page saved in place
    // of the file that was asked for.
    static bool IsErrorPage(const QString &path);

private:
    GutTransferRequest request(const QString &url, const QString &fileName) const;

    QString m_folder;
    QString m_catalogURL;
    QString m_sourceName;
    QString m_error;
    bool m_wantsAustralian = false;
    int m_stage = Idle;
    GutTransferRequest m_current;
};
