// SPDX-License-Identifier: MIT
#include "CSettingsDlg.h"

#include "Autostart.h"
#include "CCPL_ZRQ7App.h"
#include "CColorRect.h"
#include "CXLed.h"
#include "ColorRef.h"
#include "DeviceSearch.h"
#include "IconPicture.h"
#include "MessageBox.h"
#include "PasswordGate.h"
#include "ProgramSettings.h"
#include "SerialPortScan.h"
#include "SettingsFields.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kModbusTcp = QStringLiteral("Modbus TCP");

// Bits of nPasswordFlags in the order of the window's five boxes.
constexpr int32_t kPasswordFlagBits[5] = {PWD_AT_START, PWD_SETTINGS, PWD_DEVICE_PARAMS, PWD_CONNECT,
                                          PWD_DATABASE};

constexpr quint64 kUnsignedMax = 0xFFFFFFFFu;
constexpr quint64 kSignedMax = 0x7FFFFFFF;

QString positiveIntegerMessage()
{
    return QStringLiteral("Wprowadź liczbę całkowitą dodatnią.");
}

QString integerMessage()
{
    return QStringLiteral("Wprowadź liczbę całkowitą.");
}

void setId(QWidget* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
}

// A decorative picture of the program's icons at its size.
QLabel* picture(int id, const QString& iconName, int size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    setId(label, id);
    const IconPicture icon = IconPicture::fromName(iconName, QSize(size, size));
    label->setPixmap(icon.pixmap(label->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

QGridLayout* groupGrid(QGroupBox* box)
{
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    return grid;
}

} // namespace

CSettingsDlg::CSettingsDlg(QWidget* parent) : CSettingsDlg(theApp().settings, parent) {}

CSettingsDlg::CSettingsDlg(ProgramSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Ustawienia"));
    buildControls();

    m_port->addItems(ScanSerialPorts());
    m_port->addItem(kModbusTcp);

    loadFromRecord();
    applyPortRule();
    connectControls();
}

QPushButton* CSettingsDlg::makeButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    setId(button, id);
    // Enter must never press a button of this window (not even the focused one).
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void CSettingsDlg::buildControls()
{
    auto list = [this](int id, const QStringList& entries) {
        auto* box = new QComboBox(this);
        setId(box, id);
        box->addItems(entries);
        return box;
    };
    auto field = [this](int id, quint64 maximum) {
        auto* edit = new QLineEdit(this);
        setId(edit, id);
        edit->setValidator(new DigitsValidator(maximum, edit));
        edit->setMaxLength(10);
        return edit;
    };
    auto check = [this](int id, const QString& text) {
        auto* box = new QCheckBox(text, this);
        setId(box, id);
        return box;
    };

    // Communication.
    m_port = list(1016, {});
    m_search = makeButton(1216, QStringLiteral("Automat. wyszukiwanie"));
    m_baudRate = list(1018, {QStringLiteral("9600"), QStringLiteral("19200")});
    m_dataBits = list(1020, {QStringLiteral("7"), QStringLiteral("8")});
    m_parity = list(1023, {QStringLiteral("Nie"), QStringLiteral("Tak")});
    m_stopBits = list(1024, {QStringLiteral("1"), QStringLiteral("2")});
    m_protocol = list(1026, {QStringLiteral("RTU"), QStringLiteral("ASCII")});
    m_ipAddress = new QLineEdit(this);
    setId(m_ipAddress, 1203);
    m_ipAddress->setValidator(new Ipv4Validator(m_ipAddress));
    m_ipAddress->setMaxLength(15);
    m_tcpPort = field(1051, kUnsignedMax);
    m_deviceAddress = field(1045, kSignedMax);
    m_timeout = field(1028, kUnsignedMax);
    m_retries = field(1202, kUnsignedMax);

    auto* communication = new QGroupBox(QStringLiteral("Ustawienia komunikacji"), this);
    auto* comGrid = groupGrid(communication);
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* control, QLayout* beside = nullptr) {
        auto* text = new QLabel(label, communication);
        text->setBuddy(control);
        comGrid->addWidget(text, row, 0);
        if (beside)
            comGrid->addLayout(beside, row, 1);
        else
            comGrid->addWidget(control, row, 1);
        ++row;
    };
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(m_port, 1);
    portRow->addWidget(m_search);
    m_search->setMinimumWidth(m_search->sizeHint().width() + 2 * fontMetrics().averageCharWidth());
    addRow(QStringLiteral("port COM:"), m_port, portRow);
    addRow(QStringLiteral("Prędkość (bit/s):"), m_baudRate);
    addRow(QStringLiteral("Bity danych:"), m_dataBits);
    addRow(QStringLiteral("Parzystość:"), m_parity);
    addRow(QStringLiteral("Bity stopu:"), m_stopBits);
    addRow(QStringLiteral("Protokół:"), m_protocol);
    comGrid->setRowMinimumHeight(row++, 6);
    addRow(QStringLiteral("Adres IP:"), m_ipAddress);
    addRow(QStringLiteral("Port:"), m_tcpPort);
    comGrid->setRowMinimumHeight(row++, 6);
    addRow(QStringLiteral("Adres urządzenia:"), m_deviceAddress);
    addRow(QStringLiteral("Limit czasu odpowiedzi [ms]:"), m_timeout);
    addRow(QStringLiteral("Liczba ponownych zapytań:"), m_retries);
    comGrid->setRowStretch(row++, 1);
    comGrid->addWidget(picture(1166, QStringLiteral("connect"), 32, communication), row, 0,
                       Qt::AlignLeft | Qt::AlignBottom);
    comGrid->addWidget(picture(1162, QStringLiteral("cpl_zrq7"), 48, communication), row, 1,
                       Qt::AlignRight | Qt::AlignBottom);
    comGrid->setColumnStretch(1, 1);

    // System and protection.
    m_alwaysOnTop = check(1030, QStringLiteral("Nad innymi oknami"));
    m_startWithSystem = check(1049, QStringLiteral("Starcie Windows"));
    m_autoConnect = check(1042, QStringLiteral("Automatyczne połączenie"));
    m_protection = check(1035, QStringLiteral("Zabezpiecz hasłem"));
    m_passwordShown = new QLineEdit(this);
    setId(m_passwordShown, 1034);
    m_passwordShown->setReadOnly(true);
    m_passwordShown->setEchoMode(QLineEdit::Password);
    // A fixed stand-in: the window never shows (or reveals the length of) the password.
    m_passwordShown->setText(QStringLiteral("000000000000"));
    m_passwordShown->setFocusPolicy(Qt::NoFocus);
    // Room for the twelve mask characters, whatever the style draws them as.
    const int mask = style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, m_passwordShown);
    m_passwordShown->setMinimumWidth(fontMetrics().horizontalAdvance(QString(12, QChar(mask))) + 16);
    m_changePassword = makeButton(1039, QStringLiteral("Zmień"));
    m_protectionLed = new CXLed(this);
    setId(m_protectionLed, 1161);
    m_protectionLed->SetIcons(QStringLiteral("protection_on"), 48, 48, QStringLiteral("protection_off"), 48,
                              48);

    auto* system = new QGroupBox(QStringLiteral("Ustawienia systemowe"), this);
    auto* sysGrid = groupGrid(system);
    sysGrid->addWidget(m_alwaysOnTop, 0, 0, 1, 3);
    sysGrid->addWidget(m_startWithSystem, 1, 0, 1, 3);
    sysGrid->addWidget(m_autoConnect, 2, 0, 1, 3);
    sysGrid->setRowMinimumHeight(3, 4);
    sysGrid->addWidget(new QLabel(QStringLiteral("Bezpieczeństwo:"), system), 4, 0, 1, 2);
    sysGrid->addWidget(m_protection, 5, 0, 1, 2);
    sysGrid->addWidget(m_passwordShown, 6, 0);
    sysGrid->addWidget(m_changePassword, 6, 1);
    sysGrid->addWidget(m_protectionLed, 4, 2, 3, 1, Qt::AlignRight | Qt::AlignVCenter);
    sysGrid->setColumnStretch(0, 1);

    const QString flagTexts[5] = {
        QStringLiteral("uruchomienia programu"), QStringLiteral("otwarcia okna ustawień"),
        QStringLiteral("zmiany parametrów ZRQ-7/8"), QStringLiteral("podczas połączenia z ZRQ-7/8"),
        QStringLiteral("zarządzania bazą danych")};
    const int flagIds[5] = {1036, 1037, 1038, 1043, 1040};
    auto* passwordFor = new QGroupBox(QStringLiteral("Wymagaj podania hasła w przypadku:"), this);
    auto* flagsLayout = new QVBoxLayout(passwordFor);
    flagsLayout->setSpacing(4);
    for (int i = 0; i < 5; ++i) {
        m_passwordFlags[i] = check(flagIds[i], flagTexts[i]);
        flagsLayout->addWidget(m_passwordFlags[i]);
    }

    // Interface.
    m_styleSystem = new QRadioButton(QStringLiteral("Windows zwykły"), this);
    setId(m_styleSystem, 1032);
    m_styleOwn = new QRadioButton(QStringLiteral("Windows stylowy"), this);
    setId(m_styleOwn, 1033);
    auto* styles = new QButtonGroup(this);
    styles->addButton(m_styleSystem, 0);
    styles->addButton(m_styleOwn, 1);
    m_backgroundButton = makeButton(1014, QStringLiteral("Zmień"));
    m_textButton = makeButton(1011, QStringLiteral("Zmień"));
    m_valueButton = makeButton(1047, QStringLiteral("Zmień"));
    for (CColorRect*& swatch : m_swatches) {
        swatch = new CColorRect(this);
        swatch->setFixedSize(40, 20);
    }

    auto* interface = new QGroupBox(QStringLiteral("Ustawienia interfejsu"), this);
    auto* uiGrid = groupGrid(interface);
    uiGrid->addWidget(m_styleSystem, 0, 0, 1, 2);
    uiGrid->addWidget(m_styleOwn, 1, 0, 1, 2);
    uiGrid->addWidget(picture(1164, QStringLiteral("settings"), 32, interface), 0, 2, 2, 1, Qt::AlignCenter);
    const QString colourLabels[3] = {QStringLiteral("Kolor tła:"), QStringLiteral("Kolor tekstu:"),
                                     QStringLiteral("Kolor parametru:")};
    QPushButton* colourButtons[3] = {m_backgroundButton, m_textButton, m_valueButton};
    for (int i = 0; i < 3; ++i) {
        uiGrid->addWidget(new QLabel(colourLabels[i], interface), 2 + i, 0);
        uiGrid->addWidget(m_swatches[i], 2 + i, 1);
        uiGrid->addWidget(colourButtons[i], 2 + i, 2);
    }
    uiGrid->setColumnStretch(0, 1);

    // Commands.
    auto* defaults = makeButton(1001, QStringLiteral("Ustawienia domyślne"));
    auto* saveButton = makeButton(1005, QStringLiteral("Zapisz"));
    auto* closeButton = makeButton(1154, QStringLiteral("Zakończ"));
    connect(defaults, &QPushButton::clicked, this, &CSettingsDlg::restoreDefaults);
    connect(saveButton, &QPushButton::clicked, this, &CSettingsDlg::save);
    connect(closeButton, &QPushButton::clicked, this, &CSettingsDlg::reject);

    auto* right = new QVBoxLayout;
    right->addWidget(system);
    right->addWidget(passwordFor);
    right->addWidget(interface);
    right->addStretch(1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(communication, 1);
    groups->addLayout(right);

    auto* commands = new QHBoxLayout;
    commands->addWidget(defaults);
    commands->addStretch(1);
    commands->addWidget(saveButton);
    commands->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups, 1);
    layout->addLayout(commands);
}

