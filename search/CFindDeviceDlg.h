// SPDX-License-Identifier: MIT
#pragma once

#include "DeviceSearchResult.h"
#include "SearchScan.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class SearchThread;

// "Wyszukiwanie ZRQ-7/8...": searches the serial ports for relays on the
// search thread, lists what answered (newest at the top) and hands the row
// the operator picks to the settings window. Closing the window during a
// search stops the search and waits for it first.
class CFindDeviceDlg : public QDialog
{
    Q_OBJECT
public:
    struct Setup
    {
        DeviceSearchColours colours; // the settings window's text, background and value colours
        QColor listBackground;       // crBackground
        QColor listText;             // crParameter
        uint32_t retries = 3;        // nRetries
        devicesearch::SearchLink link = devicesearch::SearchLink::library();
        devicesearch::ScanRange range; // every port and address
    };

    CFindDeviceDlg(Setup setup, QWidget* owner);
    ~CFindDeviceDlg() override;

    // The selected relay, or the defaults (COM1 9600 8 Nie 2 RTU, 150 ms, address 1).
    const DeviceSearchResult& result() const { return m_result; }
    bool isSearching() const;

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void applyColours();
    void onStartStop();
    void onProgress(const QString& text);
    void onFound(const devicesearch::FoundDevice& device);
    void onFinished();
    // Buttons of a window without a search: start enabled, accept disabled.
    void showIdle();
    void onListClick();
    void stopAndWait();

    Setup m_setup;
    DeviceSearchResult m_result;
    SearchThread* m_search;
    QLabel* m_explanation = nullptr;
    QLabel* m_listCaption = nullptr;
    QPlainTextEdit* m_progress = nullptr; // 1146
    QPushButton* m_startStop = nullptr;   // 1063
    QTableWidget* m_list = nullptr;       // 1219
    QPushButton* m_accept = nullptr;      // 1221
    QPushButton* m_cancel = nullptr;      // 1140
};
