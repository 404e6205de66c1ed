#pragma once

#include "app/ReaderWindow.h"
#include "app/frmMainControls.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

class DocumentController;
class fSHAREDUpdater;
class frmContents;
class QAction;
class ReaderLifecycle;
class ReadingController;
class UpdateController;
class WordMarkController;

// The reader's main window: the document view and the control bar, wired to the classes
// that do the work. Reading aloud (the talker, pause, the highlight of the spoken sentence)
// is the ReadingController's, the open document and its bookmarks the DocumentController's,
// start-up and close-down the ReaderLifecycle's; they reach the window through ReaderWindow
// and the view through DocumentView. The window lays itself out and turns each click into
// one call.
//
// The controls are private; tests drive the window through the handlers below, as a click
// would, and find a control by its name (findChild) where they must look at one.
class frmMain : public QMainWindow, private ReaderWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs the start-up sequence. CommandLine names a document to load and read at
    // once. Returns false when start-up failed; the program has then closed down.
    bool Form_Load(const QString &CommandLine = {});

    // Stops reading, saves settings and bookmarks, closes every window and ends the
    // event loop. Runs once; later calls do nothing.
    void CloseDown();
    bool isClosedDown() const;
    // Shows the window, once the document given on the command line is whole in it.
    void showWhenWhole();

    // Opens a document into the view and puts the caret back where it was left.
    void LoadDocument(const QString &path);

    // Handlers of the controls, public so that the menu, the tests and the program's
    // other windows can run them as a click would.
    void cmdRead_Click();
    void cmdPause_Click();
    void cmdStopReading_Click();
    void cmdReload_Click();
    void cmdFaster_Click();
    void cmdSlower_Click();
    void cmbEngine_Click();
    void cmbPitch_Click();
    void cmdLoad_Click();
    void cmdSpeakToWav_Click();
    void mnuPron_Click();
    void mnuMarkWord_Click();
    void cmdQuit_Click();
    void cmdAbout_Click();
    // The online library, modally; the book it hands back is opened as Load opens one.
    void cmdGUT_Click();
    // The Contents of a document with headings: opens (or raises) the window that moves
    // the caret to a heading.
    void mnuContents_Click();
    // The Contents window; null until first opened.
    frmContents *Contents() const { return m_contents; }
    // A file dropped on the window is opened as Load opens one.
    void openDropped(const QString &path);
    void cmdFontBigger_Click();
    void cmdFontSmaller_Click();
    void mnuLanguage_Click(int Index);
    void Form_Resize();

    // The update check: Timer3 fires once, 30 seconds after a start without a document, and
    // runs the automatic check when it is due; the menu item runs one at once. The update
    // window raises InstallFile when the user wants the downloaded package installed. The
    // work, and the hand-off to the installer, is the UpdateController's.
    void Timer3_Timer();
    void mnuCheckForUpdate_Click();
    void checkforupdate(bool silent);
    void Updater_InstallFile();
    // The update window object; null until start-up made it.
    fSHAREDUpdater *Updater() const;

    const ReadingController &reading() const { return *m_reading; }
    DocumentController &documents() const { return *m_documents; }

    // The smallest size the window may take, in twips, fixed at the end of start-up.
    double MinHeight() const { return m_minHeight; }
    double MinWidth() const { return m_minWidth; }
    // The window's size in twips, as the layout rule measures it.
    double windowWidthTwips() const;
    double windowHeightTwips() const;

signals:
    // CloseDown has finished: every window is closed and the event loop told to end.
    void closedDown();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static constexpr int kShowWhenWholeAtMostMs = 5000;
    bool m_showWhenWhole = false;
    // Shows the window if it waits for the whole text, once.
    void showIfWaiting();
    // The desktop's voices, listed after start-up, join the voice list.
    void voicesAdded();
    // ReaderWindow: what the controllers ask of the window.
    QWidget *dialogParent() override { return this; }
    void setCaption(const QString &caption) override { setWindowTitle(caption); }
    void setReloadEnabled(bool enabled) override;
    void fillPitchList() override;
    void fillLanguageMenu() override;
    void useSymbolFallbacks(bool webdingsMissing, bool wingdingsMissing) override;
    void fillVoiceList(const clsTalker &talker) override;
    void chooseVoice(int index) override;
    void fixMinimumSize() override;
    void createUpdater() override;
    void setUpdateTimer(bool running) override;
    void closeWindow() override;

    void connectControls();
    void connectDocuments();
    void documentChanged(bool another);
    void addLanguageItem(QAction *item, int index);
    void changeFontSize(int step);
    void setWindowSizeTwips(double width, double height);
    class UpdateView;

    frmMainControls ui;
    std::unique_ptr<ReadingController> m_reading;
    std::unique_ptr<WordMarkController> m_wordMark;
    std::unique_ptr<DocumentController> m_documents;
    std::unique_ptr<ReaderLifecycle> m_lifecycle;
    std::unique_ptr<UpdateView> m_updateView;
    std::unique_ptr<UpdateController> m_updates;
    QAction *m_contentsItem = nullptr;
    frmContents *m_contents = nullptr; // a child of the window, made when first opened
    double m_minHeight = 0;
    double m_minWidth = 0;
};