void CSettingsDlg::connectControls()
{
    // User choices only (activated, clicked, textEdited): the rules must not
    // run again when the window itself changes a control.
    connect(m_port, &QComboBox::activated, this, &CSettingsDlg::applyPortRule);
    connect(m_protocol, &QComboBox::activated, this, &CSettingsDlg::applyProtocolRule);
    connect(m_protection, &QCheckBox::clicked, this, &CSettingsDlg::applyProtectionRule);
    connect(m_styleSystem, &QRadioButton::clicked, this, [this] { styleClicked(0); });
    connect(m_styleOwn, &QRadioButton::clicked, this, [this] { styleClicked(1); });
    connect(m_backgroundButton, &QPushButton::clicked, this, [this] { chooseColour(0); });
    connect(m_textButton, &QPushButton::clicked, this, [this] { chooseColour(1); });
    connect(m_valueButton, &QPushButton::clicked, this, [this] { chooseColour(2); });
    connect(m_changePassword, &QPushButton::clicked, this, &CSettingsDlg::changePassword);
    connect(m_search, &QPushButton::clicked, this, &CSettingsDlg::runDeviceSearch);
    for (QLineEdit* field : {m_tcpPort, m_deviceAddress, m_timeout, m_retries})
        connect(field, &QLineEdit::textEdited, this, [this, field] { numericFieldEdited(field); });
}

