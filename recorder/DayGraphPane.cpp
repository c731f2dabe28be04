// SPDX-License-Identifier: MIT
#include "DayGraphPane.h"

#include "CCPL_ZRQ7App.h"
#include "CGraphMix.h"
#include "CIconButton.h"
#include "RecorderPaneSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

using recorderpane::withId;

namespace {

constexpr int abCursorsId = 1301;
constexpr int graphMinimumHeight = 260;
const QColor buttonBackground(255, 255, 255);
const QColor switchedOnBackground(200, 220, 245); // a switch button that is on

} // namespace

DayGraphPane::DayGraphPane(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_graph = withId(new CGraphMix(this), 1184);
    m_graph->setMinimumSize(600, graphMinimumHeight);
    column->addWidget(m_graph, 1);
    column->addLayout(buildToolBar());

    // Plain text in a read-only box: a screen reader reads it, the operator can copy it.
    m_cursorReadout = withId(new QPlainTextEdit(this), 1302);
    m_cursorReadout->setReadOnly(true);
    m_cursorReadout->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_cursorReadout->setAccessibleName(QStringLiteral("Odczyt kursorów A/B"));
    m_cursorReadout->setAccessibleDescription(
        QStringLiteral("Czas kursorów A i B, Δt oraz wartości kanałów w A, w B i różnica B−A"));
    m_cursorReadout->setFixedHeight(
        m_cursorReadout->fontMetrics().lineSpacing() * (1 + CGraphMix::channelCount) +
        2 * (m_cursorReadout->frameWidth() + int(m_cursorReadout->document()->documentMargin())) + 4);
    m_cursorReadout->hide();
    column->addWidget(m_cursorReadout);
    showCursorReadout();
    connect(&m_graph->abCursors(), &CursorPair::changed, this, &DayGraphPane::showCursorReadout);
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
        bool checkable = false; // a switch: on until clicked again
    };
    const Button buttons[] = {
        {1010, "Powiększanie", "graph_zoom", "Powiększ / Pomniejsz lub Ctrl + (rolka myszy w górę / w dół)",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM); }},
        {1013, "Zaznaczanie obszaru", "graph_select", "Powiększ / pomniejsz zaznaczony obszar",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_SELECT); }},
        {1022, "Kursor", "graph_cursor", "Informacyjne okienko kursora",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_CURSOR); }},
        {abCursorsId, "Kursory A/B", "graph_ab_cursors",
         "Kursory A/B: klik – A, Shift+klik – B (klawisze A i B: środek widoku); strzałki przesuwają o "
         "rekord, z Shift o minutę",
         [this] { showABCursors(m_abCursorsButton->isChecked()); }, true},
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
        button->setCheckable(b.checkable);
        if (b.id == abCursorsId)
            m_abCursorsButton = button;
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

void DayGraphPane::showABCursors(bool on)
{
    m_abCursorsButton->SetBkColor(on ? switchedOnBackground : buttonBackground);
    m_graph->abCursors().setOn(on);
    // Reachable with Tab while the cursors are on: they can be placed by keys.
    m_graph->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
    // The read-out takes its room from the graph: the window keeps its size
    // (within 1024 x 768). The graph yields before the read-out shows, as
    // showing it lays the window out at once.
    const int room = m_cursorReadout->maximumHeight() + layout()->spacing();
    if (on)
        m_graph->setMinimumHeight(graphMinimumHeight - room);
    m_cursorReadout->setVisible(on);
    if (!on)
        m_graph->setMinimumHeight(graphMinimumHeight);
}

void DayGraphPane::showCursorReadout()
{
    const QString text = m_graph->abCursors().readoutText();
    if (text != m_cursorReadout->toPlainText())
        m_cursorReadout->setPlainText(text);
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
