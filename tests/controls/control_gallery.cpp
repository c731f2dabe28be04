// SPDX-License-Identifier: MIT
// Every display control and program icon on one page, for looking at them:
//   control_gallery            shows the window
//   control_gallery out.png    saves a picture of it and quits
#include "CColorRect.h"
#include "CGraph.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace {

QGroupBox* group(const QString& title, QLayout* layout)
{
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

CXProgressCtrl* bar(int high, int markA, int markB, int level, ColorRef over = 0xFF)
{
    auto* bar = new CXProgressCtrl;
    bar->SetRange(0, high, 1.0f);
    bar->SetMarks(markA, markB);
    bar->SetOverColor(over);
    bar->SetLevel(level);
    return bar;
}

QWidget* bars()
{
    auto* layout = new QVBoxLayout;
    layout->addWidget(bar(475, 380, 100, 60));  // low
    layout->addWidget(bar(475, 380, 100, 230)); // normal
    layout->addWidget(bar(475, 380, 100, 420)); // over
    layout->addWidget(bar(150, 100, 0, 130, 0xFFFF));
    layout->addWidget(bar(300, 0, 0, 180));
    return group(QStringLiteral("CXProgressCtrl"), layout);
}

QWidget* labels()
{
    auto* layout = new QHBoxLayout;
    auto* current = new CXLabel(QStringLiteral("125.0 \u0410"));
    current->SetColors(makeColorRef(0, 0, 160), makeColorRef(240, 240, 240));
    current->SetBold(true);
    current->SetFontSize(11);
    current->setMinimumSize(90, 24);
    auto* clock = new CXLabel(QStringLiteral("12 : 34 : 56\r\n09.12.2026"));
    clock->setMinimumSize(110, 36);
    auto* resistance = new CXLabel(QStringLiteral("12.5 M\u03a9"));
    resistance->SetColors(makeColorRef(255, 255, 255), makeColorRef(47, 109, 181));
    resistance->setMinimumSize(80, 20);
    layout->addWidget(current);
    layout->addWidget(clock);
    layout->addWidget(resistance);
    layout->addStretch();
    return group(QStringLiteral("CXLabel"), layout);
}

QWidget* buttons()
{
    auto* grid = new QGridLayout;
    const QStringList names = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
    int index = 0;
    for (const QString& file : names) {
        if (QSvgRenderer(QStringLiteral(":/icons/") + file).defaultSize() != QSize(32, 32))
            continue;
        auto* button = new CIconButton;
        button->SetIcons(file.chopped(4), 32, 32);
        button->SetBkColor(button->palette().color(QPalette::Window));
        button->SetTooltip(file.chopped(4), true);
        button->resize(button->sizeHint());
        grid->addWidget(button, index / 12 * 2, index % 12);
        auto* name = new QLabel(file.chopped(4));
        QFont small = name->font();
        small.setPointSize(6);
        name->setFont(small);
        grid->addWidget(name, index / 12 * 2 + 1, index % 12, Qt::AlignHCenter);
        ++index;
    }
    auto* disabled = new CIconButton;
    disabled->SetIcons(QStringLiteral("start"), 32, 32);
    disabled->setEnabled(false);
    grid->addWidget(disabled, index / 12 * 2, index % 12);
    grid->addWidget(new QLabel(QStringLiteral("disabled")), index / 12 * 2 + 1, index % 12, Qt::AlignHCenter);
    return group(QStringLiteral("CIconButton"), grid);
}

// Every other picture at its own size, shown as a lit LED.
QWidget* pictures()
{
    auto* flow = new QGridLayout;
    const QStringList names = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
    int index = 0;
    for (const QString& file : names) {
        const QSize size = QSvgRenderer(QStringLiteral(":/icons/") + file).defaultSize();
        if (size == QSize(32, 32) || file.startsWith(QStringLiteral("led_")) ||
            file.startsWith(QStringLiteral("lamp_")))
            continue;
        auto* picture = new CXLed;
        picture->SetIcons(file.chopped(4), size.width(), size.height(), QString(), 0, 0);
        picture->SetState(1);
        flow->addWidget(picture, index / 6, index % 6, Qt::AlignLeft | Qt::AlignVCenter);
        ++index;
    }
    return group(QStringLiteral("Pictures"), flow);
}

QWidget* swatchesAndList()
{
    auto* layout = new QHBoxLayout;
    auto* swatches = new QVBoxLayout;
    for (ColorRef colour : {ColorRef(0xC1D1D0), ColorRef(0x0000FF), ColorRef(0x8B4513)}) {
        auto* swatch = new CColorRect;
        swatch->SetColor(colour);
        swatches->addWidget(swatch);
    }
    layout->addLayout(swatches);
    auto* list = new CXListCtrl;
    list->AddColumn(QStringLiteral("Nazwa"), 210);
    list->AddColumn(QStringLiteral("###"), 70, Qt::AlignHCenter);
    list->AddColumn(QStringLiteral("Wartość"), 65, Qt::AlignHCenter);
    list->AddColumn(QStringLiteral("Czas"), 65, Qt::AlignHCenter);
    list->AddColumn(QStringLiteral("Data"), 0, Qt::AlignHCenter);
    list->InsertRowAtTop({QStringLiteral("Zabezpieczenie nadprądowe fazowe"), QStringLiteral("Imax"),
                          QStringLiteral("125.0 A"), QStringLiteral("12:30:05")},
                         0);
    list->InsertRowAtTop({QStringLiteral("Przeciążenie termiczne"), QStringLiteral("Term"),
                          QStringLiteral("104 "), QStringLiteral("12:31:40")},
                         1);
    list->setMinimumSize(430, 90);
    layout->addWidget(list);
    return group(QStringLiteral("CColorRect, CXListCtrl"), layout);
}

QWidget* graph()
{
    auto* graph = new CGraph;
    graph->setFixedSize(300, 90);
    // A warming motor: load rises to 120 %, then cools down.
    for (int tick = 0; tick < 296; ++tick) {
        const int percent = tick < 150 ? tick * 120 / 150 : 120 - (tick - 150) * 60 / 150;
        graph->SetLoad(std::uint32_t(percent) * 11000);
        graph->scrollStep();
    }
    auto* layout = new QHBoxLayout;
    layout->addWidget(graph);
    layout->addStretch();
    return group(QStringLiteral("CGraph"), layout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kontrolki"));
    window.setWindowIcon(QIcon(QStringLiteral(":/icons/cpl_zrq7.svg")));
    auto* layout = new QGridLayout(&window);
    auto* ledBox = group(QStringLiteral("CXLed"), new QVBoxLayout);
    {
        auto* grid = new QGridLayout;
        int column = 0;
        for (const char* colour : {"red", "green", "yellow", "blue"}) {
            for (int state : {0, 1}) {
                auto* led = new CXLed;
                led->SetIcons(QStringLiteral("led_%1_on").arg(colour), 16, 16,
                              QStringLiteral("led_%1_off").arg(colour), 16, 16);
                led->SetState(state);
                grid->addWidget(led, 0, column);
                auto* lamp = new CXLed;
                lamp->SetIcons(QStringLiteral("lamp_%1_on").arg(colour), 48, 20,
                               QStringLiteral("lamp_%1_off").arg(colour), 48, 20);
                lamp->SetState(state);
                grid->addWidget(lamp, 1, column++);
            }
        }
        auto* alarm = new CXLed;
        alarm->SetIcons(QStringLiteral("alarm_on"), 128, 20, QStringLiteral("alarm_off"), 128, 20);
        alarm->SetState(1);
        alarm->SetBlink(true);
        grid->addWidget(alarm, 2, 0, 1, 4);
        static_cast<QVBoxLayout*>(ledBox->layout())->addLayout(grid);
    }
    layout->addWidget(ledBox, 0, 0);
    layout->addWidget(labels(), 0, 1);
    layout->addWidget(bars(), 1, 0);
    layout->addWidget(graph(), 1, 1);
    layout->addWidget(swatchesAndList(), 2, 0, 1, 2);
    layout->addWidget(buttons(), 3, 0, 1, 2);
    layout->addWidget(pictures(), 4, 0, 1, 2);

    if (argc > 1) {
        window.show();
        window.grab().save(QString::fromLocal8Bit(argv[1]));
        return 0;
    }
    window.show();
    return app.exec();
}
