#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class clsTalker;

// "Word pair setup": one word and what the engine should be given for it, each with a
// Test button that speaks it through a speech wrapper of the dialog's own. The caller
// fills Text1 and Text2, runs exec(), and reads them back unless Cancelled.
class frmWordPair : public QDialog
{
    Q_OBJECT
public:
    explicit frmWordPair(QWidget *parent = nullptr);
    ~frmWordPair() override;

    // True when the user left by Cancel, Escape or the window frame.
    bool Cancelled = false;

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *cmdTest[2] = { nullptr, nullptr };
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void cmdTest_Click(int Index);
    void cmdOK_Click();
    void cmdCancel_Click();

    // Leaving through the frame or Escape is the same as Cancel: the caller must not
    // take whatever happens to be in the boxes.
    void reject() override;

    clsTalker *talker() const { return Talker.get(); }

private:
    void Form_Load();

    std::unique_ptr<clsTalker> Talker;
};
