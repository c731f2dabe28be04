// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

// The small wait window shown while the relay's clock is set or the relay
// restarts: an icon and one line of text (1223). It has no buttons and cannot
// be closed by the operator; its owner closes it when the work is done.
class CWaitDlg : public QDialog
{
    Q_OBJECT
public:
    CWaitDlg(QWidget* parent, const QString& caption, const QString& text);

    void reject() override {}
};
