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
#include <array>

using namespace pollcycle;
using namespace livetexts;

namespace {

using C = MainWindowControls;

struct Readout
{
    int slot;
    CXLabel* C::*label;
    CXProgressCtrl* C::*bar; // nullptr: none
};

constexpr std::array<Readout, 6> currentReadouts{{{0, &C::currentL1, &C::currentL1Bar},
                                                  {1, &C::currentL2, &C::currentL2Bar},
                                                  {2, &C::currentL3, &C::currentL3Bar},
                                                  {3, &C::positiveCurrent, &C::positiveCurrentBar},
                                                  {4, &C::earthCurrent, &C::earthCurrentBar},
                                                  {5, &C::negativeCurrent, &C::negativeCurrentBar}}};
constexpr std::array<Readout, 9> voltageReadouts{{{15, &C::voltageL1, &C::voltageL1Bar},
                                                  {16, &C::voltageL2, &C::voltageL2Bar},
                                                  {17, &C::voltageL3, &C::voltageL3Bar},
                                                  {18, &C::voltageL1L2, &C::voltageL1L2Bar},
                                                  {19, &C::voltageL2L3, &C::voltageL2L3Bar},
                                                  {20, &C::voltageL3L1, &C::voltageL3L1Bar},
                                                  {21, &C::positiveVoltage, nullptr},
                                                  {22, &C::negativeVoltage, &C::negativeVoltageBar},
                                                  {23, &C::zeroVoltage, nullptr}}};

// Average, peak, start and overload currents (slots 6-13).
std::array<CXLabel*, 8> averageCurrentLabels(const C& c)
{
    return {c.averageCurrent[0],     c.averageCurrent[1],     c.averageCurrent[2], c.peakAverageCurrent[0],
            c.peakAverageCurrent[1], c.peakAverageCurrent[2], c.startCurrent,      c.overloadCurrent};
}
std::array<CXProgressCtrl*, 3> phaseCurrentBars(const C& c)
{
    return {c.currentL1Bar, c.currentL2Bar, c.currentL3Bar};
}
std::array<CXProgressCtrl*, 3> sequenceCurrentBars(const C& c)
{
    return {c.negativeCurrentBar, c.positiveCurrentBar, c.earthCurrentBar};
}
std::array<CXProgressCtrl*, 3> lineVoltageBars(const C& c)
{
    return {c.voltageL1L2Bar, c.voltageL2L3Bar, c.voltageL3L1Bar};
}

// The indicator lights of the status word (register 900): bit, LED.
constexpr std::array<std::pair<int, CXLed * C::*>, 5> statusLeds{{{6, &C::tmlppLamp},
                                                                  {1, &C::motorRelayLamp},
                                                                  {2, &C::functionRelayLamp},
                                                                  {3, &C::yellowLamp},
                                                                  {8, &C::blueLamp}}};

constexpr ColorRef overYellow = 0xFFFF; // RGB(255,255,0)
constexpr ColorRef overRed = 0xFF;      // RGB(255,0,0)

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
    void deleteRowsOf(int index) override { m_list->DeleteRowsWithData(index); }
    void deleteAllRows() override { m_list->DeleteAllItems(); }

private:
    CXListCtrl* m_list;
};

} // namespace

LiveDisplay::LiveDisplay(const MainWindowControls& controls, MeasurementSnapshot& snapshot)
    : m_c(controls), m_snapshot(snapshot)
{
}

void LiveDisplay::setPicture(CXLed* picture, const QString& icon, QSize size)
{
    if (picture->property("picture").toString() == icon)
        return;
    picture->setProperty("picture", icon);
    picture->SetIcons(icon, size.width(), size.height(), icon, size.width(), size.height());
}

void LiveDisplay::setLinkActivity(LinkActivity activity)
{
    static const char* const names[] = {"link_idle", "link_ok", "link_fail"};
    setPicture(m_c.linkActivity, QLatin1String(names[int(activity)]), QSize(60, 40));
}

