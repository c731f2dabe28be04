// SPDX-License-Identifier: MIT
#include "ChannelRowsPane.h"

#include "CCPL_ZRQ7App.h"
#include "CColorRect.h"
#include "CGraphMix.h"
#include "LoadedRecords.h"
#include "RecorderPaneSupport.h"
#include "ZRQ7DLL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <optional>
#include <span>

using recorderpane::fromWide;
using recorderpane::withId;

namespace {

const QColor editHighlight(255, 120, 45); // 0x2D78FF

// Controls of channel rows 1-5: check box, quantity list, "Max:" edit, swatch.
constexpr int checkIds[] = {1193, 1194, 1196, 1197, 1199};
constexpr int quantityIds[] = {1170, 1171, 1172, 1173, 1174};
constexpr int maxIds[] = {1145, 1148, 1150, 1152, 1153};
constexpr int swatchIds[] = {1177, 1178, 1179, 1180, 1181};

// Settings changes are saved at once; a failed save keeps the live record,
// with nothing to tell here.
void saveSettings()
{
    theApp().SaveSettings();
}

} // namespace

ChannelRowsPane::ChannelRowsPane(CGraphMix* graph, LoadedRecords& records, QWidget* parent)
    : QGroupBox(QStringLiteral("Wybór danych graficznych:"), parent), m_graph(graph), m_records(records)
{
    auto* grid = new QGridLayout(this);
    QStringList entries{QStringLiteral("Nie")};
    for (const auto& info : dll_nMeasureInfo)
        entries << fromWide(info.szDescription) + QStringLiteral(", ") + fromWide(info.szName) +
                       QStringLiteral(", ") + fromWide(info.szUnit);
    // Digits with one decimal point or comma: the same in every locale.
    const QRegularExpression number(QStringLiteral("^[0-9]{0,10}([.,][0-9]{0,6})?$"));
    for (int c = 0; c < channelCount; ++c) {
        ChannelRow& row = m_rows[std::size_t(c)];
        row.check = withId(new QCheckBox(QStringLiteral("Kanał %1").arg(c + 1), this), checkIds[c]);
        row.quantity = withId(new QComboBox(this), quantityIds[c]);
        row.quantity->addItems(entries);
        row.quantity->setMaxVisibleItems(20);
        row.max = withId(new QLineEdit(this), maxIds[c]);
        row.max->setValidator(new QRegularExpressionValidator(number, row.max));
        row.max->setFixedWidth(90);
        row.swatch = withId(new CColorRect(this), swatchIds[c]);
        row.swatch->setFixedSize(40, 20);
        grid->addWidget(row.check, c, 0);
        grid->addWidget(row.quantity, c, 1);
        grid->addWidget(new QLabel(QStringLiteral("Max:"), this), c, 2);
        grid->addWidget(row.max, c, 3);
        grid->addWidget(new QLabel(QStringLiteral("Kolor:"), this), c, 4);
        grid->addWidget(row.swatch, c, 5);
        connect(row.quantity, &QComboBox::activated, this, [this, c] { onQuantityChanged(c); });
        connect(row.check, &QCheckBox::clicked, this, [this, c] { onCheckClicked(c); });
        connect(row.swatch, &CColorRect::doubleClicked, this, [this, c] { onSwatchDoubleClicked(c); });
        connect(row.max, &QLineEdit::textEdited, this, [this, c] { onMaxEdited(c); });
    }
    grid->setColumnStretch(1, 1);
}

void ChannelRowsPane::applySettings()
{
    const ProgramSettings& s = theApp().settings;
    for (int c = 0; c < channelCount; ++c) {
        m_rows[std::size_t(c)].swatch->SetColor(ColorRef(s.crGraphLine[c]));
        m_graph->SetChannelColor(c, s.crGraphLine[c]);
    }
    m_graph->SetMaxima({});
    m_graph->SetMinima({});
    m_graph->SetDivisors({1, 1, 1, 1, 1});
    for (int c = 0; c < channelCount; ++c) {
        ChannelRow& row = m_rows[std::size_t(c)];
        const int listIndex = s.nGraphQuantity[c];
        row.quantity->setCurrentIndex(listIndex >= 0 && listIndex < row.quantity->count() ? listIndex : 0);
        row.max->setText(QStringLiteral("0"));
        row.check->setChecked(s.bGraphVisible[c] != 0);
        onCheckClicked(c); // visibility and the edit's enabling follow the stored box
    }
}

channels::Quantities ChannelRowsPane::quantities() const
{
    channels::Quantities q{};
    for (int c = 0; c < channelCount; ++c)
        q[std::size_t(c)] = channels::quantityOfListIndex(m_rows[std::size_t(c)].quantity->currentIndex());
    return q;
}

std::array<QColor, ChannelRowsPane::channelCount> ChannelRowsPane::lineColors() const
{
    std::array<QColor, channelCount> colors;
    for (int c = 0; c < channelCount; ++c)
        colors[std::size_t(c)] = m_rows[std::size_t(c)].swatch->GetColor();
    return colors;
}

// ---- Scale ----

