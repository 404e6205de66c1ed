#pragma once

#include "app/fSHAREDGutControls.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class fSHAREDInternet;
class GutBookDownload;
class GutBookList;
class GutCatalogue;
class GutCatalogueDownload;
struct GutBookOutcome;
struct GutBookRequest;
struct GutTransferRequest;

// The online library: the Project Gutenberg catalogue in a list, a search over it, the
// chosen book's details, and the downloads (catalogue sources and books) through a
// transfer window of its own. The work is the library classes' (src/library); this
// window turns each click into their calls and shows what they answer.
//
// The main window shows it modally. Download and Read ends that display by hiding the
// window with FileToLoad set; the opener loads that file.
//
// The long work (the transfer, the parses, unpacking) runs while the window stays
// responsive, with the busy pointer up and the buttons that would start other work
// disabled; Exit or closing the window cancels it.
class fSHAREDGut : public QDialog
{
    Q_OBJECT
public:
    // Who answers when an encrypted book archive asks for its password (see base/Seam.h):
    // the text asked, and the password or nothing for Cancel. Empty: a dialog asks.
    struct PasswordSeam
    {
        using Type = std::function<std::optional<QString>(const QString &question)>;
    };

    explicit fSHAREDGut(QWidget *parent = nullptr);
    ~fSHAREDGut() override;

    // The book to open once the window has closed; empty when there is none.
    QString FileToLoad() const { return m_fileToLoad; }

    void Form_Load();
    void Form_Resize();
    void ReadSettings();
    void StoreSettings();
    void UpdateRegenButton();
    void LoadCatalogue();

    void cmdUpdateCat_Click();
    void cmdRegenCatalogue_Click();
    void cmdWebCat_Click();
    void cmdDefaults_Click();
    void cmdFind_Click();
    void cmdFindNext_Click();
    void ListView1_ItemClick(int row);
    void cmdAmazon_Click();
    void cmdProxy_Click();
    void cmdExit_Click();
    void cmdDownload_Click();
    void cmdDownloadAndRead_Click();
    void Timer1_Timer();

    // The transfer window's events.
    void inet_Status(const QString &text);
    void inet_DownloadFinished();
    void inet_DownloadError(const QString &message);
    void inet_DownloadCancelled();
    void inet_NoInternet();

    // Whether a download, a parse or a handler is under way.
    bool isWorking() const;
    // The row the list shows selected, -1 when none.
    int selectedRow() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Closing the window by its title bar is Exit.
    void reject() override;

private:
    class Working;

    void connectControls();
    void StartDownload(const GutTransferRequest &request, bool getSize);
    void DownloadCompleted();
    void downloadBook(bool readAfter);
    void bookCompleted();
    void bookDone(const GutBookOutcome &outcome);
    void catalogueParsed();
    void askPassword(QString &password, bool &cancel);
    void cancelWork();
    // The buttons and the pointer follow whether work is under way.
    void updateWorking();
    void ShowSelectedBook(int row);
    void selectRow(int row);
    void showMessage(const QString &text);
    bool ask(const QString &text, int buttons);
    void openWebPage(const QUrl &url);
    void setStatus(const QString &text);
    void setDownloading(bool on);

    fSHAREDGutControls ui;
    std::unique_ptr<GutCatalogue> m_catalogue;
    std::unique_ptr<GutBookList> m_list;
    std::unique_ptr<GutCatalogueDownload> m_download;
    std::unique_ptr<GutBookDownload> m_book;
    std::unique_ptr<GutBookRequest> m_bookRequest;
    std::unique_ptr<fSHAREDInternet> m_inet;
    QString m_folder;
    QString m_fileToLoad;
    QString m_loadMessage;
    bool m_finished = false;
    bool m_failed = false;
    // A transfer has been asked for and its end not yet handled.
    bool m_downloading = false;
    int m_working = 0;
};
