#include "app/frmMainControls.h"

#include "ui/RichTextBox.h"
#include "ui/ShortcutKeys.h"
#include "ui/SymbolFonts.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <array>

namespace {

struct ButtonDesign
{
    QPushButton *frmMainControls::*member;
    const char *name;
    QString caption;
    const char *family;
    double points;
    bool bold;
    const char *tooltip;
    int left, top, width, height;
};

// The reading buttons drawn in Webdings, and what stands for them without it.
struct SymbolButton
{
    QPushButton *frmMainControls::*member;
    const char *icon;
    QStyle::StandardPixmap fallback;
    const char *word;
};

const std::array<SymbolButton, 6> &symbolButtons()
{
    // The words are looked up in the language files by these English texts.
    static const std::array<SymbolButton, 6> buttons { {
        { &frmMainControls::cmdSlower, "media-seek-backward", QStyle::SP_MediaSeekBackward,
          "Slower" },
        { &frmMainControls::cmdPause, "media-playback-pause", QStyle::SP_MediaPause, "Pause" },
        { &frmMainControls::cmdStopReading, "media-playback-stop", QStyle::SP_MediaStop, "Stop" },
        { &frmMainControls::cmdSpeakToWav, "document-save", QStyle::SP_DialogSaveButton,
          "Read to WAV file" },
        { &frmMainControls::cmdRead, "media-playback-start", QStyle::SP_MediaPlay, "Read" },
        { &frmMainControls::cmdFaster, "media-seek-forward", QStyle::SP_MediaSeekForward,
          "Faster" },
    } };
    return buttons;
}

} // namespace

