#include "ui/frmLex.h"

#include "base/Trace.h"
#include "base/cSharedLang.h"
#include "speech/clsDict.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/frmWordPair.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kModule = QStringLiteral("frmLex");
} // namespace

frmLex::frmLex(clsDict *dict, QWidget *parent)
    : QDialog(parent)
    , m_dict(dict)
{
    setObjectName(QStringLiteral("frmLex"));
    setWindowTitle(QStringLiteral("Pronunciation Setup"));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Pronunciations"));
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({ QStringLiteral("Original"), QStringLiteral("New") });
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setAlternatingRowColors(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rows are saved in the order shown, so the list is never sorted.
    ListView1->setSortingEnabled(false);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(true);
    ListView1->setColumnWidth(0, 190);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { cmdEdit_Click(); });

    auto makeButton = [this](const char *name, const char *caption) {
        auto *button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    cmdAdd = makeButton("cmdAdd", "Add");
    cmdEdit = makeButton("cmdEdit", "Edit");
    cmdDelete = makeButton("cmdDelete", "Delete");
    cmdOK = makeButton("cmdOK", "OK");
    cmdCancel = makeButton("cmdCancel", "Cancel");
    cmdOK->setDefault(true);
    connect(cmdAdd, &QPushButton::clicked, this, &frmLex::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmLex::cmdEdit_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmLex::cmdDelete_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmLex::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLex::cmdCancel_Click);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdEdit);
    buttons->addWidget(cmdDelete);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    resize(500, 340);

    Form_Load();
}

frmLex::~frmLex() = default;

void frmLex::Form_Load()
{
    if (parentWidget())
        setWindowIcon(parentWidget()->window()->windowIcon());
    if (m_dict) {
        m_dict->LoadWords();
        if (m_dict->Words) {
            for (const auto &pair : *m_dict->Words) {
                if (pair)
                    addRow(pair->OriginalWord, pair->NewWord);
            }
        }
    }
    FormTranslator::TranslateForm(this);
}

void frmLex::addRow(const QString &Original, const QString &NewWord)
{
    auto *row = new QTreeWidgetItem(ListView1);
    row->setText(0, Original);
    row->setText(1, NewWord);
    row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
}

QTreeWidgetItem *frmLex::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = ListView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

bool frmLex::AskWordPair(QString &Original, QString &NewWord)
{
    frmWordPair dialog(this);
    dialog.Text1->setText(Original);
    dialog.Text2->setText(NewWord);
    dialog.exec();
    if (dialog.Cancelled)
        return false;
    Original = dialog.Text1->text();
    NewWord = dialog.Text2->text();
    return true;
}

void frmLex::cmdAdd_Click()
{
    QString original;
    QString newWord;
    bool answered = false;
    Trace::attempt(QStringLiteral("cmdAdd_Click"), kModule,
                   [&] { answered = AskWordPair(original, newWord); });
    if (!answered)
        return;
    addRow(original, newWord);
    QTreeWidgetItem *row = ListView1->topLevelItem(ListView1->topLevelItemCount() - 1);
    ListView1->setCurrentItem(row);
    ListView1->scrollToItem(row);
}

void frmLex::cmdEdit_Click()
{
    QTreeWidgetItem *row = selectedRow();
    if (!row)
        return;
    QString original = row->text(0);
    QString newWord = row->text(1);
    bool answered = false;
    Trace::attempt(QStringLiteral("cmdEdit_Click"), kModule,
                   [&] { answered = AskWordPair(original, newWord); });
    if (!answered)
        return;
    row->setText(1, newWord);
    row->setText(0, original);
}

void frmLex::cmdDelete_Click()
{
    QTreeWidgetItem *row = selectedRow();
    if (!row)
        return;
    delete row;
    // One click removes one row: the next row is not silently lined up for deletion.
    ListView1->clearSelection();
}

void frmLex::cmdOK_Click()
{
    if (!m_dict) {
        accept();
        return;
    }
    const auto before = m_dict->Words;
    m_dict->ClearWords();
    m_dict->Words.emplace(); // an empty list is still a loaded list
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ListView1->topLevelItem(i);
        auto pair = std::make_shared<clsWordPair>();
        pair->OriginalWord = row->text(0);
        pair->NewWord = row->text(1);
        m_dict->AddWordPair(pair);
    }
    if (!m_dict->SaveWords()) {
        // The file still holds the old list; keep the dictionary in step with it and the
        // window open, so the edits are neither lost unseen nor used unsaved.
        m_dict->Words = before;
        MessageBoxes::show(
            this, MessageBoxes::Warning, windowTitle(),
            Lang().GetTranslation(QStringLiteral("The pronunciation list could not be saved.")));
        return;
    }
    accept();
}

void frmLex::cmdCancel_Click()
{
    reject();
}