void CSettingsDlg::loadFromRecord()
{
    const ProgramSettings& s = m_settings;

    m_nDeviceAddress = s.nDeviceAddress;
    m_deviceAddress->setText(QString::number(s.nDeviceAddress));

    const int port = m_port->findText(SettingsText(s.szPortName), Qt::MatchFixedString);
    m_port->setCurrentIndex(port >= 0 ? port : 0);

    m_baudRate->setCurrentIndex(s.nBaudRateIndex);
    m_dataBits->setCurrentIndex(s.nDataBitsIndex);
    m_parity->setCurrentIndex(s.nParityIndex);
    m_stopBits->setCurrentIndex(s.nStopBitsIndex);
    m_protocol->setCurrentIndex(s.nProtocolIndex);

    m_nResponseTimeout = s.nResponseTimeout;
    m_timeout->setText(QString::number(s.nResponseTimeout));
    m_nRetries = s.nRetries;
    m_retries->setText(QString::number(s.nRetries));
    m_nTcpPort = s.nTcpPort;
    m_tcpPort->setText(QString::number(s.nTcpPort));
    m_ipAddress->setText(Ipv4Text(s.dwIpAddress));

    m_alwaysOnTop->setChecked(s.bAlwaysOnTop != 0);
    m_startWithSystem->setChecked(s.bStartWithWindows != 0);
    m_autoConnect->setChecked(s.bAutoConnect != 0);
    (s.nInterfaceStyle == 1 ? m_styleOwn : m_styleSystem)->setChecked(true);
    m_protection->setChecked(s.bPasswordProtection != 0);
    for (int i = 0; i < 5; ++i)
        m_passwordFlags[i]->setChecked((s.nPasswordFlags & kPasswordFlagBits[i]) != 0);

    applyProtectionRule();
    applyStyleRule();
}

