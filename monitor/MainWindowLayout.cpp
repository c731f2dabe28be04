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
#include <type_traits>

namespace {

template <typename T>
T* named(T* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

// A value read-out, sized for the widest text it is meant to show, so a new
// value repaints the read-out alone and the layout never jumps.
CXLabel* value(QWidget* parent, int id, const QString& initial, QStringView widest)
{
    auto* label = named(new CXLabel(initial, parent), id);
    label->ReserveText(widest.toString());
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
CXProgressCtrl* levelBar(QWidget* parent, int id)
{
    auto* bar = named(new CXProgressCtrl(parent), id);
    bar->setMinimumSize(90, 14);
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
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
    int label;
    int bar;
    const char16_t* initial;
    QStringView widest;
};

QGroupBox* meterGroup(QWidget* parent, const QString& title, std::initializer_list<MeterRow> rows)
{
    auto* box = new QGroupBox(title, parent);
    auto* grid = compact(new QGridLayout(box));
    grid->setColumnStretch(2, 1);
    int row = 0;
    for (const MeterRow& r : rows) {
        grid->addWidget(caption(box, QString::fromUtf16(r.caption)), row, 0);
        grid->addWidget(value(box, r.label, QString::fromUtf16(r.initial), r.widest), row, 1);
        if (r.bar) {
            // Read out by its row, not by the group around it.
            CXProgressCtrl* bar = levelBar(box, r.bar);
            bar->setAccessibleName(QString::fromUtf16(r.caption));
            grid->addWidget(bar, row, 2);
        }
        ++row;
    }
    return box;
}

QGroupBox* currentsGroup(QWidget* parent)
{
    return meterGroup(parent, QStringLiteral("Prądy"),
                      {{u"Faza L1", 1092, 1054, u"0.0 A", widestCurrent},
                       {u"Faza L2", 1093, 1055, u"0.0 A", widestCurrent},
                       {u"Faza L3", 1094, 1056, u"0.0 A", widestCurrent},
                       {u"Składowa zgodna", 1133, 1079, u"0.0 A", widestCurrent},
                       {u"Składowa przeciwna", 1105, 1061, u"0.0 A", widestCurrent},
                       {u"Prąd doziemny I0", 1095, 1059, u"0.0 A", widestCurrent}});
}

QGroupBox* averageCurrentsGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Prądy średnie i rozruch"), parent);
    auto* grid = compact(new QGridLayout(box));
    grid->addWidget(caption(box, QStringLiteral("L1")), 0, 1, Qt::AlignHCenter);
    grid->addWidget(caption(box, QStringLiteral("L2")), 0, 2, Qt::AlignHCenter);
    grid->addWidget(caption(box, QStringLiteral("L3")), 0, 3, Qt::AlignHCenter);
    grid->addWidget(caption(box, QStringLiteral("Średni")), 1, 0);
    grid->addWidget(caption(box, QStringLiteral("Maks. średni")), 2, 0);
    const int averages[2][3] = {{1096, 1097, 1098}, {1100, 1101, 1102}};
    for (int row = 0; row < 2; ++row)
        for (int phase = 0; phase < 3; ++phase)
            grid->addWidget(value(box, averages[row][phase], QStringLiteral("0.0 A"), widestCurrent), row + 1,
                            phase + 1);
    grid->addWidget(caption(box, QStringLiteral("Okres uśredniania")), 3, 0);
    grid->addWidget(value(box, 1099, QStringLiteral("0 s"), widestSeconds), 3, 1);
    grid->addWidget(caption(box, QStringLiteral("Prąd rozruchu")), 4, 0);
    grid->addWidget(value(box, 1103, QStringLiteral("0.0 A"), widestCurrent), 4, 1);
    grid->addWidget(caption(box, QStringLiteral("Czas rozruchu")), 4, 2, Qt::AlignRight);
    grid->addWidget(value(box, 1120, QStringLiteral("0 s"), widestSeconds), 4, 3);
    grid->addWidget(caption(box, QStringLiteral("Prąd przeciążenia")), 5, 0);
    grid->addWidget(value(box, 1104, QStringLiteral("0.0 A"), widestCurrent), 5, 1);
    return box;
}

QGroupBox* voltagesGroup(QWidget* parent)
{
    return meterGroup(parent, QStringLiteral("Napięcia"),
                      {{u"Fazowe L1", 1114, 1073, u"0 V", widestVoltage},
                       {u"Fazowe L2", 1115, 1085, u"0 V", widestVoltage},
                       {u"Fazowe L3", 1116, 1086, u"0 V", widestVoltage},
                       {u"Międzyfaz. L1-L2", 1106, 1065, u"0 V", widestVoltage},
                       {u"Międzyfaz. L2-L3", 1107, 1067, u"0 V", widestVoltage},
                       {u"Międzyfaz. L3-L1", 1108, 1069, u"0 V", widestVoltage},
                       {u"Składowa zgodna", 1117, 0, u"0 V", widestVoltage},
                       {u"Składowa przeciwna", 1118, 1072, u"0 V", widestVoltage},
                       {u"Składowa zerowa", 1109, 0, u"0 V", widestVoltage}});
}

QGroupBox* powersGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Moce i energie"), parent);
    auto* grid = compact(new QGridLayout(box));
    grid->setColumnStretch(0, 1);
    const int lists[3] = {1187, 1188, 1189};
    const int labels[3] = {1190, 1191, 1192};
    for (int i = 0; i < 3; ++i) {
        auto* list = named(new QComboBox(box), lists[i]);
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        grid->addWidget(list, i, 0);
        grid->addWidget(value(box, labels[i], QStringLiteral("0"), u"8888888.8 kVAr/h"), i, 1);
    }
    return box;
}

QGroupBox* furtherMeasurementsGroup(QWidget* parent)
{
    return meterGroup(parent, QStringLiteral("Pomiary dodatkowe"),
                      {{u"Temperatura czujnika 1", 1123, 0, u"0 *C", u"Przerwanie"},
                       {u"Temperatura czujnika 2", 1124, 0, u"0 *C", u"Przerwanie"},
                       {u"Wejście prądowe", 1125, 0, u"0.0 mA", u"88.8 m\u0410"},
                       {u"Wejście napięciowe", 1126, 0, u"0.0 V", u"88.8 V"},
                       {u"Częstotliwość sieci", 1127, 0, u"0.0 Hz", u"88.8 Hz"},
                       {u"Rezystancja izolacji", 1128, 0, u"0.0 MOhm", u"8888.8 M\u03A9"}});
}

QGroupBox* timersGroup(QWidget* parent)
{
    return meterGroup(parent, QStringLiteral("Czasy"),
                      {{u"Do samoczynnego zał.", 1119, 1075, u"Wył.", u"888 s"},
                       {u"Do wyłącz. z przeciążenia", 1121, 0, u"Nie", u"888 s"},
                       {u"Po wyłącz. z przeciążenia", 1122, 0, u"Nie", u"888 s"}});
}

// `name` says which lamp it is; a screen reader adds its state.
CXLed* indicator(QWidget* parent, int id, const QString& name)
{
    auto* led = named(new CXLed(parent), id);
    led->setAccessibleName(name);
    return led;
}

QGroupBox* relayStateGroup(QWidget* parent)
{
    // Rows of their own rather than one grid: rows spanning grid columns made
    // the grid ask for far more width than any row needs.
    auto* box = new QGroupBox(QStringLiteral("Stan przekaźnika"), parent);
    auto* rows = compact(new QVBoxLayout(box));
    const std::pair<int, const char16_t*> lights[] = {
        {1087, u"TMLPP"}, {1088, u"Przekaźnik silnika"}, {1089, u"Przekaźnik funkcyjny"}};
    for (const auto& [id, text] : lights) {
        auto* light = new QHBoxLayout;
        light->addWidget(indicator(box, id, QString::fromUtf16(text)));
        light->addWidget(caption(box, QString::fromUtf16(text)), 1);
        rows->addLayout(light);
    }
    auto* alarms = new QHBoxLayout;
    alarms->addWidget(indicator(box, 1090, QStringLiteral("Awaria")));
    alarms->addWidget(indicator(box, 1185, QStringLiteral("Lampka żółta (bit stanu 3)")));
    alarms->addWidget(indicator(box, 1193, QStringLiteral("Lampka niebieska (bit stanu 8)")));
    alarms->addStretch();
    rows->addLayout(alarms);
    rows->addWidget(caption(box, QStringLiteral("Tryb pracy przekaźnika funkcyjnego:")));
    rows->addWidget(indicator(box, 1184, QStringLiteral("Tryb pracy przekaźnika funkcyjnego")));
    auto* clock = new QHBoxLayout;
    clock->addWidget(caption(box, QStringLiteral("Zegar ZRQ-7/8")), 0, Qt::AlignTop);
    clock->addWidget(value(box, 1130, QStringLiteral("00 : 00 : 00\r\n00.00.0000"), widestClock), 1);
    rows->addLayout(clock);
    return box;
}

CIconButton* iconButton(QWidget* parent, int id, const QString& text)
{
    auto* button = named(new CIconButton(parent), id);
    button->setText(text);
    button->SetTooltip(text);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QGroupBox* motorGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Sterowanie silnikiem"), parent);
    auto* row = compact(new QHBoxLayout(box));
    QWidget* start = iconButton(box, 1139, QStringLiteral("START"));
    QWidget* stop = iconButton(box, 1198, QStringLiteral("STOP"));
    start->hide();
    stop->hide();
    row->addWidget(start);
    row->addWidget(stop);
    row->addWidget(indicator(box, 1200, QStringLiteral("Silnik")));
    row->addStretch();
    auto* remote = new QVBoxLayout;
    remote->addWidget(caption(box, QStringLiteral("Zdalne")), 0, Qt::AlignHCenter);
    remote->addWidget(indicator(box, 1186, QStringLiteral("Zdalne")), 0, Qt::AlignHCenter);
    row->addLayout(remote);
    QWidget* reset = iconButton(box, 1214, QStringLiteral("Anulowanie awarii"));
    reset->hide();
    row->addWidget(reset);
    box->setMinimumHeight(box->sizeHint().height() + 24);
    return box;
}

QGroupBox* loadGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Obciążenie cieplne silnika"), parent);
    auto* layout = compact(new QVBoxLayout(box));
    auto* graph = named(new CGraph(box), 1134);
    graph->setMinimumSize(200, 90);
    graph->setMouseTracking(true);
    layout->addWidget(graph, 1);
    auto* heating = new QHBoxLayout;
    heating->addWidget(caption(box, QStringLiteral("Grzanie")));
    heating->addWidget(value(box, 1135, QStringLiteral("0%"), u"8888%"));
    heating->addStretch();
    layout->addLayout(heating);
    return box;
}

