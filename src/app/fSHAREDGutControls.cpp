#include "app/fSHAREDGutControls.h"

#include <QDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    // Enter in a field presses no button of its own accord; the window says what it does.
    b->setAutoDefault(false);
    return b;
}

QLineEdit *field(QWidget *parent, const char *name, const char *tip = nullptr)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    if (tip)
        e->setToolTip(QString::fromUtf8(tip));
    return e;
}

// A label that shows data (a title, a file name, a status): never read as markup.
QLabel *dataLabel(QWidget *parent, const char *name, const QString &text = {})
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLabel *caption(QWidget *parent, const char *name, const char *text, QWidget *buddy)
{
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
}

} // namespace

void fSHAREDGutControls::setupUi(QDialog *window)
{
    window->setObjectName(QStringLiteral("fSHAREDGut"));
    window->setWindowTitle(QStringLiteral("Project Gutenberg"));
    window->setSizeGripEnabled(true);

    ListView1 = new QTreeView(window);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    // Tens of thousands of rows: one height for all, so the view never measures them.
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSortIndicator(0, Qt::AscendingOrder);
    ListView1->setSortingEnabled(true);
    ListView1->setAccessibleName(QStringLiteral("Books"));

    fraBottom = new QWidget(window);
    fraBottom->setObjectName(QStringLiteral("fraBottom"));

    txtSearch = field(fraBottom, "txtSearch", "Words to find in the book list");
    cmdFind = button(fraBottom, "cmdFind", "Find");
    cmdFindNext = button(fraBottom, "cmdFindNext", "Next");
    auto *search = new QHBoxLayout;
    search->addWidget(txtSearch, 1);
    search->addWidget(cmdFind);
    search->addWidget(cmdFindNext);

    fraBookInfo = new QGroupBox(QStringLiteral("Book Info"), fraBottom);
    fraBookInfo->setObjectName(QStringLiteral("fraBookInfo"));
    lblTitle = dataLabel(fraBookInfo, "lblTitle", QStringLiteral("-"));
    lblTitle->setWordWrap(true);
    txtUrl = field(fraBookInfo, "txtUrl");
    txtUrl->setText(QStringLiteral("-"));
    lblFilename = dataLabel(fraBookInfo, "lblFilename", QStringLiteral("-"));
    cmdDownload = button(fraBookInfo, "cmdDownload", "Download Book");
    cmdDownloadAndRead = button(fraBookInfo, "cmdDownloadAndRead", "Download and Read");
    cmdAmazon = button(fraBookInfo, "cmdAmazon", "Amazon");
    auto *info = new QGridLayout(fraBookInfo);
    info->addWidget(caption(fraBookInfo, "lblTitleCaption", "Title:", nullptr), 0, 0);
    info->addWidget(lblTitle, 0, 1, 1, 4);
    info->addWidget(caption(fraBookInfo, "lblUrlCaption", "URL:", txtUrl), 1, 0);
    info->addWidget(txtUrl, 1, 1, 1, 4);
    info->addWidget(caption(fraBookInfo, "lblFilenameCaption", "Filename:", nullptr), 2, 0);
    info->addWidget(lblFilename, 2, 1);
    info->addWidget(cmdDownload, 2, 2);
    info->addWidget(cmdDownloadAndRead, 2, 3);
    info->addWidget(cmdAmazon, 2, 4);
    info->setColumnStretch(1, 1);

    txtDownloadPath = field(fraBottom, "txtDownloadPath");
    txtCatalogURL =
        field(fraBottom, "txtCatalogURL", "Don't include the actual name of the catalogue file.");
    txtDLSource =
        field(fraBottom, "txtDLSource", "You can specify a mirror of the Gutenberg site here");
    auto *fields = new QFormLayout;
    fields->addRow(caption(fraBottom, "lblDownloadPath", "Save books to:", txtDownloadPath),
                   txtDownloadPath);
    fields->addRow(caption(fraBottom, "lblCatalogURL", "Catalogue URL:", txtCatalogURL),
                   txtCatalogURL);
    fields->addRow(caption(fraBottom, "lblDLSource", "Download Source:", txtDLSource), txtDLSource);
    cmdRegenCatalogue = button(fraBottom, "cmdRegenCatalogue", "Regen Catalogue");
    cmdDefaults = button(fraBottom, "cmdDefaults", "Reset to Defaults");
    cmdProxy = button(fraBottom, "cmdProxy", "Proxy Setup");
    auto *settingsButtons = new QHBoxLayout;
    settingsButtons->addWidget(cmdRegenCatalogue);
    settingsButtons->addWidget(cmdDefaults);
    settingsButtons->addWidget(cmdProxy);
    settingsButtons->addStretch();
    fields->addRow(settingsButtons);

    fraCatalogue = new QGroupBox(fraBottom);
    fraCatalogue->setObjectName(QStringLiteral("fraCatalogue"));
    cmdUpdateCat = button(fraCatalogue, "cmdUpdateCat", "Download Catalogue");
    cmdWebCat = button(fraCatalogue, "cmdWebCat", "Use Web");
    cmdExit = button(fraCatalogue, "cmdExit", "Exit");
    auto *catalogue = new QVBoxLayout(fraCatalogue);
    catalogue->addWidget(cmdUpdateCat);
    catalogue->addWidget(cmdWebCat);
    catalogue->addStretch();
    catalogue->addWidget(cmdExit);

    auto *settings = new QHBoxLayout;
    settings->addLayout(fields, 1);
    settings->addWidget(fraCatalogue);

    lblCatalogueDate = dataLabel(fraBottom, "lblCatalogueDate");
    lblStatus = dataLabel(fraBottom, "lblStatus");
    // A long address or file name in the status must not widen the window.
    lblStatus->setMinimumWidth(1);
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *panel = new QVBoxLayout(fraBottom);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addLayout(search);
    panel->addWidget(fraBookInfo);
    panel->addLayout(settings);
    panel->addWidget(lblCatalogueDate);
    panel->addWidget(lblStatus);

    Timer1 = new QTimer(window);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    window->setTabOrder(txtSearch, cmdFind);
}