QList<QWidget*> CSettingsDlg::valueControls() const
{
    return {m_port,      m_baudRate, m_dataBits,      m_parity,  m_stopBits, m_protocol,
            m_ipAddress, m_tcpPort,  m_deviceAddress, m_timeout, m_retries,  m_passwordShown};
}

bool CSettingsDlg::serialPortSelected() const
{
    return m_port->currentIndex() >= 0 && m_port->currentText() != kModbusTcp;
}

void CSettingsDlg::applyPortRule()
{
    if (m_port->currentIndex() < 0)
        return;
    const bool serial = serialPortSelected();
    m_port->setEnabled(true);
    for (QWidget* control : {static_cast<QWidget*>(m_baudRate), static_cast<QWidget*>(m_dataBits),
                             static_cast<QWidget*>(m_parity), static_cast<QWidget*>(m_stopBits),
                             static_cast<QWidget*>(m_protocol)})
        control->setEnabled(serial);
    m_search->setEnabled(serial);
    m_ipAddress->setEnabled(!serial);
    m_tcpPort->setEnabled(!serial);
    // Modbus TCP frames are never RTU/ASCII framed; the list shows ASCII then.
    if (!serial)
        m_protocol->setCurrentIndex(1);
}

void CSettingsDlg::applyProtocolRule()
{
    // ASCII carries 7 data bits, RTU 8.
    m_dataBits->setCurrentIndex(m_protocol->currentIndex() == 1 ? 0 : 1);
}

void CSettingsDlg::applyProtectionRule()
{
    const bool on = m_protection->isChecked();
    m_passwordShown->setEnabled(on);
    m_changePassword->setEnabled(on);
    for (QCheckBox* box : m_passwordFlags)
        box->setEnabled(on);
    m_protectionLed->SetState(on ? CXLed::On : CXLed::Off);
}

