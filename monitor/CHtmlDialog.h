// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QTextBrowser;

// The fault report viewer "Podgląd dziennika zdarzeń awaryjnych [ <path> ]":
// shows a written report in a browser view that fills the window. Links to
// other local files open in the view; links to the web open in the desktop's
// browser.
class CHtmlDialog : public QDialog
{
    Q_OBJECT
public:
    CHtmlDialog(const QString& path, QWidget* owner);

    QTextBrowser* view() const { return m_view; }

private:
    QTextBrowser* m_view;
};
