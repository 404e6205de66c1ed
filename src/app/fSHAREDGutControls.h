#pragma once

#include <QtGlobal>

class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeView;
class QWidget;

// The library window's controls as designed, named as the language files and the
// program know them: the book list on top, and under it one panel with the search,
// the "Book Info" frame, the address and folder fields, the catalogue buttons and the
// two status lines. The window owns them through Qt's parent chain.
struct fSHAREDGutControls
{
    void setupUi(QDialog *window);

    QTreeView *ListView1 = nullptr;
    // Everything under the list; the layout rule moves it as one.
    QWidget *fraBottom = nullptr;
    QLineEdit *txtSearch = nullptr;
    QPushButton *cmdFind = nullptr;
    QPushButton *cmdFindNext = nullptr;
    QGroupBox *fraBookInfo = nullptr;
    QLabel *lblTitle = nullptr;
    QLineEdit *txtUrl = nullptr;
    QLabel *lblFilename = nullptr;
    QPushButton *cmdDownload = nullptr;
    QPushButton *cmdDownloadAndRead = nullptr;
    QPushButton *cmdAmazon = nullptr;
    QGroupBox *fraCatalogue = nullptr;
    QPushButton *cmdUpdateCat = nullptr;
    QPushButton *cmdWebCat = nullptr;
    QPushButton *cmdExit = nullptr;
    QLineEdit *txtDownloadPath = nullptr;
    QLineEdit *txtCatalogURL = nullptr;
    QLineEdit *txtDLSource = nullptr;
    QPushButton *cmdRegenCatalogue = nullptr;
    QPushButton *cmdDefaults = nullptr;
    QPushButton *cmdProxy = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblCatalogueDate = nullptr;
    QTimer *Timer1 = nullptr;

    // Sizes are designed in twips, at 15 twips to the pixel.
    static int px(double twips) { return qRound(twips / 15.0); }
    static constexpr int kMinHeightTwips = 6876;
    static constexpr int kMinWidthTwips = 7788;
    static constexpr int kFilenameColumnTwips = 1800;
};
