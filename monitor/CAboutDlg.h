// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

// "O programie CPL_ZRQ7": the program and firmware versions it works with, the
// operator's guide, system information and the maker's web site.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showSystemInformation();
};
