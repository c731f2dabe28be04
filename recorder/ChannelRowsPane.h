// SPDX-License-Identifier: MIT
#pragma once

#include "ChannelScale.h"

#include <QColor>
#include <QGroupBox>
#include <array>

class CColorRect;
class CGraphMix;
class LoadedRecords;
class QCheckBox;
class QComboBox;
class QLineEdit;

// "Wybór danych graficznych:": the five channel rows (shown or not, quantity,
// "Max:", colour) and the scale they give the graph. A row's changes go to
// theApp().settings and are saved at once. UI thread only.
class ChannelRowsPane : public QGroupBox
{
    Q_OBJECT
public:
    static constexpr int channelCount = channels::count;

    // `graph` gets each channel's visibility, colour and scale; `records` are
    // what the scale is fitted to.
    ChannelRowsPane(CGraphMix* graph, LoadedRecords& records, QWidget* parent = nullptr);

    // The stored rows (quantity, shown, colour) with an empty scale.
    void applySettings();

    // Fits the scale of the channels in `which` to the loaded records.
    void AutoScale(std::array<bool, channelCount> which);
    // Channels of one unit share the largest maximum.
    void GroupMaxima();

    channels::Quantities quantities() const;
    std::array<QColor, channelCount> lineColors() const;
    const channels::Raw& maxRaw() const { return m_maxRaw; }
    bool maxEdited(int channel) const { return m_maxEdited[std::size_t(channel)]; }

signals:
    // A row changed what the graph draws: the traces are to be drawn again.
    void replotRequested();
    // A channel was shown or hidden (the graph only repaints).
    void shownChanged();

private:
    struct ChannelRow
    {
        QCheckBox* check = nullptr;
        QComboBox* quantity = nullptr;
        QLineEdit* max = nullptr;
        CColorRect* swatch = nullptr;
    };

    void onQuantityChanged(int channel);
    void onCheckClicked(int channel);
    void onSwatchDoubleClicked(int channel);
    void onMaxEdited(int channel);
    void showMaxEdits(const std::array<float, channelCount>& values, std::array<bool, channelCount> which);
    void paintMaxEdit(int channel);
    void handScaleToGraph();

    CGraphMix* m_graph = nullptr;
    LoadedRecords& m_records;
    std::array<ChannelRow, channelCount> m_rows{};
    channels::Raw m_maxRaw{};                         // nMaxRaw
    channels::Raw m_minRaw{};                         // nMinRaw
    std::array<float, channelCount> m_maxEditValue{}; // fMaxEdit
    std::array<bool, channelCount> m_maxEdited{};     // bMaxEdited
};
