// SPDX-License-Identifier: MIT
#pragma once

#include <QMessageBox>

// Every message box of the program goes through here, so that a test can watch
// the messages of a program it started: with ZRQ7_MESSAGE_LOG=<file> in the
// environment nothing is shown; each message appends one line
// "<icon>|<caption>|<text with \r and \n escaped>" to the file and is answered
// with its default button at once.
QMessageBox::StandardButton ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The question after a failed register of a long operation: buttons "Anuluj"
// (Cancel), "Ponów próbę" (Retry, the default) and "Kontynuuj" (Ignore), a
// warning icon, kept on top. Logged like ShowMessage.
QMessageBox::StandardButton AskCancelTryContinue(QWidget* owner, const QString& caption, const QString& text);

// ShowMessage for a box that stays on top of other windows (the link's error
// messages, the close question, a refused motor command), so it cannot hide
// behind another program's window while it waits for the operator.
QMessageBox::StandardButton
ShowMessageOnTop(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// With ZRQ7_MESSAGE_LOG set, also appends "window|<class>|<title>" to the file
// each time a top-level window of the program is shown, so a test can tell how far
// start-up went. Does nothing without the variable. Call once after the
// QApplication exists.
void LogShownWindows();
