// SPDX-License-Identifier: MIT
#include "LiveDisplay.h"

#include "CGraph.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"
#include "LiveTexts.h"
#include "MeasurementSnapshot.h"

#include <QComboBox>
#include <QDateTime>
#include <QWidget>
#include <array>

using namespace pollcycle;
using namespace livetexts;

namespace {

struct Readout
{
    int slot;
    int label;
    int bar; // 0: none
};

constexpr std::array<Readout, 6> currentReadouts{{
    {0, 1092, 1054}, {1, 1093, 1055}, {2, 1094, 1056}, {3, 1133, 1079}, {4, 1095, 1059}, {5, 1105, 1061}}};
constexpr std::array<Readout, 9> voltageReadouts{{{15, 1114, 1073},
                                                  {16, 1115, 1085},
                                                  {17, 1116, 1086},
                                                  {18, 1106, 1065},
                                                  {19, 1107, 1067},
                                                  {20, 1108, 1069},
                                                  {21, 1117, 0},
                                                  {22, 1118, 1072},
                                                  {23, 1109, 0}}};
// Average, peak, start and overload currents (slots 6-13).
constexpr std::array<int, 8> averageCurrentLabels{1096, 1097, 1098, 1100, 1101, 1102, 1103, 1104};
constexpr std::array<int, 3> phaseCurrentBars{1054, 1055, 1056};
constexpr std::array<int, 3> sequenceCurrentBars{1061, 1079, 1059};
constexpr std::array<int, 3> lineVoltageBars{1065, 1067, 1069};
constexpr std::array<int, 3> powerLists{1187, 1188, 1189};
constexpr std::array<int, 3> powerLabels{1190, 1191, 1192};
constexpr int restartBar = 1075;

// The indicator lights of the status word (register 900): bit, LED.
constexpr std::array<std::pair<int, int>, 5> statusLeds{{{6, 1087}, {1, 1088}, {2, 1089}, {3, 1185}, {8, 1193}}};

constexpr ColorRef overYellow = 0xFFFF; // RGB(255,255,0)
constexpr ColorRef overRed = 0xFF;      // RGB(255,0,0)

QString id(int n)
{
    return QStringLiteral("id%1").arg(n);
}

// The fault list rows of the window (the snapshot's marks, which the poll
// compares, say which faults are listed).
class FaultListRows final : public FaultRows
{
public:
    explicit FaultListRows(CXListCtrl* list) : m_list(list) {}
    void insertRowAtTop(const QStringList& cells, int index) override
    {
        m_list->InsertRowAtTop(cells, index);
    }
    void deleteRowsOf(int index) override
    {
        m_list->DeleteRowsWithData(index);
    }
    void deleteAllRows() override
    {
        m_list->DeleteAllItems();
    }

private:
    CXListCtrl* m_list;
};

} // namespace

LiveDisplay::LiveDisplay(QWidget* root, MeasurementSnapshot& snapshot) : m_root(root), m_snapshot(snapshot) {}

QWidget* LiveDisplay::widget(int n) const
{
    QWidget*& cached = m_controls[n];
    if (!cached)
        cached = m_root->findChild<QWidget*>(id(n));
    Q_ASSERT_X(cached, "LiveDisplay", qPrintable(id(n)));
    return cached;
}

CXLabel* LiveDisplay::label(int n) const { return static_cast<CXLabel*>(widget(n)); }
CXProgressCtrl* LiveDisplay::bar(int n) const { return static_cast<CXProgressCtrl*>(widget(n)); }
CXLed* LiveDisplay::led(int n) const { return static_cast<CXLed*>(widget(n)); }
CXListCtrl* LiveDisplay::faultList() const { return static_cast<CXListCtrl*>(widget(1076)); }
CGraph* LiveDisplay::graph() const { return static_cast<CGraph*>(widget(1134)); }

void LiveDisplay::setPicture(int n, const QString& icon, QSize size)
{
    QWidget* picture = widget(n);
    if (picture->property("picture").toString() == icon)
        return;
    picture->setProperty("picture", icon);
    static_cast<CXLed*>(picture)->SetIcons(icon, size.width(), size.height(), icon, size.width(), size.height());
}

void LiveDisplay::setLinkActivity(LinkActivity activity)
{
    static const char* const names[] = {"link_idle", "link_ok", "link_fail"};
    setPicture(1113, QLatin1String(names[int(activity)]), QSize(60, 40));
}

