// SPDX-License-Identifier: MIT
// The main window in the test's own process against a relay simulator: its
// buttons, its connect, and the suite fixture the in-process panel suites share.
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>

class CCPL_ZRQ7Dlg;
class QAbstractButton;
class QWidget;

namespace zrq7::e2e {

// The window's button control `id`.
QAbstractButton* button(const QWidget& window, int id);
// Button 1084; the connect or disconnect has ended (connected or reported) when this returns.
void clickConnect(CCPL_ZRQ7Dlg& window);
// Whether the link library holds a serial or TCP link open.
bool linkOpen();

// Base of the in-process panel suites: the program's message boxes go to a log
// in a private folder (read with takeMessages()), emptied before each test; a
// test that leaves the link open fails.
class PanelTestCase : public QObject
{
    Q_OBJECT

protected:
    // A path in the suite's private folder.
    QString scratchPath(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

private:
    QTemporaryDir m_dir;
};

} // namespace zrq7::e2e
