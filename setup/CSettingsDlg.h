// SPDX-License-Identifier: MIT
#pragma once

#include "DeviceSearchResult.h"
#include "SearchScan.h"

#include <QDialog>
#include <QList>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class CXLed;
class CColorRect;
struct ProgramSettings;

// "Ustawienia": how the program reaches the relay, how it behaves, password
// protection and the interface colours. It edits working copies and writes
// them into the live record and the profile only on "Zapisz"; "Ustawienia
// domyślne" and a new password change the live record at once. Enter and Esc
// do nothing; "Zakończ" and the close box leave without saving.
// Every control is named "id" + its number (id1016 the port list, ...).
class CSettingsDlg : public QDialog
{
    Q_OBJECT
public:
    // `settings` is the live record (theApp().settings in the program).
    explicit CSettingsDlg(ProgramSettings& settings, QWidget* parent = nullptr);
    explicit CSettingsDlg(QWidget* parent = nullptr);

    // Narrows the ports and addresses "Automat. wyszukiwanie" asks (tests); the
    // operator's search asks them all.
    void narrowDeviceSearch(devicesearch::ScanRange range) { m_searchRange = range; }
    // Takes over the line settings, time-out and address of the relay the device
    // search found; texts a list does not hold leave that list as it was.
    void takeOverSearchResult(const DeviceSearchResult& found);

    // The working colours (0x00BBGGRR) the window paints itself with.
    uint32_t backgroundColour() const { return m_crBackground; }
    uint32_t textColour() const { return m_crText; }
    uint32_t valueColour() const { return m_crParameter; }

signals:
    // "Zapisz" or "Ustawienia domyślne" has changed the live record; whatever
    // works from a copy of it (the poll) takes the new values now.
    void liveRecordChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    QPushButton* makeButton(int id, const QString& text);
    void connectControls();

    void loadFromRecord();
    void applyPortRule();
    void applyProtocolRule();
    void applyProtectionRule();
    void applyStyleRule();
    void applyColours();
    void styleClicked(int style);
    void chooseColour(int which); // 0 background, 1 text, 2 value
    void numericFieldEdited(QLineEdit* field);
    bool numericFieldsValid();
    void save();
    void restoreDefaults();
    void changePassword();
    void runDeviceSearch();
    bool selectEntry(QComboBox* list, const QString& text);
    bool serialPortSelected() const;
    // The window's edits and lists, which show values in the value colour.
    QList<QWidget*> valueControls() const;

    ProgramSettings& m_settings;
    devicesearch::ScanRange m_searchRange;

    // Working values that live only in the window (the rest is what the
    // controls show): the three colours, and the last valid content of each
    // numeric field, which stays when a field is emptied.
    uint32_t m_crBackground = 0;
    uint32_t m_crText = 0;
    uint32_t m_crParameter = 0;
    int32_t m_nDeviceAddress = 1;
    uint32_t m_nTcpPort = 0;
    uint32_t m_nResponseTimeout = 0;
    uint32_t m_nRetries = 0;

    QComboBox* m_port = nullptr;               // 1016
    QPushButton* m_search = nullptr;           // 1216
    QComboBox* m_baudRate = nullptr;           // 1018
    QComboBox* m_dataBits = nullptr;           // 1020
    QComboBox* m_parity = nullptr;             // 1023
    QComboBox* m_stopBits = nullptr;           // 1024
    QComboBox* m_protocol = nullptr;           // 1026
    QLineEdit* m_ipAddress = nullptr;          // 1203
    QLineEdit* m_tcpPort = nullptr;            // 1051
    QLineEdit* m_deviceAddress = nullptr;      // 1045
    QLineEdit* m_timeout = nullptr;            // 1028
    QLineEdit* m_retries = nullptr;            // 1202
    QCheckBox* m_alwaysOnTop = nullptr;        // 1030
    QCheckBox* m_startWithSystem = nullptr;    // 1049
    QCheckBox* m_autoConnect = nullptr;        // 1042
    QCheckBox* m_protection = nullptr;         // 1035
    QLineEdit* m_passwordShown = nullptr;      // 1034
    QPushButton* m_changePassword = nullptr;   // 1039
    QCheckBox* m_passwordFlags[5] = {};        // 1036, 1037, 1038, 1043, 1040
    QRadioButton* m_styleSystem = nullptr;     // 1032
    QRadioButton* m_styleOwn = nullptr;        // 1033
    QPushButton* m_backgroundButton = nullptr; // 1014
    QPushButton* m_textButton = nullptr;       // 1011
    QPushButton* m_valueButton = nullptr;      // 1047
    CColorRect* m_swatches[3] = {};            // the working background, text and value colours
    CXLed* m_protectionLed = nullptr;          // 1161
};