void LiveDisplay::setFunctionRelayMode(int mode)
{
    setPicture(1184, QStringLiteral("relay_mode_%1").arg(mode & 3), QSize(170, 32));
}

void LiveDisplay::setupStatusPanel(const Colors& colors, int32_t baudRateIndex)
{
    // 1. The fault list.
    CXListCtrl* list = faultList();
    list->DeleteAllItems();
    list->setColumnCount(0);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, colors.background);
    palette.setColor(QPalette::Text, colors.valueText);
    list->setPalette(palette);
    list->AddColumn(QStringLiteral("Nazwa"), 210, Qt::AlignLeft);
    list->AddColumn(QStringLiteral("###"), 70, Qt::AlignHCenter);
    list->AddColumn(QStringLiteral("Wartość"), 65, Qt::AlignHCenter);
    list->AddColumn(QStringLiteral("Czas"), 65, Qt::AlignHCenter);
    list->AddColumn(QStringLiteral("Data"), 0, Qt::AlignHCenter);

    // 3. Indicators and pictures.
    led(1087)->SetIcons(QStringLiteral("led_yellow_on"), 16, 16, QStringLiteral("led_yellow_off"), 16, 16);
    led(1088)->SetIcons(QStringLiteral("led_green_on"), 16, 16, QStringLiteral("led_green_off"), 16, 16);
    led(1089)->SetIcons(QStringLiteral("led_green_on"), 16, 16, QStringLiteral("led_green_off"), 16, 16);
    led(1090)->SetIcons(QStringLiteral("alarm_on"), 128, 20, QStringLiteral("alarm_off"), 128, 20);
    led(1185)->SetIcons(QStringLiteral("lamp_yellow_on"), 48, 20, QStringLiteral("lamp_yellow_off"), 48, 20);
    led(1186)->SetIcons(QStringLiteral("lamp_green_on"), 34, 20, QStringLiteral("lamp_green_off"), 34, 20);
    led(1193)->SetIcons(QStringLiteral("lamp_blue_on"), 48, 20, QStringLiteral("lamp_blue_off"), 48, 20);
    led(1090)->SetBlink(true);
    led(1193)->SetBlink(true);
    for (int button : {1139, 1198, 1214})
        static_cast<CIconButton*>(widget(button))->SetBkColor(colors.background);
    static_cast<CIconButton*>(widget(1139))->SetIcons(QStringLiteral("start"), 32, 32);
    static_cast<CIconButton*>(widget(1198))->SetIcons(QStringLiteral("stop"), 32, 32);
    static_cast<CIconButton*>(widget(1214))->SetIcons(QStringLiteral("fault_reset"), 32, 32);
    setPicture(1200, QStringLiteral("motor_remote_off"), QSize(64, 32));
    setFunctionRelayMode(3);

    // 4. Value labels: value colour on the background, bold; the main read-outs larger.
    for (CXLabel* value : m_root->findChildren<CXLabel*>()) {
        value->SetColors(colors.valueText, colors.background);
        value->SetBold(true);
    }
    for (int n : {1092, 1093, 1094, 1106, 1107, 1108, 1114, 1115, 1116, 1118, 1119})
        label(n)->SetFontSize(11);
    for (int n : {1105, 1133, 1095})
        label(n)->SetFontSize(9);

    // 5. Bars.
    for (int n : phaseCurrentBars) {
        bar(n)->SetRange(0, 1);
        bar(n)->SetMarks(1, 1);
        bar(n)->SetLevel(0);
        bar(n)->SetOverColor(overRed);
    }
    bar(1061)->SetRange(0, 2000);
    bar(1079)->SetRange(0, 50);
    bar(1059)->SetRange(0, 50);
    for (int n : lineVoltageBars) {
        bar(n)->SetRange(0, 475);
        bar(n)->SetMarks(380, 100);
    }
    for (int n : {1073, 1085, 1086}) {
        bar(n)->SetRange(0, 300);
        bar(n)->SetMarks(220, 0);
    }
    bar(1072)->SetRange(0, 300);
    bar(restartBar)->SetRange(0, 900);
    for (CXProgressCtrl* each : m_root->findChildren<CXProgressCtrl*>())
        each->SetLevel(0);

    // 6. Line speed.
    label(1111)->SetText(lineSpeedText(baudRateIndex));
}

