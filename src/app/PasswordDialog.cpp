#include "app/PasswordDialog.h"

#include "base/Seam.h"
#include "base/cSharedLang.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString translated(const char *english)
{
    return Lang().GetTranslation(QString::fromLatin1(english));
}

} // namespace

PasswordDialog::PasswordDialog(QWidget *parent, const QString &file, const QString &problem)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(translated("Password"));
    auto *layout = new QVBoxLayout(this);
    if (!problem.isEmpty()) {
        auto *wrong = new QLabel(problem, this);
        wrong->setObjectName(QStringLiteral("lblProblem"));
        wrong->setTextFormat(Qt::PlainText);
        wrong->setWordWrap(true);
        layout->addWidget(wrong);
    }
    // The name comes from the file system: shown as it is, never as markup.
    auto *question =
        new QLabel(translated("%1 is protected by a password. Please enter it:").arg(file), this);
    question->setObjectName(QStringLiteral("lblPassword"));
    question->setTextFormat(Qt::PlainText);
    question->setWordWrap(true);
    layout->addWidget(question);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("txtPassword"));
    m_entry->setEchoMode(QLineEdit::Password);
    m_entry->setAccessibleName(translated("Password"));
    question->setBuddy(m_entry);
    layout->addWidget(m_entry);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(translated("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(translated("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_entry->setFocus();
}

QString PasswordDialog::password() const
{
    return m_entry->text();
}

std::optional<QString> PasswordDialog::Ask(QWidget *parent, const QString &file,
                                           const QString &problem)
{
    if (const Answer answer = Seam::current<AnswerSeam>())
        return answer(file, problem);
    PasswordDialog dialog(parent, file, problem);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.password();
}
