// SPDX-License-Identifier: MIT
#include "DayGraphPane.h"

#include "CCPL_ZRQ7App.h"
#include "CGraphMix.h"
#include "CIconButton.h"
#include "RecorderPaneSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

using recorderpane::withId;

DayGraphPane::DayGraphPane(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_graph = withId(new CGraphMix(this), 1184);
    m_graph->setMinimumSize(600, 260);
    column->addWidget(m_graph, 1);
    column->addLayout(buildToolBar());
}

QHBoxLayout* DayGraphPane::buildToolBar()
{
    auto* bar = new QHBoxLayout;
    struct Button
    {
        int id;
        const char* name; // what a screen reader says: the buttons show only icons
        const char* icon;
        const char* tip;
        std::function<void()> action;
    };
    const Button buttons[] = {
        {1010, "Powiększanie", "graph_zoom", "Powiększ / Pomniejsz lub Ctrl + (rolka myszy w górę / w dół)",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM); }},
        {1013, "Zaznaczanie obszaru", "graph_select", "Powiększ / pomniejsz zaznaczony obszar",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_SELECT); }},
        {1022, "Kursor", "graph_cursor", "Informacyjne okienko kursora",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_CURSOR); }},
        {1015, "Cały wykres", "graph_whole", "Cały wykres", [this] { m_graph->ShowWholeRange(); }},
        {1017, "Przesuń w lewo", "graph_left", "Przesuń wykres w lewo lub obróć rolkę myszy w górę",
         [this] { m_graph->ScrollEarlier(); }},
        {1019, "Przesuń w prawo", "graph_right", "Przesuń wykres w prawo lub obróć rolkę myszy w dół",
         [this] { m_graph->ScrollLater(); }},
    };
    for (const Button& b : buttons) {
        auto* button = withId(new CIconButton(this), b.id);
        button->setAccessibleName(QString::fromUtf8(b.name));
        button->SetIcons(QString::fromLatin1(b.icon), 32, 32);
        button->SetTooltip(QString::fromUtf8(b.tip));
        button->setFixedSize(38, 38);
        connect(button, &CIconButton::clicked, this, b.action);
        bar->addWidget(button);
    }
    bar->addSpacing(20);
    bar->addWidget(new QLabel(QStringLiteral("Grubość linii"), this));
    m_lineWidth = withId(new QSlider(Qt::Horizontal, this), 1198);
    m_lineWidth->setRange(1, 5);
    m_lineWidth->setPageStep(1);
    m_lineWidth->setFixedWidth(120);
    bar->addWidget(m_lineWidth);
    bar->addStretch(1);
    connect(m_lineWidth, &QSlider::valueChanged, this, &DayGraphPane::onLineWidthChanged);
    connect(m_lineWidth, &QSlider::sliderReleased, this, &DayGraphPane::onLineWidthReleased);
    return bar;
}

void DayGraphPane::applySettings()
{
    const int thickness = std::clamp(theApp().settings.nLineThickness, 1, 5);
    m_lineWidth->blockSignals(true);
    m_lineWidth->setValue(thickness);
    m_lineWidth->blockSignals(false);
    m_graph->SetLineWidth(thickness);
    m_graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM);
}

// Settings changes are saved at once; a failed save keeps the live record,
// with nothing to tell here.
void DayGraphPane::onLineWidthChanged(int width)
{
    m_graph->SetLineWidth(width);
    emit replotRequested();
    if (!m_lineWidth->isSliderDown() && width != theApp().settings.nLineThickness) {
        theApp().settings.nLineThickness = width;
        theApp().SaveSettings();
    }
}

void DayGraphPane::onLineWidthReleased()
{
    if (m_lineWidth->value() != theApp().settings.nLineThickness) {
        theApp().settings.nLineThickness = m_lineWidth->value();
        theApp().SaveSettings();
    }
}