void LiveDisplay::resetLiveDisplay()
{
    m_snapshot.ClearMeasurements();
    const QString zeroAmps = currentText(0);
    for (const Readout& r : currentReadouts) {
        label(r.label)->SetText(zeroAmps);
        bar(r.bar)->SetLevel(0);
    }
    for (int n : averageCurrentLabels)
        label(n)->SetText(zeroAmps);
    label(1120)->SetText(secondsText(0));
    for (const Readout& r : voltageReadouts) {
        label(r.label)->SetText(voltageText(0));
        if (r.bar)
            bar(r.bar)->SetLevel(0);
    }
    label(1123)->SetText(QStringLiteral("0 *C"));
    label(1124)->SetText(QStringLiteral("0 *C"));
    label(1125)->SetText(currentInputText(0));
    label(1126)->SetText(voltageInputText(0));
    label(1127)->SetText(frequencyText(0));
    label(1121)->SetText(QStringLiteral("Nie"));
    label(1122)->SetText(QStringLiteral("Nie"));
    label(1119)->SetText(QStringLiteral("Wył."));
    bar(restartBar)->SetLevel(0);
    label(1128)->SetText(insulationText(0));
    graph()->SetLoad(0);
    label(1135)->SetText(heatingText(0));

    for (int n : {1087, 1088, 1089, 1090, 1185, 1186, 1193})
        led(n)->SetState(CXLed::Off);
    setFunctionRelayMode(3);
    FaultListRows(faultList()).deleteAllRows();
    m_snapshot.ClearMarks();

    bar(restartBar)->SetRange(0, 900);
    for (int n : phaseCurrentBars) {
        bar(n)->SetRange(0, 1);
        bar(n)->SetMarks(1, 1);
        bar(n)->SetOverColor(overRed);
    }
    bar(1061)->SetRange(0, 1);
    label(1099)->SetText(secondsText(0));
    for (int n : powerLabels)
        label(n)->SetText(QStringLiteral("0"));
    label(1130)->SetText(QStringLiteral("00 : 00 : 00\r\n00.00.0000"));
    for (int n : lineVoltageBars)
        bar(n)->SetMarks(380, 100);
}

void LiveDisplay::show(PendingDisplay& batch)
{
    // Ranges and marks first, so levels of the same batch land on the new scale.
    if (batch.currentSettings)
        showCurrentSettings(*batch.currentSettings);
    if (batch.lineVoltageLimits)
        showLineVoltageLimits(*batch.lineVoltageLimits);
    if (batch.motorControl)
        setRemoteControl(batch.motorControl->remoteControlAllowed);
    if (batch.currents)
        showCurrents(*batch.currents);
    if (batch.voltages)
        showVoltages(*batch.voltages);
    if (batch.powers)
        showPowerReadouts(false, [&](int slot) { return batch.powers->slot(slot); });
    if (batch.energies)
        showPowerReadouts(true, [&](int slot) { return batch.energies->slot(slot); });
    if (batch.clock)
        label(1130)->SetText(relayClockText(*batch.clock));
    if (batch.averageCurrents)
        showAverageCurrents(*batch.averageCurrents);
    if (batch.motorTimes)
        showMotorTimes(*batch.motorTimes);
    if (batch.sensors)
        showSensors(*batch.sensors);
    if (batch.heating)
        showHeating(*batch.heating);
    if (batch.status) {
        const StatusUpdate& status = *batch.status;
        batch.statusTicket.apply([&] { showStatus(status); });
        batch.statusTicket = {};
    }
}

void LiveDisplay::showCurrents(const CurrentsUpdate& u)
{
    for (const Readout& r : currentReadouts) {
        label(r.label)->SetText(currentText(u.slot(r.slot)));
        bar(r.bar)->SetLevel(u.slot(r.slot));
    }
}

void LiveDisplay::showVoltages(const VoltagesUpdate& u)
{
    for (const Readout& r : voltageReadouts) {
        label(r.label)->SetText(voltageText(u.slot(r.slot)));
        if (r.bar)
            bar(r.bar)->SetLevel(u.slot(r.slot));
    }
}

