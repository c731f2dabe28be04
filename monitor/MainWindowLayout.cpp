// SPDX-License-Identifier: MIT
#include "MainWindowLayout.h"

#include "CGraph.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <tuple>
#include <type_traits>

namespace {

// Names the control for tests and screen readers and hands it to its handle.
template <typename T> T* named(T* widget, int id, T*& handle)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    handle = widget;
    return widget;
}

// A value read-out, sized for the widest text it is meant to show, so a new
// value repaints the read-out alone and the layout never jumps.
CXLabel* value(MainWindowControls& c, QWidget* parent, int id, CXLabel*& handle, const QString& initial,
               QStringView widest)
{
    auto* label = named(new CXLabel(initial, parent), id, handle);
    label->ReserveText(widest.toString());
    c.valueLabels.append(label);
    return label;
}

// Room inside the groups and between them, tighter than the style's defaults,
// so the window fits a 1024 x 768 screen less a desktop panel.
constexpr int groupMargin = 6;
constexpr int groupTopMargin = 2; // below the group's title, which has its own room
constexpr int rowSpacing = 4;
constexpr int itemSpacing = 6;

template <typename Layout> Layout* compact(Layout* layout)
{
    layout->setContentsMargins(groupMargin, groupTopMargin, groupMargin, groupMargin);
    if constexpr (std::is_same_v<Layout, QGridLayout>) {
        layout->setHorizontalSpacing(itemSpacing);
        layout->setVerticalSpacing(rowSpacing);
    } else {
        layout->setSpacing(std::is_same_v<Layout, QVBoxLayout> ? rowSpacing : itemSpacing);
    }
    return layout;
}

// A level bar: at least 90 pixels long, and longer wherever the window has room
// (its own preferred length does not count).
CXProgressCtrl* levelBar(MainWindowControls& c, QWidget* parent, int id, CXProgressCtrl*& handle)
{
    auto* bar = named(new CXProgressCtrl(parent), id, handle);
    bar->setMinimumSize(90, 14);
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    c.levelBars.append(bar);
    return bar;
}

// The widest texts the read-outs are meant to show (a wider one still shows,
// after one more layout pass).
constexpr QStringView widestCurrent = u"8888.8 \u0410";
constexpr QStringView widestVoltage = u"8888 V";
constexpr QStringView widestSeconds = u"88888 s";
constexpr QStringView widestClock = u"00 : 00 : 00\n00.00.0000";

QLabel* caption(QWidget* parent, const QString& text)
{
    return new QLabel(text, parent);
}

// Rows of caption, value and (optional) bar.
struct MeterRow
{
    const char16_t* caption;
    int labelId;
    CXLabel** label;
    int barId; // 0: none
    CXProgressCtrl** bar;
    const char16_t* initial;
    QStringView widest;
};

QGroupBox* meterGroup(MainWindowControls& c, QWidget* parent, const QString& title,
                      std::initializer_list<MeterRow> rows)
{
    auto* box = new QGroupBox(title, parent);
    auto* grid = compact(new QGridLayout(box));
    grid->setColumnStretch(2, 1);
    int row = 0;
    for (const MeterRow& r : rows) {
        grid->addWidget(caption(box, QString::fromUtf16(r.caption)), row, 0);
        grid->addWidget(value(c, box, r.labelId, *r.label, QString::fromUtf16(r.initial), r.widest), row, 1);
        if (r.barId) {
            // Read out by its row, not by the group around it.
            CXProgressCtrl* bar = levelBar(c, box, r.barId, *r.bar);
            bar->setAccessibleName(QString::fromUtf16(r.caption));
            grid->addWidget(bar, row, 2);
        }
        ++row;
    }
    return box;
}

