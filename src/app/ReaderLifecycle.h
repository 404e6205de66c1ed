#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class DocumentController;
class ReaderWindow;
class ReadingController;
class frmSplash;

// The reader's start-up and close-down, each a fixed list of steps run in order on the
// window, its reading and its document. Start-up: the controls' lists, settings, the
// log's first event, the splash, the language menu and translation, the symbol-font
// check, the talker and its engine, the voice list and the saved voice, the window's
// smallest size, the document on the command line (loaded and read at once), then the
// update window and, without a document, the update timer. The splash stays at least half
// a second without holding any of it up. Close-down: stop reading, let the talker and the
// pronunciation list go, keep the caret as a bookmark, save bookmarks and settings, close the other
// windows, write the log's pending entries, and close the window.
class ReaderLifecycle
{
public:
    ReaderLifecycle(ReaderWindow &window, ReadingController &reading,
                    DocumentController &documents);
    ~ReaderLifecycle();

    // False when a step failed: the user has been told and the program closed down.
    bool Startup(const QString &CommandLine);
    // Runs once; later calls do nothing.
    void CloseDown();
    bool isClosedDown() const { return m_closingDown; }

private:
    void runStartup(const QString &CommandLine);
    void startupFailed(int code, const QString &description);
    void splashMessage(const QString &message);
    void checkSymbolFonts();
    void closeSplash();
    void waitForSavedVoice();
    void selectSavedVoice();
    void closeOtherWindows();

    ReaderWindow &m_window;
    ReadingController &m_reading;
    DocumentController &m_documents;
    QPointer<frmSplash> m_splash;
    QElapsedTimer m_splashShown;
    static constexpr qint64 kSplashMinimumMs = 500;
    bool m_closingDown = false;
};
