// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QComboBox;

// "Wersja ZRQ-7/8": with no relay connected, the operator picks the firmware
// version the parameters window is built for (7 to 15, 15 preselected). "OK"
// (1212) is the only way out: no close box, Enter and Esc do nothing.
class CFirmwareDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CFirmwareDlg(QWidget* parent = nullptr);

    int chosenVersion() const { return m_version; }
    void accept() override {}
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void onOk();

    QComboBox* m_list;
    int m_version = 0;
};