QGroupBox* currentsGroup(MainWindowControls& c, QWidget* parent)
{
    return meterGroup(
        c, parent, QStringLiteral("Prądy"),
        {{u"Faza L1", 1092, &c.currentL1, 1054, &c.currentL1Bar, u"0.0 A", widestCurrent},
         {u"Faza L2", 1093, &c.currentL2, 1055, &c.currentL2Bar, u"0.0 A", widestCurrent},
         {u"Faza L3", 1094, &c.currentL3, 1056, &c.currentL3Bar, u"0.0 A", widestCurrent},
         {u"Składowa zgodna", 1133, &c.positiveCurrent, 1079, &c.positiveCurrentBar, u"0.0 A", widestCurrent},
         {u"Składowa przeciwna", 1105, &c.negativeCurrent, 1061, &c.negativeCurrentBar, u"0.0 A",
          widestCurrent},
         {u"Prąd doziemny I0", 1095, &c.earthCurrent, 1059, &c.earthCurrentBar, u"0.0 A", widestCurrent}});
}

QGroupBox* averageCurrentsGroup(MainWindowControls& c, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Prądy średnie i rozruch"), parent);
    auto* grid = compact(new QGridLayout(box));
    grid->addWidget(caption(box, QStringLiteral("L1")), 0, 1, Qt::AlignHCenter);
    grid->addWidget(caption(box, QStringLiteral("L2")), 0, 2, Qt::AlignHCenter);
    grid->addWidget(caption(box, QStringLiteral("L3")), 0, 3, Qt::AlignHCenter);
    grid->addWidget(caption(box, QStringLiteral("Średni")), 1, 0);
    grid->addWidget(caption(box, QStringLiteral("Maks. średni")), 2, 0);
    const std::pair<int, CXLabel**> averages[2][3] = {
        {{1096, &c.averageCurrent[0]}, {1097, &c.averageCurrent[1]}, {1098, &c.averageCurrent[2]}},
        {{1100, &c.peakAverageCurrent[0]},
         {1101, &c.peakAverageCurrent[1]},
         {1102, &c.peakAverageCurrent[2]}}};
    for (int row = 0; row < 2; ++row)
        for (int phase = 0; phase < 3; ++phase) {
            const auto& [id, handle] = averages[row][phase];
            grid->addWidget(value(c, box, id, *handle, QStringLiteral("0.0 A"), widestCurrent), row + 1,
                            phase + 1);
        }
    grid->addWidget(caption(box, QStringLiteral("Okres uśredniania")), 3, 0);
    grid->addWidget(value(c, box, 1099, c.averagingPeriod, QStringLiteral("0 s"), widestSeconds), 3, 1);
    grid->addWidget(caption(box, QStringLiteral("Prąd rozruchu")), 4, 0);
    grid->addWidget(value(c, box, 1103, c.startCurrent, QStringLiteral("0.0 A"), widestCurrent), 4, 1);
    grid->addWidget(caption(box, QStringLiteral("Czas rozruchu")), 4, 2, Qt::AlignRight);
    grid->addWidget(value(c, box, 1120, c.startTime, QStringLiteral("0 s"), widestSeconds), 4, 3);
    grid->addWidget(caption(box, QStringLiteral("Prąd przeciążenia")), 5, 0);
    grid->addWidget(value(c, box, 1104, c.overloadCurrent, QStringLiteral("0.0 A"), widestCurrent), 5, 1);
    return box;
}

QGroupBox* voltagesGroup(MainWindowControls& c, QWidget* parent)
{
    return meterGroup(
        c, parent, QStringLiteral("Napięcia"),
        {{u"Fazowe L1", 1114, &c.voltageL1, 1073, &c.voltageL1Bar, u"0 V", widestVoltage},
         {u"Fazowe L2", 1115, &c.voltageL2, 1085, &c.voltageL2Bar, u"0 V", widestVoltage},
         {u"Fazowe L3", 1116, &c.voltageL3, 1086, &c.voltageL3Bar, u"0 V", widestVoltage},
         {u"Międzyfaz. L1-L2", 1106, &c.voltageL1L2, 1065, &c.voltageL1L2Bar, u"0 V", widestVoltage},
         {u"Międzyfaz. L2-L3", 1107, &c.voltageL2L3, 1067, &c.voltageL2L3Bar, u"0 V", widestVoltage},
         {u"Międzyfaz. L3-L1", 1108, &c.voltageL3L1, 1069, &c.voltageL3L1Bar, u"0 V", widestVoltage},
         {u"Składowa zgodna", 1117, &c.positiveVoltage, 0, nullptr, u"0 V", widestVoltage},
         {u"Składowa przeciwna", 1118, &c.negativeVoltage, 1072, &c.negativeVoltageBar, u"0 V",
          widestVoltage},
         {u"Składowa zerowa", 1109, &c.zeroVoltage, 0, nullptr, u"0 V", widestVoltage}});
}