void frmMainControls::setupUi(QMainWindow *window)
{
    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("client"));
    window->setCentralWidget(client);

    RichTextBox1 = new RichTextBox(client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    QFont viewFont(QStringLiteral("MS Sans Serif"));
    viewFont.setStyleHint(QFont::SansSerif);
    viewFont.setPointSizeF(12);
    RichTextBox1->setFont(viewFont);
    RichTextBox1->document()->setDefaultFont(viewFont);
    RichTextBox1->setGeometry(px(135), px(180), px(8760), px(3945));

    Frame1 = new QFrame(client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::NoFrame);
    Frame1->setFixedSize(px(kFrameWidthTwips), px(kFrameHeightTwips));

    const ButtonDesign buttons[] = {
        { &frmMainControls::cmdGUT, "cmdGUT", QStringLiteral("G"), "MS Sans Serif", 18, true,
          "Project Gutenberg Downloads", 90, 225, 465, 465 },
        { &frmMainControls::cmdFontBigger, "cmdFontBigger", QStringLiteral("+"), "Arial", 16.2,
          true, "Make the font bigger", 4605, 240, 435, 375 },
        { &frmMainControls::cmdFontSmaller, "cmdFontSmaller", QStringLiteral("-"), "Arial", 15.6,
          true, "Make the font smaller", 4605, 660, 435, 375 },
        { &frmMainControls::cmdAbout, "cmdAbout", QStringLiteral("?"), "Arial", 25.8, true, "About",
          5175, 225, 735, 795 },
        { &frmMainControls::cmdLoad, "cmdLoad", QStringLiteral("1"), "Wingdings", 24, false,
          "Load a file", 6030, 225, 780, 795 },
        { &frmMainControls::cmdReload, "cmdReload", QString(QChar(198)), "Wingdings", 24, false,
          "Reload current file", 6930, 225, 780, 795 },
        { &frmMainControls::cmdQuit, "cmdQuit", QStringLiteral("X"), "Arial", 24, true, "Quit",
          7875, 225, 795, 795 },
        { &frmMainControls::cmdSlower, "cmdSlower", QStringLiteral("7"), "Webdings", 15.6, true,
          "Speak Slower", 720, 630, 435, 375 },
        { &frmMainControls::cmdPause, "cmdPause", QStringLiteral(";"), "Webdings", 15.6, true,
          "Pause", 1260, 630, 495, 375 },
        { &frmMainControls::cmdStopReading, "cmdStopReading", QStringLiteral("<"), "Webdings", 15.6,
          true, "Stop Speaking", 1845, 630, 540, 375 },
        { &frmMainControls::cmdSpeakToWav, "cmdSpeakToWav", QStringLiteral("X"), "Webdings", 15.6,
          true, "Read to WAV file", 2430, 630, 390, 375 },
        { &frmMainControls::cmdRead, "cmdRead", QStringLiteral(")"), "Webdings", 15.6, true,
          "Read from cursor position", 2880, 630, 435, 375 },
        { &frmMainControls::cmdFaster, "cmdFaster", QStringLiteral("8"), "Webdings", 15.6, true,
          "Speak Faster", 3375, 630, 525, 375 },
    };
    for (const ButtonDesign &design : buttons) {
        auto *button = new QPushButton(design.caption, Frame1);
        button->setObjectName(QString::fromLatin1(design.name));
        QFont font(QString::fromLatin1(design.family));
        font.setPointSizeF(design.points);
        font.setBold(design.bold);
        button->setFont(font);
        button->setToolTip(QString::fromLatin1(design.tooltip));
        button->setGeometry(px(design.left), px(design.top), px(design.width), px(design.height));
        // The designed buttons are small; the style's padding would clip their captions.
        button->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
        this->*design.member = button;
    }

    // Symbols and pictures say nothing to a screen reader: each reading button is announced by
    // its word, translated with the window.
    for (const SymbolButton &b : symbolButtons())
        (this->*b.member)->setAccessibleName(QString::fromLatin1(b.word));

    cmbEngine = new QComboBox(Frame1);
    cmbEngine->setObjectName(QStringLiteral("cmbEngine"));
    cmbEngine->setToolTip(QStringLiteral("Select a voice"));
    cmbEngine->setGeometry(px(720), px(225), px(3210), px(315));

    cmbPitch = new QComboBox(Frame1);
    cmbPitch->setObjectName(QStringLiteral("cmbPitch"));
    cmbPitch->setToolTip(QStringLiteral(
        "Changes the pitch. Default is zero, negative numbers for a deeper voice, positive "
        "numbers for a higher voice."));
    cmbPitch->setGeometry(px(4005), px(225), px(600), px(315));

    // Qt on Linux announces a combo box by its entry ("0, combo box") and leaves its name to
    // the label it is labelled by, so each list has a visible caption as its label. They sit
    // in the band above the lists, small enough not to move the designed controls.
    // A caption may run on over the free band beside its list ("Tonhöhe" is wider than the
    // pitch list), up to the next control.
    const struct
    {
        QLabel *frmMainControls::*member;
        const char *name;
        const char *text;
        QComboBox *list;
        int widthTwips;
    } captions[] = {
        { &frmMainControls::lblEngine, "lblEngine", "Voice", cmbEngine, 4005 - 720 },
        { &frmMainControls::lblPitch, "lblPitch", "Pitch", cmbPitch, 5175 - 4005 },
    };
    QFont captionFont = Frame1->font();
    captionFont.setPointSizeF(kCaptionPoints);
    for (const auto &c : captions) {
        auto *label = new QLabel(QString::fromLatin1(c.text), Frame1);
        label->setObjectName(QString::fromLatin1(c.name));
        label->setFont(captionFont);
        label->setBuddy(c.list);
        label->setGeometry(c.list->x(), 0, px(c.widthTwips), c.list->y());
        label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        this->*c.member = label;
    }

    Timer3 = new QTimer(window);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setSingleShot(true);
    Timer3->setInterval(30000);

    mnuSettings = window->menuBar()->addMenu(QStringLiteral("Settings"));
    mnuSettings->setObjectName(QStringLiteral("mnuSettings"));
    mnuLang = mnuSettings->addMenu(QStringLiteral("Languages"));
    mnuLang->setObjectName(QStringLiteral("mnuLang"));
    QAction *english = mnuLang->addAction(QStringLiteral("English"));
    english->setObjectName(QStringLiteral("mnuLanguage"));
    english->setCheckable(true);
    mnuLanguage.append(english);
    mnuPron = mnuSettings->addAction(QStringLiteral("Pronunciations"));
    mnuPron->setObjectName(QStringLiteral("mnuPron"));
    mnuMarkWord = mnuSettings->addAction(QStringLiteral("Mark the spoken word"));
    mnuMarkWord->setObjectName(QStringLiteral("mnuMarkWord"));
    mnuMarkWord->setCheckable(true);
    mnuMarkWord->setChecked(true);
    mnuCheckForUpdate = mnuSettings->addAction(QStringLiteral("Check for Update"));
    mnuCheckForUpdate->setObjectName(QStringLiteral("mnuCheckForUpdate"));

    bindKeys(window);
}