QGroupBox* faultsGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Aktywne awarie"), parent);
    auto* layout = compact(new QVBoxLayout(box));
    auto* list = named(new CXListCtrl(box), 1076);
    // A few rows at least; any further height the window has goes to the list.
    list->setMinimumHeight(90);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    layout->addWidget(list);
    return box;
}

QGroupBox* linkGroup(QWidget* parent)
{
    auto* box = new QGroupBox(QStringLiteral("Połączenie"), parent);
    auto* grid = compact(new QGridLayout(box));
    auto* activity = new QHBoxLayout;
    activity->addWidget(indicator(box, 1113, QStringLiteral("Aktywność łącza")));
    activity->addStretch();
    activity->addWidget(indicator(box, 1159, QStringLiteral("Zabezpieczenie")));
    grid->addLayout(activity, 0, 0, 1, 2);
    const std::pair<const char16_t*, std::pair<int, const char16_t*>> rows[] = {
        {u"Stan", {1112, u"Wyłączone"}},
        {u"Prędkość", {1111, u"9600 bit/s"}},
        {u"Czas połączenia", {1110, u"00 : 00 : 00"}},
        {u"Transmisja", {1131, u"0.00par./s"}},
    };
    int row = 1;
    for (const auto& [text, control] : rows) {
        grid->addWidget(caption(box, QString::fromUtf16(text)), row, 0);
        grid->addWidget(value(box, control.first, QString::fromUtf16(control.second), u"88888.88par./s"), row,
                        1);
        ++row;
    }
    grid->addWidget(caption(box, QStringLiteral("Czas PC")), row, 0, Qt::AlignTop);
    grid->addWidget(value(box, 1091, QStringLiteral("00 : 00 : 00\r\n00.00.0000"), widestClock), row, 1);
    return box;
}

