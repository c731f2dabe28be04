// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <array>

class CGraph;
class CIconButton;
class CXLabel;
class CXLed;
class CXListCtrl;
class CXProgressCtrl;
class QComboBox;
class QPushButton;
class QSize;
class QWidget;

// The main window's controls, named after what they show, as the layout made
// them. The window and its live display reach every control through these;
// the object names ("id" + control ID, see the comments) are for tests and
// screen readers only.
struct MainWindowControls
{
    // Currents: value and bar per row.
    CXLabel* currentL1 = nullptr;                 // 1092
    CXProgressCtrl* currentL1Bar = nullptr;       // 1054
    CXLabel* currentL2 = nullptr;                 // 1093
    CXProgressCtrl* currentL2Bar = nullptr;       // 1055
    CXLabel* currentL3 = nullptr;                 // 1094
    CXProgressCtrl* currentL3Bar = nullptr;       // 1056
    CXLabel* positiveCurrent = nullptr;           // 1133, positive sequence
    CXProgressCtrl* positiveCurrentBar = nullptr; // 1079
    CXLabel* negativeCurrent = nullptr;           // 1105, negative sequence
    CXProgressCtrl* negativeCurrentBar = nullptr; // 1061
    CXLabel* earthCurrent = nullptr;              // 1095, I0
    CXProgressCtrl* earthCurrentBar = nullptr;    // 1059

    // Average currents and the start.
    std::array<CXLabel*, 3> averageCurrent{};     // 1096, 1097, 1098 (L1, L2, L3)
    std::array<CXLabel*, 3> peakAverageCurrent{}; // 1100, 1101, 1102
    CXLabel* averagingPeriod = nullptr;           // 1099
    CXLabel* startCurrent = nullptr;              // 1103
    CXLabel* startTime = nullptr;                 // 1120
    CXLabel* overloadCurrent = nullptr;           // 1104

    // Voltages.
    CXLabel* voltageL1 = nullptr;                 // 1114
    CXProgressCtrl* voltageL1Bar = nullptr;       // 1073
    CXLabel* voltageL2 = nullptr;                 // 1115
    CXProgressCtrl* voltageL2Bar = nullptr;       // 1085
    CXLabel* voltageL3 = nullptr;                 // 1116
    CXProgressCtrl* voltageL3Bar = nullptr;       // 1086
    CXLabel* voltageL1L2 = nullptr;               // 1106
    CXProgressCtrl* voltageL1L2Bar = nullptr;     // 1065
    CXLabel* voltageL2L3 = nullptr;               // 1107
    CXProgressCtrl* voltageL2L3Bar = nullptr;     // 1067
    CXLabel* voltageL3L1 = nullptr;               // 1108
    CXProgressCtrl* voltageL3L1Bar = nullptr;     // 1069
    CXLabel* positiveVoltage = nullptr;           // 1117
    CXLabel* negativeVoltage = nullptr;           // 1118
    CXProgressCtrl* negativeVoltageBar = nullptr; // 1072
    CXLabel* zeroVoltage = nullptr;               // 1109

    // Powers and energies: the operator's choice and its value, three rows.
    std::array<QComboBox*, 3> powerChoice{}; // 1187, 1188, 1189
    std::array<CXLabel*, 3> powerValue{};    // 1190, 1191, 1192

    // Further measurements.
    CXLabel* sensor1Temperature = nullptr; // 1123
    CXLabel* sensor2Temperature = nullptr; // 1124
    CXLabel* currentInput = nullptr;       // 1125
    CXLabel* voltageInput = nullptr;       // 1126
    CXLabel* frequency = nullptr;          // 1127
    CXLabel* insulation = nullptr;         // 1128

    // Timers.
    CXLabel* restartCountdown = nullptr;           // 1119
    CXProgressCtrl* restartCountdownBar = nullptr; // 1075
    CXLabel* overloadTripTime = nullptr;           // 1121
    CXLabel* afterOverloadTime = nullptr;          // 1122

    // Relay state.
    CXLed* tmlppLamp = nullptr;         // 1087
    CXLed* motorRelayLamp = nullptr;    // 1088
    CXLed* functionRelayLamp = nullptr; // 1089
    CXLed* faultLamp = nullptr;         // 1090
    CXLed* yellowLamp = nullptr;        // 1185
    CXLed* blueLamp = nullptr;          // 1193
    CXLed* functionRelayMode = nullptr; // 1184, a picture per mode
    CXLabel* relayClock = nullptr;      // 1130

    // Motor commands.
    CIconButton* start = nullptr;      // 1139
    CIconButton* stop = nullptr;       // 1198
    CXLed* motorPicture = nullptr;     // 1200, in place of START and STOP
    CXLed* remoteLamp = nullptr;       // 1186
    CIconButton* faultReset = nullptr; // 1214

    // Thermal load.
    CGraph* loadGraph = nullptr; // 1134
    CXLabel* heating = nullptr;  // 1135

    CXListCtrl* faultList = nullptr; // 1076

    // Link.
    CXLed* linkActivity = nullptr;     // 1113, a picture per state
    CXLed* protection = nullptr;       // 1159
    CXLabel* linkState = nullptr;      // 1112
    CXLabel* lineSpeed = nullptr;      // 1111
    CXLabel* connectionTime = nullptr; // 1110
    CXLabel* throughput = nullptr;     // 1131
    CXLabel* pcClock = nullptr;        // 1091

    // Commands.
    QPushButton* connect = nullptr;          // 1084
    QPushButton* settings = nullptr;         // 1000
    QPushButton* deviceParameters = nullptr; // 1003
    QPushButton* database = nullptr;         // 1155
    QPushButton* faultLog = nullptr;         // 1201
    QPushButton* about = nullptr;            // 1082
    QPushButton* exit = nullptr;             // 1080

    // Every value read-out and every level bar above, in the order made.
    QList<CXLabel*> valueLabels;
    QList<CXProgressCtrl*> levelBars;
};

// Creates every control of the main window inside `content`, each named
// "id<ID>", grouped as the operator reads them: currents, voltages, powers and
// energies, further measurements, timers, relay state, motor commands, thermal
// load, fault list, link status and the command buttons.
MainWindowControls buildMainWindowContent(QWidget* content);

// The size `content` asks for with every font and text change made so far
// counted: such changes otherwise reach the outer layouts only when the event
// loop delivers their posted layout requests.
QSize settledSizeHint(QWidget* content);
