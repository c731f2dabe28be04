// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

// The splash window ("Powitanie", 500 x 190, no frame). Before it shows it asks
// whether to go on when the screen is below 1024 x 768 and makes sure the
// working folders exist; it fades in and closes itself after the splash time.
// Enter, Esc and closing do nothing: only the timer ends it.
class CInitialDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CInitialDlg(QWidget* parent = nullptr);

    // Accepted when start-up may go on, Rejected when it must stop (screen
    // question answered No, or a working folder cannot be created).
    int exec() override;

    static constexpr int kWidth = 500;
    static constexpr int kHeight = 190;
    static constexpr int kFadeInMs = 1500;
    // True when the screen question must be asked.
    static bool screenTooSmall(QSize screen);
    // 3000 ms; ZRQ7_SPLASH_MS=<ms> in the environment shortens it for tests.
    static int splashMilliseconds();

    void accept() override {}
    void reject() override {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool initDialog();
    void timerElapsed();

    QLabel* m_picture = nullptr; // id1053
    QTimer m_timer;
    bool m_ended = false;
};