void CSettingsDlg::applyStyleRule()
{
    const bool own = m_styleOwn->isChecked();
    for (QPushButton* button : {m_backgroundButton, m_textButton, m_valueButton})
        button->setEnabled(own);
    if (own) {
        // Always the record's colours: choices made earlier in this window are dropped.
        m_crBackground = m_settings.crBackground;
        m_crText = m_settings.crText;
        m_crParameter = m_settings.crParameter;
    } else {
        const QPalette system = QApplication::palette();
        m_crBackground = colorRefFrom(system.color(QPalette::Button));
        m_crText = colorRefFrom(system.color(QPalette::WindowText));
        m_crParameter = m_crText;
    }
    applyColours();
}

void CSettingsDlg::applyColours()
{
    const QColor background = colorFromRef(m_crBackground);
    const QColor text = colorFromRef(m_crText);
    const QColor value = colorFromRef(m_crParameter);
    auto greyed = [&](const QColor& c) {
        return QColor((c.red() + background.red()) / 2, (c.green() + background.green()) / 2,
                      (c.blue() + background.blue()) / 2);
    };

    // Labels, check boxes, radio buttons and group titles: text on background.
    // Push buttons and the check marks' boxes keep the system look.
    QPalette window = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        window.setColor(group, QPalette::Window, background);
        window.setColor(group, QPalette::WindowText, text);
    }
    window.setColor(QPalette::Disabled, QPalette::Window, background);
    window.setColor(QPalette::Disabled, QPalette::WindowText, greyed(text));
    setPalette(window);

    // Edits and lists: values on background.
    QPalette values = window;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        for (auto role : {QPalette::Base, QPalette::Button})
            values.setColor(group, role, background);
        for (auto role : {QPalette::Text, QPalette::ButtonText})
            values.setColor(group, role, value);
    }
    for (auto role : {QPalette::Base, QPalette::Button})
        values.setColor(QPalette::Disabled, role, background);
    for (auto role : {QPalette::Text, QPalette::ButtonText})
        values.setColor(QPalette::Disabled, role, greyed(value));
    for (QWidget* control : valueControls())
        control->setPalette(values);

    m_swatches[0]->SetColor(background);
    m_swatches[1]->SetColor(text);
    m_swatches[2]->SetColor(value);
    update();
}

void CSettingsDlg::styleClicked(int style)
{
    applyStyleRule();
    if (style == 1) {
        ShowMessage(
            this, QMessageBox::Information, QStringLiteral("ZRQ-7/8"),
            QStringLiteral("Ustawienia interfejsu zaczną obowiązywać po ponownym uruchomieniu programu."));
    }
}

void CSettingsDlg::chooseColour(int which)
{
    // The swatch opens the chooser on the working colour; the record waits for "Zapisz".
    uint32_t* const colours[3] = {&m_crBackground, &m_crText, &m_crParameter};
    if (m_swatches[which]->ChooseColor()) {
        *colours[which] = m_swatches[which]->GetColorRef();
        applyColours();
    }
}

void CSettingsDlg::numericFieldEdited(QLineEdit* field)
{
    const bool isAddress = field == m_deviceAddress;
    const auto value = ParseDigits(field->text(), isAddress ? kSignedMax : kUnsignedMax);
    if (!value) {
        // Emptied by the operator: say so at once; the working value stays.
        ShowMessage(this, QMessageBox::Warning, QStringLiteral("Uwaga"),
                    isAddress ? integerMessage() : positiveIntegerMessage());
        field->setFocus();
        return;
    }
    if (field == m_deviceAddress)
        m_nDeviceAddress = int32_t(*value);
    else if (field == m_tcpPort)
        m_nTcpPort = uint32_t(*value);
    else if (field == m_timeout)
        m_nResponseTimeout = uint32_t(*value);
    else
        m_nRetries = uint32_t(*value);
}

bool CSettingsDlg::numericFieldsValid()
{
    for (QLineEdit* field : {m_deviceAddress, m_timeout, m_retries, m_tcpPort}) {
        if (field->text().isEmpty()) {
            numericFieldEdited(field);
            return false;
        }
    }
    return true;
}

