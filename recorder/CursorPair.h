// SPDX-License-Identifier: MIT
#pragma once

#include "ChannelScale.h"
#include "GraphGeometry.h"
#include "MultiDayAxis.h"
#include "TraceLines.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <cstddef>
#include <optional>

class QPainter;

// The graph's A and B cursors. While they are on, a click places A and a
// Shift+click B on the record nearest the time under the mouse (the keys A
// and B: nearest the middle of the view); the arrow keys move the cursor
// placed last by one record, Shift+arrow by a minute.
// They hold record indexes of the series the graph shows, so they follow pan
// and zoom, and they are painted over the graph's layers: moving them
// replots nothing. The read-out gives each shown channel at A, at B and
// B − A, with Δt. The graph owns one and forwards its input. UI thread only.
class CursorPair : public QObject
{
    Q_OBJECT
public:
    enum Which { A = 0, B = 1 };

    using QObject::QObject;

    // Off: the cursors are neither drawn nor moved, and keep their records.
    void setOn(bool on);
    bool isOn() const { return m_on; }

    // What the cursors stand on: the series as the graph draws it (its owner
    // keeps it alive and calls this again after every change), the quantity of
    // each shown channel (noQuantity: not shown), each channel's name, and the
    // time axis for the cursors' times. Cursors beyond the series are removed.
    void setSeries(const PlotSeries* series, const channels::Quantities& shown,
                   const std::array<QString, channels::count>& names, const multiday::Axis& axis = {});
    // Another recording: both cursors are removed.
    void reset();

    std::optional<std::size_t> position(Which which) const { return m_at[which]; }
    Which active() const { return m_active; }

    // The graph's input; true when the cursors took it.
    bool press(const graphmath::Plot& plot, const graphmath::View& view, QPoint point,
               Qt::KeyboardModifiers keys);
    // A and B (keys) place that cursor on the record nearest the middle of the
    // view, so the cursors work without a mouse as well.
    bool keyPress(int key, Qt::KeyboardModifiers keys, const graphmath::View& view);
    // The time of a placed cursor on the axis.
    std::optional<double> timeOf(Which which) const;

    // Both placed cursors that lie in the view, as vertical lines with their letter.
    void paint(QPainter& painter, const graphmath::Plot& plot, const graphmath::View& view) const;

    // Plain text, one line per shown channel under a line of the times.
    QString readoutText() const;

signals:
    // A cursor moved or what it reads changed: repaint and read again.
    void changed();

private:
    std::span<const std::int32_t> seconds() const;
    void place(Which which, std::size_t index);

    bool m_on = false;
    const PlotSeries* m_series = nullptr;
    channels::Quantities m_shown{channels::noQuantity, channels::noQuantity, channels::noQuantity,
                                 channels::noQuantity, channels::noQuantity};
    std::array<QString, channels::count> m_names;
    multiday::Axis m_axis;
    std::array<std::optional<std::size_t>, 2> m_at;
    Which m_active = A;
};