void LiveDisplay::showPowerReadouts(bool energies, const std::function<int32_t(int)>& value)
{
    // The choice is read at the moment of writing; a label belongs to the block
    // that carries its chosen quantity, the other block leaves it alone.
    for (int i = 0; i < 3; ++i) {
        const int choice = static_cast<QComboBox*>(widget(powerLists[i]))->currentIndex();
        if (choice < 0 || choice >= powerChoiceCount || isEnergyChoice(choice) != energies)
            continue;
        label(powerLabels[i])->SetText(powerText(choice, value(powerChoiceSlot(choice))));
    }
}

void LiveDisplay::showAverageCurrents(const AverageCurrentsUpdate& u)
{
    for (int i = 0; i < int(averageCurrentLabels.size()); ++i)
        label(averageCurrentLabels[i])->SetText(currentText(u.slot(6 + i)));
    label(1120)->SetText(secondsText(u.slot(14)));
}

void LiveDisplay::showMotorTimes(const MotorTimesUpdate& u)
{
    label(1128)->SetText(insulationText(u.slot(25)));
    label(1127)->SetText(frequencyText(u.slot(26)));
    label(1119)->SetText(restartCountdownText(u.slot(27)));
    bar(restartBar)->SetLevel(restartCountdownLevel(u.slot(27)));
    label(1121)->SetText(overloadTripText(u.slot(28)));
    label(1122)->SetText(afterOverloadText(u.slot(29)));
}

void LiveDisplay::showSensors(const SensorsUpdate& u)
{
    label(1123)->SetText(temperatureText(u.sensor1));
    label(1124)->SetText(temperatureText(u.sensor2));
    label(1125)->SetText(currentInputText(u.currentInput));
    label(1126)->SetText(voltageInputText(u.voltageInput));
}

void LiveDisplay::showHeating(const HeatingUpdate& u)
{
    const uint32_t percent = graph()->SetLoad(u.thermalState);
    label(1135)->SetText(heatingText(static_cast<int32_t>(percent)));
}

void LiveDisplay::showStatus(const StatusUpdate& u)
{
    for (const auto& [bit, n] : statusLeds)
        led(n)->SetState(u.statusBit(bit) ? CXLed::On : CXLed::Off);
    setFunctionRelayMode(u.functionRelayMode());

    FaultListRows rows(faultList());
    applyFaultList(u, rows, m_snapshot);
    led(1090)->SetState(u.noFault ? CXLed::Off : u.faultIndicator);
    bar(restartBar)->SetRange(0, static_cast<int>(u.restartBarMax));
    setFaultResetVisible(!u.noFault && m_snapshot.IsAnyMarked());
}

void LiveDisplay::showCurrentSettings(const CurrentSettingsUpdate& u)
{
    const int rated = u.ratedCurrent;
    const int high = rated != 0 ? 15 * rated : 1;
    for (int n : phaseCurrentBars) {
        bar(n)->SetRange(0, high);
        if (rated != 0)
            bar(n)->SetMarks(10 * rated, 0);
        else
            bar(n)->SetMarks(1, 1);
        bar(n)->SetOverColor(rated != 0 ? overYellow : overRed);
    }
    for (int n : sequenceCurrentBars)
        bar(n)->SetRange(0, high);
    label(1099)->SetText(secondsText(u.averagingPeriod));
}

void LiveDisplay::showLineVoltageLimits(const LineVoltageLimitsUpdate& u)
{
    for (int n : lineVoltageBars)
        bar(n)->SetMarks(u.maximum, u.minimum);
}

void LiveDisplay::showLinkLost()
{
    FaultRow row;
    row.index = linkLostFault;
    row.time = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    FaultListRows(faultList()).insertRowAtTop(faultRowCells(row), linkLostFault);
    m_snapshot.Mark(linkLostFault);
    led(1090)->SetState(CXLed::On);
}

bool LiveDisplay::linkLostListed() const
{
    return m_snapshot.IsFaultActive(linkLostFault);
}

void LiveDisplay::setRemoteControl(bool allowed)
{
    widget(1200)->setVisible(!allowed);
    widget(1139)->setVisible(allowed);
    widget(1198)->setVisible(allowed);
    led(1186)->SetState(allowed ? CXLed::On : CXLed::Off);
}

void LiveDisplay::hideMotorCommands()
{
    widget(1139)->hide();
    widget(1198)->hide();
    widget(1214)->hide();
    widget(1200)->show();
}

void LiveDisplay::setFaultResetVisible(bool visible)
{
    widget(1214)->setVisible(visible);
}