QGroupBox* powersGroup(MainWindowControls& c, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Moce i energie"), parent);
    auto* grid = compact(new QGridLayout(box));
    grid->setColumnStretch(0, 1);
    const int lists[3] = {1187, 1188, 1189};
    const int labels[3] = {1190, 1191, 1192};
    for (int i = 0; i < 3; ++i) {
        auto* list = named(new QComboBox(box), lists[i], c.powerChoice[i]);
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        grid->addWidget(list, i, 0);
        grid->addWidget(value(c, box, labels[i], c.powerValue[i], QStringLiteral("0"), u"8888888.8 kVAr/h"),
                        i, 1);
    }
    return box;
}

QGroupBox* furtherMeasurementsGroup(MainWindowControls& c, QWidget* parent)
{
    return meterGroup(
        c, parent, QStringLiteral("Pomiary dodatkowe"),
        {{u"Temperatura czujnika 1", 1123, &c.sensor1Temperature, 0, nullptr, u"0 *C", u"Przerwanie"},
         {u"Temperatura czujnika 2", 1124, &c.sensor2Temperature, 0, nullptr, u"0 *C", u"Przerwanie"},
         {u"Wejście prądowe", 1125, &c.currentInput, 0, nullptr, u"0.0 mA", u"88.8 m\u0410"},
         {u"Wejście napięciowe", 1126, &c.voltageInput, 0, nullptr, u"0.0 V", u"88.8 V"},
         {u"Częstotliwość sieci", 1127, &c.frequency, 0, nullptr, u"0.0 Hz", u"88.8 Hz"},
         {u"Rezystancja izolacji", 1128, &c.insulation, 0, nullptr, u"0.0 MOhm", u"8888.8 M\u03A9"}});
}

QGroupBox* timersGroup(MainWindowControls& c, QWidget* parent)
{
    return meterGroup(
        c, parent, QStringLiteral("Czasy"),
        {{u"Do samoczynnego zał.", 1119, &c.restartCountdown, 1075, &c.restartCountdownBar, u"Wył.",
          u"888 s"},
         {u"Do wyłącz. z przeciążenia", 1121, &c.overloadTripTime, 0, nullptr, u"Nie", u"888 s"},
         {u"Po wyłącz. z przeciążenia", 1122, &c.afterOverloadTime, 0, nullptr, u"Nie", u"888 s"}});
}

// `name` says which lamp it is; a screen reader adds its state.
CXLed* indicator(QWidget* parent, int id, CXLed*& handle, const QString& name)
{
    auto* led = named(new CXLed(parent), id, handle);
    led->setAccessibleName(name);
    return led;
}

