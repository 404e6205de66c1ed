#pragma once

#include "net/TransferView.h"

#include <QDialog>

#include <memory>

class InternetTransfer;
class QLabel;
class QPushButton;

// The transfer window: the target file, the transfer's state and a Stop button over
// an InternetTransfer, which does all the work. Either the window owns its transfer
// (the library window keeps one and listens to transfer()'s events), or it is the
// face cSHAREDInternet borrows for GetFile's progress window.
class fSHAREDInternet : public QDialog, public TransferView
{
    Q_OBJECT
public:
    explicit fSHAREDInternet(QWidget *parent = nullptr);
    explicit fSHAREDInternet(InternetTransfer &transfer, QWidget *parent = nullptr);
    ~fSHAREDInternet() override;

    InternetTransfer &transfer() { return *m_transfer; }

    // The factory cSHAREDInternet takes for its progress window.
    static TransferViewFactory viewFactory();

    void showModal() override;
    void hideView() override;

    QLabel *lblFile = nullptr;
    QLabel *lblProgress = nullptr;
    QPushButton *cmdStop = nullptr;

    void Form_Load();
    void cmdStop_Click();

    // Closing the window stops the transfer, as Stop does.
    void reject() override;

private:
    void build();
    void showLabels();

    std::unique_ptr<InternetTransfer> m_owned;
    InternetTransfer *m_transfer = nullptr;
};
