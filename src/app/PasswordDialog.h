#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

// Asks for the password of a protected document: the file's name, why it is asked again
// after a wrong one, a hidden entry, OK and Cancel. Named for screen readers.
class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    PasswordDialog(QWidget *parent, const QString &file, const QString &problem);

    QString password() const;

    // The password the user gives, or nothing when they cancel. `problem` (translated) is
    // shown above the entry; empty the first time.
    static std::optional<QString> Ask(QWidget *parent, const QString &file, const QString &problem);

    // Tests answer instead of a user (see base/Seam.h): the hook gets the file's name and the
    // problem shown and returns the password, or nothing for Cancel. Empty: the real dialog.
    using Answer =
        std::function<std::optional<QString>(const QString &file, const QString &problem)>;
    struct AnswerSeam
    {
        using Type = Answer;
    };

private:
    QLineEdit *m_entry = nullptr;
};