QGroupBox* relayStateGroup(MainWindowControls& c, QWidget* parent)
{
    // Rows of their own rather than one grid: rows spanning grid columns made
    // the grid ask for far more width than any row needs.
    auto* box = new QGroupBox(QStringLiteral("Stan przekaźnika"), parent);
    auto* rows = compact(new QVBoxLayout(box));
    const std::tuple<int, CXLed**, const char16_t*> lights[] = {
        {1087, &c.tmlppLamp, u"TMLPP"},
        {1088, &c.motorRelayLamp, u"Przekaźnik silnika"},
        {1089, &c.functionRelayLamp, u"Przekaźnik funkcyjny"}};
    for (const auto& [id, handle, text] : lights) {
        auto* light = new QHBoxLayout;
        light->addWidget(indicator(box, id, *handle, QString::fromUtf16(text)));
        light->addWidget(caption(box, QString::fromUtf16(text)), 1);
        rows->addLayout(light);
    }
    auto* alarms = new QHBoxLayout;
    alarms->addWidget(indicator(box, 1090, c.faultLamp, QStringLiteral("Awaria")));
    alarms->addWidget(indicator(box, 1185, c.yellowLamp, QStringLiteral("Lampka żółta (bit stanu 3)")));
    alarms->addWidget(indicator(box, 1193, c.blueLamp, QStringLiteral("Lampka niebieska (bit stanu 8)")));
    alarms->addStretch();
    rows->addLayout(alarms);
    rows->addWidget(caption(box, QStringLiteral("Tryb pracy przekaźnika funkcyjnego:")));
    rows->addWidget(
        indicator(box, 1184, c.functionRelayMode, QStringLiteral("Tryb pracy przekaźnika funkcyjnego")));
    auto* clock = new QHBoxLayout;
    clock->addWidget(caption(box, QStringLiteral("Zegar ZRQ-7/8")), 0, Qt::AlignTop);
    clock->addWidget(
        value(c, box, 1130, c.relayClock, QStringLiteral("00 : 00 : 00\r\n00.00.0000"), widestClock), 1);
    rows->addLayout(clock);
    return box;
}

CIconButton* iconButton(QWidget* parent, int id, CIconButton*& handle, const QString& text)
{
    auto* button = named(new CIconButton(parent), id, handle);
    button->setText(text);
    button->SetTooltip(text);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QGroupBox* motorGroup(MainWindowControls& c, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Sterowanie silnikiem"), parent);
    auto* row = compact(new QHBoxLayout(box));
    QWidget* start = iconButton(box, 1139, c.start, QStringLiteral("START"));
    QWidget* stop = iconButton(box, 1198, c.stop, QStringLiteral("STOP"));
    start->hide();
    stop->hide();
    row->addWidget(start);
    row->addWidget(stop);
    row->addWidget(indicator(box, 1200, c.motorPicture, QStringLiteral("Silnik")));
    row->addStretch();
    auto* remote = new QVBoxLayout;
    remote->addWidget(caption(box, QStringLiteral("Zdalne")), 0, Qt::AlignHCenter);
    remote->addWidget(indicator(box, 1186, c.remoteLamp, QStringLiteral("Zdalne")), 0, Qt::AlignHCenter);
    row->addLayout(remote);
    QWidget* reset = iconButton(box, 1214, c.faultReset, QStringLiteral("Anulowanie awarii"));
    reset->hide();
    row->addWidget(reset);
    box->setMinimumHeight(box->sizeHint().height() + 24);
    return box;
}

QGroupBox* loadGroup(MainWindowControls& c, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Obciążenie cieplne silnika"), parent);
    auto* layout = compact(new QVBoxLayout(box));
    auto* graph = named(new CGraph(box), 1134, c.loadGraph);
    graph->setMinimumSize(200, 90);
    graph->setMouseTracking(true);
    layout->addWidget(graph, 1);
    auto* heating = new QHBoxLayout;
    heating->addWidget(caption(box, QStringLiteral("Grzanie")));
    heating->addWidget(value(c, box, 1135, c.heating, QStringLiteral("0%"), u"8888%"));
    heating->addStretch();
    layout->addLayout(heating);
    return box;
}

QGroupBox* faultsGroup(MainWindowControls& c, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Aktywne awarie"), parent);
    auto* layout = compact(new QVBoxLayout(box));
    auto* list = named(new CXListCtrl(box), 1076, c.faultList);
    // A few rows at least; any further height the window has goes to the list.
    list->setMinimumHeight(90);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    layout->addWidget(list);
    return box;
}

QGroupBox* linkGroup(MainWindowControls& c, QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Połączenie"), parent);
    auto* grid = compact(new QGridLayout(box));
    auto* activity = new QHBoxLayout;
    activity->addWidget(indicator(box, 1113, c.linkActivity, QStringLiteral("Aktywność łącza")));
    activity->addStretch();
    activity->addWidget(indicator(box, 1159, c.protection, QStringLiteral("Zabezpieczenie")));
    grid->addLayout(activity, 0, 0, 1, 2);
    const std::tuple<const char16_t*, int, CXLabel**, const char16_t*> rows[] = {
        {u"Stan", 1112, &c.linkState, u"Wyłączone"},
        {u"Prędkość", 1111, &c.lineSpeed, u"9600 bit/s"},
        {u"Czas połączenia", 1110, &c.connectionTime, u"00 : 00 : 00"},
        {u"Transmisja", 1131, &c.throughput, u"0.00par./s"},
    };
    int row = 1;
    for (const auto& [text, id, handle, initial] : rows) {
        grid->addWidget(caption(box, QString::fromUtf16(text)), row, 0);
        grid->addWidget(value(c, box, id, *handle, QString::fromUtf16(initial), u"88888.88par./s"), row, 1);
        ++row;
    }
    grid->addWidget(caption(box, QStringLiteral("Czas PC")), row, 0, Qt::AlignTop);
    grid->addWidget(value(c, box, 1091, c.pcClock, QStringLiteral("00 : 00 : 00\r\n00.00.0000"), widestClock),
                    row, 1);
    return box;
}

QPushButton* commandButton(QWidget* parent, int id, QPushButton*& handle, const QString& text,
                           const QString& icon)
{
    auto* button =
        named(new QPushButton(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)), text, parent), id, handle);
    button->setAutoDefault(false);
    return button;
}

} // namespace