void LiveDisplay::setFunctionRelayMode(int mode)
{
    setPicture(m_c.functionRelayMode, QStringLiteral("relay_mode_%1").arg(mode & 3), QSize(170, 32));
}

void LiveDisplay::setupStatusPanel(const Colors& colors, int32_t baudRateIndex)
{
    // 1. The fault list.
    CXListCtrl* list = m_c.faultList;
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
    m_c.tmlppLamp->SetIcons(QStringLiteral("led_yellow_on"), 16, 16, QStringLiteral("led_yellow_off"), 16,
                            16);
    m_c.motorRelayLamp->SetIcons(QStringLiteral("led_green_on"), 16, 16, QStringLiteral("led_green_off"), 16,
                                 16);
    m_c.functionRelayLamp->SetIcons(QStringLiteral("led_green_on"), 16, 16, QStringLiteral("led_green_off"),
                                    16, 16);
    m_c.faultLamp->SetIcons(QStringLiteral("alarm_on"), 128, 20, QStringLiteral("alarm_off"), 128, 20);
    m_c.yellowLamp->SetIcons(QStringLiteral("lamp_yellow_on"), 48, 20, QStringLiteral("lamp_yellow_off"), 48,
                             20);
    m_c.remoteLamp->SetIcons(QStringLiteral("lamp_green_on"), 34, 20, QStringLiteral("lamp_green_off"), 34,
                             20);
    m_c.blueLamp->SetIcons(QStringLiteral("lamp_blue_on"), 48, 20, QStringLiteral("lamp_blue_off"), 48, 20);
    m_c.faultLamp->SetBlink(true);
    m_c.blueLamp->SetBlink(true);
    for (CIconButton* button : {m_c.start, m_c.stop, m_c.faultReset})
        button->SetBkColor(colors.background);
    m_c.start->SetIcons(QStringLiteral("start"), 32, 32);
    m_c.stop->SetIcons(QStringLiteral("stop"), 32, 32);
    m_c.faultReset->SetIcons(QStringLiteral("fault_reset"), 32, 32);
    setPicture(m_c.motorPicture, QStringLiteral("motor_remote_off"), QSize(64, 32));
    setFunctionRelayMode(3);

    // 4. Value labels: value colour on the background, bold; the main read-outs larger.
    for (CXLabel* value : m_c.valueLabels) {
        value->SetColors(colors.valueText, colors.background);
        value->SetBold(true);
    }
    for (CXLabel* main :
         {m_c.currentL1, m_c.currentL2, m_c.currentL3, m_c.voltageL1L2, m_c.voltageL2L3, m_c.voltageL3L1,
          m_c.voltageL1, m_c.voltageL2, m_c.voltageL3, m_c.negativeVoltage, m_c.restartCountdown})
        main->SetFontSize(11);
    for (CXLabel* sequence : {m_c.negativeCurrent, m_c.positiveCurrent, m_c.earthCurrent})
        sequence->SetFontSize(9);

    // 5. Bars.
    for (CXProgressCtrl* bar : phaseCurrentBars(m_c)) {
        bar->SetRange(0, 1);
        bar->SetMarks(1, 1);
        bar->SetLevel(0);
        bar->SetOverColor(overRed);
    }
    m_c.negativeCurrentBar->SetRange(0, 2000);
    m_c.positiveCurrentBar->SetRange(0, 50);
    m_c.earthCurrentBar->SetRange(0, 50);
    for (CXProgressCtrl* bar : lineVoltageBars(m_c)) {
        bar->SetRange(0, 475);
        bar->SetMarks(380, 100);
    }
    for (CXProgressCtrl* bar : {m_c.voltageL1Bar, m_c.voltageL2Bar, m_c.voltageL3Bar}) {
        bar->SetRange(0, 300);
        bar->SetMarks(220, 0);
    }
    m_c.negativeVoltageBar->SetRange(0, 300);
    m_c.restartCountdownBar->SetRange(0, 900);
    for (CXProgressCtrl* each : m_c.levelBars)
        each->SetLevel(0);

    // 6. Line speed.
    m_c.lineSpeed->SetText(lineSpeedText(baudRateIndex));
}

