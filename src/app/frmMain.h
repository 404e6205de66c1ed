#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QMenu;
class QPushButton;
class QTimer;
class RichTextBox;
class clsDict;
class clsTalker;
class frmSplash;

// The reader's main window: the document view, the control bar, the start-up and
// close-down of the program, and reading aloud with the spoken sentence selected.
// The reading handlers live in frmMainReading.cpp, the document handlers in
// frmMainDocuments.cpp.
class frmMain : public QMainWindow
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
    bool isClosedDown() const { return m_closingDown; }

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
    void Talker_SpeakingSentence(const QString &Sentence);
    void cmdLoad_Click();
    void cmdSpeakToWav_Click();
    void mnuPron_Click();
    void cmdQuit_Click();
    void cmdAbout_Click();
    void cmdFontBigger_Click();
    void cmdFontSmaller_Click();
    void mnuLanguage_Click(int Index);
    void Form_Resize();

    // The controls, named as the rest of the program and the language files know them.
    RichTextBox *RichTextBox1 = nullptr;
    QFrame *Frame1 = nullptr;
    QPushButton *cmdGUT = nullptr;
    QComboBox *cmbEngine = nullptr;
    QComboBox *cmbPitch = nullptr;
    QPushButton *cmdFontBigger = nullptr;
    QPushButton *cmdFontSmaller = nullptr;
    QPushButton *cmdAbout = nullptr;
    QPushButton *cmdLoad = nullptr;
    QPushButton *cmdReload = nullptr;
    QPushButton *cmdQuit = nullptr;
    QPushButton *cmdSlower = nullptr;
    QPushButton *cmdPause = nullptr;
    QPushButton *cmdStopReading = nullptr;
    QPushButton *cmdSpeakToWav = nullptr;
    QPushButton *cmdRead = nullptr;
    QPushButton *cmdFaster = nullptr;
    QTimer *Timer3 = nullptr;
    QMenu *mnuSettings = nullptr;
    QMenu *mnuLang = nullptr;
    QList<QAction *> mnuLanguage;
    QAction *mnuPron = nullptr;
    QAction *mnuCheckForUpdate = nullptr;

    clsTalker *Talker() const { return m_talker; }
    // The process's one pronunciation list, shared with the pronunciation editor.
    clsDict *Dictionary() const { return m_dict.get(); }
    const QString &CurrentFile() const { return m_currentFile; }
    bool Paused() const { return m_paused; }
    int HighlightStart() const { return m_highlightStart; }
    int HighlightEnd() const { return m_highlightEnd; }
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

private:
    void createControls();
    void createMenu();
    void connectControls();
    void runStartup(const QString &CommandLine);
    void startupFailed(int code, const QString &description);
    void splashMessage(const QString &message);
    void checkSymbolFonts();
    void fillLanguageMenu();
    void changeFontSize(int step);
    void releaseTalker();
    void setWindowSizeTwips(double width, double height);
    void StopReading();

    clsTalker *m_talker = nullptr;
    std::unique_ptr<clsDict> m_dict;
    QPointer<frmSplash> m_splash;
    QString m_currentFile;
    bool m_paused = false;
    int m_highlightStart = 1;
    int m_highlightEnd = 0;
    double m_minHeight = 0;
    double m_minWidth = 0;
    bool m_closingDown = false;
};