void frmMainControls::bindKeys(QMainWindow *window)
{
    // Shortcuts users know from other desktop programs; keys the document view uses for
    // editing (arrows alone, Ctrl+arrows left and right, Ctrl+Space for input methods)
    // are left to it.
    const std::pair<QPushButton * frmMainControls::*, QList<QKeySequence>> keys[] = {
        { &frmMainControls::cmdLoad, { QKeySequence(Qt::CTRL | Qt::Key_O) } },
        { &frmMainControls::cmdReload,
          { QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R) } },
        { &frmMainControls::cmdQuit, { QKeySequence(Qt::CTRL | Qt::Key_Q) } },
        { &frmMainControls::cmdRead, { QKeySequence(Qt::Key_F6) } },
        { &frmMainControls::cmdPause, { QKeySequence(Qt::Key_F7) } },
        { &frmMainControls::cmdStopReading, { QKeySequence(Qt::Key_Escape) } },
        { &frmMainControls::cmdFaster, { QKeySequence(Qt::CTRL | Qt::Key_Up) } },
        { &frmMainControls::cmdSlower, { QKeySequence(Qt::CTRL | Qt::Key_Down) } },
        { &frmMainControls::cmdFontBigger,
          { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) } },
        { &frmMainControls::cmdFontSmaller, { QKeySequence(Qt::CTRL | Qt::Key_Minus) } },
        { &frmMainControls::cmdSpeakToWav, { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) } },
        { &frmMainControls::cmdGUT, { QKeySequence(Qt::CTRL | Qt::Key_L) } },
        { &frmMainControls::cmdAbout, { QKeySequence(Qt::Key_F1) } },
    };
    for (const auto &[member, sequences] : keys)
        ShortcutKeys::bind(this->*member, sequences);

    // The menu bar as the desktop opens it from the keyboard.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(menuKey, &QShortcut::activated, window, [this, window] {
        window->menuBar()->setFocus(Qt::ShortcutFocusReason);
        window->menuBar()->setActiveAction(mnuSettings->menuAction());
    });

    // Tab goes through the controls as they are laid out: the document, then the bar from
    // left to right, each column from top to bottom.
    const QList<QWidget *> order { RichTextBox1, cmdGUT,         cmbEngine,     cmdSlower,
                                   cmdPause,     cmdStopReading, cmdSpeakToWav, cmdRead,
                                   cmdFaster,    cmbPitch,       cmdFontBigger, cmdFontSmaller,
                                   cmdAbout,     cmdLoad,        cmdReload,     cmdQuit };
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void frmMainControls::replaceWebdingsSymbols(QMainWindow *window)
{
    const QList<QPushButton *> buttons = window->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->font().family().toLower() != QLatin1String("webdings"))
            continue;
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSize(8);
        font.setBold(false);
        button->setFont(font);
    }
    // Word captions do not fit these small buttons in most languages ("Lesen" showed as
    // ".eser"): the desktop's media pictures instead; the tooltips and the accessible names
    // say what each does.
    const QSize iconSize(px(300), px(300));
    for (const SymbolButton &b : symbolButtons()) {
        QPushButton *button = this->*b.member;
        button->setText(QString());
        button->setIcon(SymbolFonts::themeIcon(QString::fromLatin1(b.icon), b.fallback));
        button->setIconSize(iconSize);
    }
}

void frmMainControls::replaceWingdingsSymbols()
{
    const QSize iconSize(px(600), px(600));
    cmdLoad->setText(QString());
    cmdLoad->setIcon(
        SymbolFonts::themeIcon(QStringLiteral("document-open"), QStyle::SP_DialogOpenButton));
    cmdLoad->setIconSize(iconSize);
    cmdReload->setText(QString());
    cmdReload->setIcon(
        SymbolFonts::themeIcon(QStringLiteral("view-refresh"), QStyle::SP_BrowserReload));
    cmdReload->setIconSize(iconSize);
}
