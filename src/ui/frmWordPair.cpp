#include "ui/frmWordPair.h"

#include "base/Trace.h"
#include "base/cSharedLang.h"
#include "speech/clsDict.h"
#include "speech/clsTalker.h"
#include "ui/FormTranslator.h"
#include "ui/MessageBoxes.h"
#include "ui/MousePointer.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kModule = QStringLiteral("frmWordPair");
} // namespace

frmWordPair::frmWordPair(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWordPair"));
    setWindowTitle(QStringLiteral("Word pair setup"));

    Label1 = new QLabel(QStringLiteral("Say"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label2 = new QLabel(QStringLiteral("as"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    Text1->setMinimumWidth(160);
    Text2->setMinimumWidth(160);

    for (int i = 0; i < 2; ++i) {
        cmdTest[i] = new QPushButton(QStringLiteral("Test"), this);
        cmdTest[i]->setObjectName(QStringLiteral("cmdTest_%1").arg(i));
        // Enter in a text box means OK, never Test.
        cmdTest[i]->setAutoDefault(false);
        connect(cmdTest[i], &QPushButton::clicked, this, [this, i] { cmdTest_Click(i); });
    }
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmWordPair::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWordPair::cmdCancel_Click);

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Text2, 0, 3);
    grid->addWidget(cmdTest[0], 1, 1, Qt::AlignLeft);
    grid->addWidget(cmdTest[1], 1, 3, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

frmWordPair::~frmWordPair() = default;

void frmWordPair::Form_Load()
{
    Talker = std::make_unique<clsTalker>();
    // Without an engine the dialog is still good for typing a pair; only Test is mute.
    if (!Trace::attempt(QStringLiteral("Form_Load"), kModule, [&] { Talker->InitEngine(); }))
        MousePointer::NormalMouse();
    FormTranslator::TranslateForm(this);
}

void frmWordPair::cmdTest_Click(int Index)
{
    if (Index < 0 || Index > 1 || !Talker)
        return;
    const QLineEdit *box = Index == 0 ? Text1 : Text2;
    Talker->Say(box->text().toLower());
}

void frmWordPair::cmdOK_Click()
{
    // A pair the list could not store, or would read back otherwise, is refused here,
    // where the user can still correct it.
    QString problem;
    switch (clsDict::CheckPair(Text1->text(), Text2->text())) {
    case clsDict::PairProblem::None:
        break;
    case clsDict::PairProblem::EmptyWord:
        problem = Lang().GetTranslation(QStringLiteral("Type the word to be said differently."));
        break;
    case clsDict::PairProblem::EmptyReplacement:
        problem = Lang().GetTranslation(QStringLiteral("Type how the word should be said."));
        break;
    case clsDict::PairProblem::CommaInWord:
        problem = Lang().GetTranslation(QStringLiteral("The word cannot contain a comma."));
        break;
    case clsDict::PairProblem::LineEnd:
        problem = Lang().GetTranslation(QStringLiteral("A word cannot span lines."));
        break;
    }
    if (!problem.isEmpty()) {
        MessageBoxes::show(this, MessageBoxes::Warning, windowTitle(), problem);
        return;
    }
    Cancelled = false;
    accept();
}

void frmWordPair::cmdCancel_Click()
{
    reject();
}

void frmWordPair::reject()
{
    Cancelled = true;
    QDialog::reject();
}
