// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

// The main window. For now a shell that the live monitor grows into: its
// title, "Ustawienia" (1000) and "Zakończ" (1080). Enter and Esc never close it.
class CCPL_ZRQ7Dlg : public QDialog
{
    Q_OBJECT
public:
    explicit CCPL_ZRQ7Dlg(QWidget* parent = nullptr);

    void accept() override {}
    void reject() override {}

    // "Ustawienia": brings an open settings window to the front, or passes the
    // settings password gate and runs the settings window.
    void OnSettings();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyAlwaysOnTop();
    void closeSequence();
};
