#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class clsDict;

// "Pronunciation Setup": the pronunciation list as a two-column list that the user edits
// as a working copy. The dictionary and its file change only on OK; Cancel, Escape and
// the window frame discard the copy. Shown with exec(); each opening is a fresh window.
class frmLex : public QDialog
{
    Q_OBJECT
public:
    // `dict` is the process's dictionary: reloaded from its file here, rebuilt and saved
    // on OK. Not owned.
    explicit frmLex(clsDict *dict, QWidget *parent = nullptr);
    ~frmLex() override;

    QTreeWidget *ListView1 = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    // Asks for one pair in the word-pair dialog, the boxes filled with the two words;
    // false when the user cancelled. Tests override it to answer without a dialog.
    virtual bool AskWordPair(QString &Original, QString &NewWord);

private:
    void Form_Load();
    QTreeWidgetItem *selectedRow() const;
    void addRow(const QString &Original, const QString &NewWord);

    clsDict *m_dict;
};