void CSettingsDlg::save()
{
    // A field left empty would save a value the window no longer shows.
    if (!numericFieldsValid())
        return;

    // The new record is built apart and then stored field by field: the poll
    // reads the live one meanwhile (address, retries).
    ProgramSettings s = m_settings;
    const bool own = m_styleOwn->isChecked();
    if (own) {
        s.crBackground = m_crBackground;
        s.crText = m_crText;
        s.crParameter = m_crParameter;
    }
    s.nDeviceAddress = m_nDeviceAddress;
    if (m_port->currentIndex() >= 0)
        SetSettingsText(s.szPortName, m_port->currentText());

    auto position = [](const QComboBox* list, int32_t& field) {
        if (list->currentIndex() >= 0)
            field = list->currentIndex();
    };
    position(m_baudRate, s.nBaudRateIndex);
    position(m_dataBits, s.nDataBitsIndex);
    position(m_parity, s.nParityIndex);
    position(m_stopBits, s.nStopBitsIndex);
    position(m_protocol, s.nProtocolIndex);

    s.nResponseTimeout = m_nResponseTimeout;
    s.nRetries = m_nRetries;
    s.nTcpPort = m_nTcpPort;
    if (const auto address = ParseIpv4(m_ipAddress->text()))
        s.dwIpAddress = *address;
    s.bAlwaysOnTop = m_alwaysOnTop->isChecked() ? 1 : 0;
    s.bStartWithWindows = m_startWithSystem->isChecked() ? 1 : 0;
    s.nInterfaceStyle = own ? 1 : 0;
    s.bPasswordProtection = m_protection->isChecked() ? 1 : 0;
    s.bAutoConnect = m_autoConnect->isChecked() ? 1 : 0;

    int32_t flags = 0;
    for (int i = 0; i < 5; ++i) {
        if (m_passwordFlags[i]->isChecked())
            flags += kPasswordFlagBits[i];
    }
    s.nPasswordFlags = flags;
    m_settings = s;
    emit liveRecordChanged();

    if (!SaveSettings(s)) {
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"),
                    QStringLiteral("Nie można zapisać ustawień. Ponów próbę później."));
        return;
    }
    ApplyAutostart(s.bStartWithWindows != 0);
}

void CSettingsDlg::restoreDefaults()
{
    const auto answer = ShowMessage(
        this, QMessageBox::Warning, QStringLiteral("Przywrócenie ustawień fabrycznych"),
        QStringLiteral("UWAGA: Wszystkie ustawienia zostaną zastąpione przez ustawienia fabryczne. "
                       "Czy chcesz kontynuować?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    // The live record at once; the profile only with the next save.
    ResetSettings(m_settings);
    emit liveRecordChanged();
    loadFromRecord();
    applyPortRule();
}

void CSettingsDlg::changePassword()
{
    ChangePassword(this, m_settings);
}

bool CSettingsDlg::selectEntry(QComboBox* list, const QString& text)
{
    // The whole entry, letter case aside: "COM1" must not pick "COM10".
    const int index = list->findText(text, Qt::MatchFixedString);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    return true;
}

void CSettingsDlg::runDeviceSearch()
{
    const auto found = RunDeviceSearch(
        this, {colorFromRef(m_crText), colorFromRef(m_crBackground), colorFromRef(m_crParameter)},
        m_searchRange);
    if (found)
        takeOverSearchResult(*found);
}

void CSettingsDlg::takeOverSearchResult(const DeviceSearchResult& found)
{
    m_nDeviceAddress = found.deviceAddress;
    m_deviceAddress->setText(QString::number(found.deviceAddress));
    m_nResponseTimeout = found.responseTimeout;
    m_timeout->setText(QString::number(found.responseTimeout));

    if (selectEntry(m_port, found.portName))
        applyPortRule();
    selectEntry(m_baudRate, found.baudRate);
    selectEntry(m_dataBits, found.dataBits);
    selectEntry(m_parity, found.parity);
    selectEntry(m_stopBits, found.stopBits);
    selectEntry(m_protocol, found.protocol);
}

void CSettingsDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter and Esc neither save nor close this window.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