QPushButton* commandButton(QWidget* parent, int id, const QString& text, const QString& icon)
{
    auto* button = named(new QPushButton(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)), text, parent), id);
    button->setAutoDefault(false);
    return button;
}

} // namespace

void buildMainWindowContent(QWidget* content)
{
    auto* left = new QVBoxLayout;
    left->addWidget(currentsGroup(content));
    left->addWidget(averageCurrentsGroup(content));
    left->addWidget(timersGroup(content));
    left->addStretch();

    auto* middle = new QVBoxLayout;
    middle->addWidget(voltagesGroup(content));
    middle->addWidget(powersGroup(content));
    middle->addWidget(furtherMeasurementsGroup(content));
    middle->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(relayStateGroup(content));
    right->addWidget(motorGroup(content));
    right->addWidget(loadGroup(content));
    right->addStretch();

    auto* columns = new QHBoxLayout;
    // No stretch factors: at its preferred size each column gets its own
    // preferred width (equal shares cut the power lists' texts).
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(faultsGroup(content), 1);
    bottom->addWidget(linkGroup(content));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(commandButton(content, 1084, QStringLiteral("Połącz"), QStringLiteral("connect")));
    buttons->addWidget(commandButton(content, 1000, QStringLiteral("Ustawienia"), QStringLiteral("settings")));
    buttons->addWidget(commandButton(content, 1003, QStringLiteral("Parametry ZRQ"), QStringLiteral("device_params")));
    buttons->addWidget(commandButton(content, 1155, QStringLiteral("Baza danych"), QStringLiteral("database")));
    buttons->addWidget(
        commandButton(content, 1201, QStringLiteral("Dziennik awarii ZRQ"), QStringLiteral("fault_report")));
    buttons->addStretch();
    buttons->addWidget(commandButton(content, 1082, QStringLiteral("O programie..."), QStringLiteral("about")));
    buttons->addWidget(commandButton(content, 1080, QStringLiteral("Zakończ"), QStringLiteral("exit")));

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(groupMargin, groupMargin, groupMargin, groupMargin);
    layout->setSpacing(itemSpacing);
    layout->addLayout(columns);
    layout->addLayout(bottom, 1);
    layout->addLayout(buttons);
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
