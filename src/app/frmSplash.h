#pragma once

#include <QWidget>

class QLabel;

// Shown while the main window starts: the program's name, what start-up is doing
// in lblStatus, and the maker's name.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

    QLabel *lblStatus;
    QLabel *lblMaker;
};