void ChannelRowsPane::AutoScale(std::array<bool, channelCount> which)
{
    const channels::Quantities q = quantities();
    for (int c = 0; c < channelCount; ++c)
        if (which[std::size_t(c)]) {
            m_maxRaw[std::size_t(c)] = m_minRaw[std::size_t(c)] = 0;
            m_maxEditValue[std::size_t(c)] = 0;
            m_maxEdited[std::size_t(c)] = false;
        }
    if (m_records.empty()) {
        m_graph->SetMaxima({});
        m_graph->SetMinima({});
        m_graph->SetDivisors({1, 1, 1, 1, 1});
        showMaxEdits(m_maxEditValue, which);
        return;
    }
    // The scale fits the values the graph draws: the channel series, built once per
    // quantity (a run of days is read again for a new quantity).
    std::optional<recorderpane::BusyCursor> busy;
    if (m_records.range() && m_records.range()->quantities != q)
        busy.emplace();
    const PlotSeries& series = m_records.series(q);
    std::array<std::span<const std::int32_t>, channelCount> values;
    channels::Quantities scanned{};
    for (int c = 0; c < channelCount; ++c) {
        scanned[std::size_t(c)] = which[std::size_t(c)] ? q[std::size_t(c)] : channels::noQuantity;
        if (scanned[std::size_t(c)] != channels::noQuantity)
            values[std::size_t(c)] = series.values[std::size_t(c)];
    }
    const channels::AutoScaleResult own = channels::autoScale(values, scanned);
    for (int c = 0; c < channelCount; ++c)
        if (which[std::size_t(c)]) {
            // The channel's own extremes (autoScale's maxima are grouped among the scanned only).
            std::int32_t max = 0, min = 0;
            for (const std::int32_t v : values[std::size_t(c)]) {
                max = std::max(max, v);
                min = std::min(min, v);
            }
            m_maxRaw[std::size_t(c)] = max;
            m_minRaw[std::size_t(c)] = min;
            m_maxEditValue[std::size_t(c)] = own.editValues[std::size_t(c)];
        }
    GroupMaxima();
    showMaxEdits(m_maxEditValue, which);
    handScaleToGraph();
}

void ChannelRowsPane::GroupMaxima()
{
    channels::groupMaxima(m_maxRaw, quantities());
}

void ChannelRowsPane::handScaleToGraph()
{
    const channels::Quantities q = quantities();
    CGraphMix::Channels divisors{};
    for (int c = 0; c < channelCount; ++c)
        divisors[std::size_t(c)] = channels::divisorOf(q[std::size_t(c)]);
    m_graph->SetMaxima(m_maxRaw);
    m_graph->SetMinima(m_minRaw);
    m_graph->SetDivisors(divisors);
}

void ChannelRowsPane::showMaxEdits(const std::array<float, channelCount>& values,
                                   std::array<bool, channelCount> which)
{
    for (int c = 0; c < channelCount; ++c)
        if (which[std::size_t(c)]) {
            m_rows[std::size_t(c)].max->setText(channels::maxText(values[std::size_t(c)]));
            paintMaxEdit(c);
        }
}

void ChannelRowsPane::paintMaxEdit(int channel)
{
    QLineEdit* edit = m_rows[std::size_t(channel)].max;
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, m_maxEdited[std::size_t(channel)]
                                         ? editHighlight
                                         : this->palette().color(QPalette::Base));
    edit->setPalette(palette);
}

// ---- Rows ----

void ChannelRowsPane::onQuantityChanged(int channel)
{
    ChannelRow& row = m_rows[std::size_t(channel)];
    m_graph->SetChannelVisible(channel, true);
    std::array<bool, channelCount> only{};
    only[std::size_t(channel)] = true;
    AutoScale(only);
    emit replotRequested();
    row.check->setChecked(true);
    row.check->show();
    onCheckClicked(channel);
    const int listIndex = row.quantity->currentIndex();
    if (listIndex != theApp().settings.nGraphQuantity[channel]) {
        theApp().settings.nGraphQuantity[channel] = listIndex;
        saveSettings();
    }
}

void ChannelRowsPane::onCheckClicked(int channel)
{
    ChannelRow& row = m_rows[std::size_t(channel)];
    const bool checked = row.check->isChecked();
    m_graph->SetChannelVisible(channel, checked);
    m_graph->Redraw();
    emit shownChanged();
    row.max->setEnabled(checked && row.quantity->currentIndex() > 0);
    if (int(checked) != theApp().settings.bGraphVisible[channel]) {
        theApp().settings.bGraphVisible[channel] = checked;
        saveSettings();
    }
}

void ChannelRowsPane::onSwatchDoubleClicked(int channel)
{
    CColorRect* swatch = m_rows[std::size_t(channel)].swatch;
    if (!swatch->ChooseColor())
        return;
    const ColorRef color = swatch->GetColorRef();
    m_graph->SetChannelColor(channel, color);
    emit replotRequested();
    if (color != theApp().settings.crGraphLine[channel]) {
        theApp().settings.crGraphLine[channel] = color;
        saveSettings();
    }
}

void ChannelRowsPane::onMaxEdited(int channel)
{
    QLineEdit* edited = m_rows[std::size_t(channel)].max;
    if (edited->text().isEmpty())
        edited->setText(QStringLiteral("0"));
    const channels::Quantities q = quantities();
    for (int c = 0; c < channelCount; ++c) {
        const std::optional<double> value = channels::parseMaxText(m_rows[std::size_t(c)].max->text());
        if (!value)
            return; // the validator admits only numbers; keep the previous values otherwise
        m_maxEditValue[std::size_t(c)] = float(*value);
        if (q[std::size_t(c)] != channels::noQuantity)
            m_maxRaw[std::size_t(c)] = channels::rawMaxOf(*value, channels::divisorOf(q[std::size_t(c)]));
    }
    if (q[std::size_t(channel)] != channels::noQuantity) {
        GroupMaxima();
        m_graph->SetMaxima(m_maxRaw);
        emit replotRequested();
        m_maxEdited[std::size_t(channel)] = true;
    } else {
        m_maxEdited[std::size_t(channel)] = false;
    }
    paintMaxEdit(channel);
}