void LiveDisplay::resetLiveDisplay()
{
    m_snapshot.ClearMeasurements();
    const QString zeroAmps = currentText(0);
    for (const Readout& r : currentReadouts) {
        (m_c.*r.label)->SetText(zeroAmps);
        (m_c.*r.bar)->SetLevel(0);
    }
    for (CXLabel* label : averageCurrentLabels(m_c))
        label->SetText(zeroAmps);
    m_c.startTime->SetText(secondsText(0));
    for (const Readout& r : voltageReadouts) {
        (m_c.*r.label)->SetText(voltageText(0));
        if (r.bar)
            (m_c.*r.bar)->SetLevel(0);
    }
    m_c.sensor1Temperature->SetText(QStringLiteral("0 *C"));
    m_c.sensor2Temperature->SetText(QStringLiteral("0 *C"));
    m_c.currentInput->SetText(currentInputText(0));
    m_c.voltageInput->SetText(voltageInputText(0));
    m_c.frequency->SetText(frequencyText(0));
    m_c.overloadTripTime->SetText(QStringLiteral("Nie"));
    m_c.afterOverloadTime->SetText(QStringLiteral("Nie"));
    m_c.restartCountdown->SetText(QStringLiteral("Wył."));
    m_c.restartCountdownBar->SetLevel(0);
    m_c.insulation->SetText(insulationText(0));
    m_c.loadGraph->SetLoad(0);
    m_c.heating->SetText(heatingText(0));

    for (CXLed* lamp : {m_c.tmlppLamp, m_c.motorRelayLamp, m_c.functionRelayLamp, m_c.faultLamp,
                        m_c.yellowLamp, m_c.remoteLamp, m_c.blueLamp})
        lamp->SetState(CXLed::Off);
    setFunctionRelayMode(3);
    FaultListRows(m_c.faultList).deleteAllRows();
    m_snapshot.ClearMarks();

    m_c.restartCountdownBar->SetRange(0, 900);
    for (CXProgressCtrl* bar : phaseCurrentBars(m_c)) {
        bar->SetRange(0, 1);
        bar->SetMarks(1, 1);
        bar->SetOverColor(overRed);
    }
    m_c.negativeCurrentBar->SetRange(0, 1);
    m_c.averagingPeriod->SetText(secondsText(0));
    for (CXLabel* label : m_c.powerValue)
        label->SetText(QStringLiteral("0"));
    m_c.relayClock->SetText(QStringLiteral("00 : 00 : 00\r\n00.00.0000"));
    for (CXProgressCtrl* bar : lineVoltageBars(m_c))
        bar->SetMarks(380, 100);
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
        m_c.relayClock->SetText(relayClockText(*batch.clock));
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
        (m_c.*r.label)->SetText(currentText(u.slot(r.slot)));
        (m_c.*r.bar)->SetLevel(u.slot(r.slot));
    }
}

void LiveDisplay::showVoltages(const VoltagesUpdate& u)
{
    for (const Readout& r : voltageReadouts) {
        (m_c.*r.label)->SetText(voltageText(u.slot(r.slot)));
        if (r.bar)
            (m_c.*r.bar)->SetLevel(u.slot(r.slot));
    }
}

void LiveDisplay::showPowerReadouts(bool energies, const std::function<int32_t(int)>& value)
{
    // The choice is read at the moment of writing; a label belongs to the block
    // that carries its chosen quantity, the other block leaves it alone.
    for (int i = 0; i < 3; ++i) {
        const int choice = m_c.powerChoice[i]->currentIndex();
        if (choice < 0 || choice >= powerChoiceCount || isEnergyChoice(choice) != energies)
            continue;
        m_c.powerValue[i]->SetText(powerText(choice, value(powerChoiceSlot(choice))));
    }
}

void LiveDisplay::showAverageCurrents(const AverageCurrentsUpdate& u)
{
    const auto labels = averageCurrentLabels(m_c);
    for (int i = 0; i < int(labels.size()); ++i)
        labels[i]->SetText(currentText(u.slot(6 + i)));
    m_c.startTime->SetText(secondsText(u.slot(14)));
}

