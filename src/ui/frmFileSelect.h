#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The program's own file-selection window: a modal file dialog for one existing file,
// described by a pattern, a title and a starting folder.
class frmFileSelect
{
public:
    explicit frmFileSelect(QWidget *parent = nullptr);

    // Patterns separated by ";", such as "*.txt;*.rtf".
    QString Filepattern() const { return m_pattern; }
    void setFilepattern(const QString &pattern) { m_pattern = pattern; }
    // Named filters the dialog offers instead of the pattern alone, first the one it starts
    // with ("All documents (*.txt *.pdf)"); an "All files (*)" filter is always added last.
    QStringList NameFilters() const { return m_nameFilters; }
    void setNameFilters(const QStringList &filters) { m_nameFilters = filters; }
    QString WindowTitle() const { return m_title; }
    void setWindowTitle(const QString &title) { m_title = title; }

    // The folder the dialog opens in; "\" counts as a separator and a trailing one is
    // dropped. Throws Failure 76 when the folder does not exist and 75 when it cannot
    // be read, so that the caller can fall back to another folder.
    QString DefaultPath() const { return m_defaultPath; }
    void setDefaultPath(const QString &folder);

    // Shows the dialog modally; afterwards Cancelled, SelectedFilename and SelectedPath
    // tell what the user chose.
    void GetFilename();

    bool Cancelled() const { return m_cancelled; }
    // The file name alone, and its folder without a trailing separator.
    QString SelectedFilename() const { return m_selectedFilename; }
    QString SelectedPath() const { return m_selectedPath; }

    // Tests answer the dialog instead of a user (see base/Seam.h): the hook gets the window
    // as set up and returns the chosen file's full path, or an empty string for Cancel.
    // Empty: the real dialog.
    using Answer = std::function<QString(const frmFileSelect &)>;
    struct AnswerSeam
    {
        using Type = Answer;
    };

private:
    QString askUser() const;

    QWidget *m_parent;
    QString m_pattern;
    QStringList m_nameFilters;
    QString m_title;
    QString m_defaultPath;
    bool m_cancelled = true;
    QString m_selectedFilename;
    QString m_selectedPath;
};
