#pragma once

#include <QDialog>

// The about box: the program, its version, what it is for and who makes it.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
};