void LiveDisplay::showMotorTimes(const MotorTimesUpdate& u)
{
    m_c.insulation->SetText(insulationText(u.slot(25)));
    m_c.frequency->SetText(frequencyText(u.slot(26)));
    m_c.restartCountdown->SetText(restartCountdownText(u.slot(27)));
    m_c.restartCountdownBar->SetLevel(restartCountdownLevel(u.slot(27)));
    m_c.overloadTripTime->SetText(overloadTripText(u.slot(28)));
    m_c.afterOverloadTime->SetText(afterOverloadText(u.slot(29)));
}

void LiveDisplay::showSensors(const SensorsUpdate& u)
{
    m_c.sensor1Temperature->SetText(temperatureText(u.sensor1));
    m_c.sensor2Temperature->SetText(temperatureText(u.sensor2));
    m_c.currentInput->SetText(currentInputText(u.currentInput));
    m_c.voltageInput->SetText(voltageInputText(u.voltageInput));
}

void LiveDisplay::showHeating(const HeatingUpdate& u)
{
    const uint32_t percent = m_c.loadGraph->SetLoad(u.thermalState);
    m_c.heating->SetText(heatingText(static_cast<int32_t>(percent)));
}

void LiveDisplay::showStatus(const StatusUpdate& u)
{
    for (const auto& [bit, lamp] : statusLeds)
        (m_c.*lamp)->SetState(u.statusBit(bit) ? CXLed::On : CXLed::Off);
    setFunctionRelayMode(u.functionRelayMode());

    FaultListRows rows(m_c.faultList);
    applyFaultList(u, rows, m_snapshot);
    m_c.faultLamp->SetState(u.noFault ? CXLed::Off : u.faultIndicator);
    m_c.restartCountdownBar->SetRange(0, static_cast<int>(u.restartBarMax));
    setFaultResetVisible(!u.noFault && m_snapshot.IsAnyMarked());
}

void LiveDisplay::showCurrentSettings(const CurrentSettingsUpdate& u)
{
    const int rated = u.ratedCurrent;
    const int high = rated != 0 ? 15 * rated : 1;
    for (CXProgressCtrl* bar : phaseCurrentBars(m_c)) {
        bar->SetRange(0, high);
        if (rated != 0)
            bar->SetMarks(10 * rated, 0);
        else
            bar->SetMarks(1, 1);
        bar->SetOverColor(rated != 0 ? overYellow : overRed);
    }
    for (CXProgressCtrl* bar : sequenceCurrentBars(m_c))
        bar->SetRange(0, high);
    m_c.averagingPeriod->SetText(secondsText(u.averagingPeriod));
}

void LiveDisplay::showLineVoltageLimits(const LineVoltageLimitsUpdate& u)
{
    for (CXProgressCtrl* bar : lineVoltageBars(m_c))
        bar->SetMarks(u.maximum, u.minimum);
}

void LiveDisplay::showLinkLost()
{
    FaultRow row;
    row.index = linkLostFault;
    row.time = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    FaultListRows(m_c.faultList).insertRowAtTop(faultRowCells(row), linkLostFault);
    m_snapshot.Mark(linkLostFault);
    m_c.faultLamp->SetState(CXLed::On);
}

bool LiveDisplay::linkLostListed() const
{
    return m_snapshot.IsFaultActive(linkLostFault);
}

void LiveDisplay::setRemoteControl(bool allowed)
{
    m_c.motorPicture->setVisible(!allowed);
    m_c.start->setVisible(allowed);
    m_c.stop->setVisible(allowed);
    m_c.remoteLamp->SetState(allowed ? CXLed::On : CXLed::Off);
}

void LiveDisplay::hideMotorCommands()
{
    m_c.start->hide();
    m_c.stop->hide();
    m_c.faultReset->hide();
    m_c.motorPicture->show();
}

void LiveDisplay::setFaultResetVisible(bool visible)
{
    m_c.faultReset->setVisible(visible);
}