MainWindowControls buildMainWindowContent(QWidget* content)
{
    MainWindowControls c;
    auto* left = new QVBoxLayout;
    left->addWidget(currentsGroup(c, content));
    left->addWidget(averageCurrentsGroup(c, content));
    left->addWidget(timersGroup(c, content));
    left->addStretch();

    auto* middle = new QVBoxLayout;
    middle->addWidget(voltagesGroup(c, content));
    middle->addWidget(powersGroup(c, content));
    middle->addWidget(furtherMeasurementsGroup(c, content));
    middle->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(relayStateGroup(c, content));
    right->addWidget(motorGroup(c, content));
    right->addWidget(loadGroup(c, content));
    right->addStretch();

    auto* columns = new QHBoxLayout;
    // No stretch factors: at its preferred size each column gets its own
    // preferred width (equal shares cut the power lists' texts).
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(faultsGroup(c, content), 1);
    bottom->addWidget(linkGroup(c, content));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(
        commandButton(content, 1084, c.connect, QStringLiteral("Połącz"), QStringLiteral("connect")));
    buttons->addWidget(
        commandButton(content, 1000, c.settings, QStringLiteral("Ustawienia"), QStringLiteral("settings")));
    buttons->addWidget(commandButton(content, 1003, c.deviceParameters, QStringLiteral("Parametry ZRQ"),
                                     QStringLiteral("device_params")));
    buttons->addWidget(
        commandButton(content, 1155, c.database, QStringLiteral("Baza danych"), QStringLiteral("database")));
    buttons->addWidget(commandButton(content, 1201, c.faultLog, QStringLiteral("Dziennik awarii ZRQ"),
                                     QStringLiteral("fault_report")));
    buttons->addStretch();
    buttons->addWidget(
        commandButton(content, 1082, c.about, QStringLiteral("O programie..."), QStringLiteral("about")));
    buttons->addWidget(
        commandButton(content, 1080, c.exit, QStringLiteral("Zakończ"), QStringLiteral("exit")));

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(groupMargin, groupMargin, groupMargin, groupMargin);
    layout->setSpacing(itemSpacing);
    layout->addLayout(columns);
    layout->addLayout(bottom, 1);
    layout->addLayout(buttons);
    return c;
}

QSize settledSizeHint(QWidget* content)
{
    // Inner layouts first: each passes its new needs up to its group's parent.
    for (QLayout* inner : content->findChildren<QLayout*>())
        if (inner != content->layout())
            inner->activate();
    content->layout()->invalidate();
    content->layout()->activate();
    return content->sizeHint();
}
