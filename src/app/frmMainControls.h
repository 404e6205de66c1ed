#pragma once

#include <QList>
#include <QtGlobal>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QTimer;
class RichTextBox;

// The main window's controls as designed: the document view, the control bar under it
// and the Settings menu, named as the language files and the rest of the program know
// them. Built by setupUi; the window owns them through Qt's parent chain.
struct frmMainControls
{
    void setupUi(QMainWindow *window);

    // Where Webdings is not installed (most Linux desktops) the reading buttons' symbols
    // mean nothing: the desktop's media pictures instead.
    void replaceWebdingsSymbols(QMainWindow *window);
    // Without Wingdings the two file buttons show the desktop's own pictures.
    void replaceWingdingsSymbols();

    RichTextBox *RichTextBox1 = nullptr;
    QFrame *Frame1 = nullptr;
    QPushButton *cmdGUT = nullptr;
    QComboBox *cmbEngine = nullptr;
    QComboBox *cmbPitch = nullptr;
    // The two lists' captions, which name them for a screen reader.
    QLabel *lblEngine = nullptr;
    QLabel *lblPitch = nullptr;
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
    QAction *mnuMarkWord = nullptr;
    QAction *mnuCheckForUpdate = nullptr;

    // Sizes and positions are designed in twips, at 15 twips to the pixel.
    // The keyboard shortcuts, the menu key and the tab order.
    void bindKeys(QMainWindow *window);

    static int px(double twips) { return qRound(twips / 15.0); }
    static constexpr int kFrameWidthTwips = 8790;
    static constexpr int kFrameHeightTwips = 1155;
    static constexpr double kCaptionPoints = 7.5;
};
