// SPDX-License-Identifier: MIT
#include "CursorPair.h"

#include "GraphCursors.h"

#include <QPainter>
#include <cstdlib>

using namespace graphmath;

namespace {

const QColor cursorColors[] = {QColor(170, 0, 170), QColor(0, 90, 200)};
const QString letters[] = {QStringLiteral("A"), QStringLiteral("B")};
constexpr int labelWidth = 16;
constexpr int labelHeight = 16;

} // namespace

void CursorPair::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    emit changed();
}

void CursorPair::setSeries(const PlotSeries* series, const channels::Quantities& shown,
                           const std::array<QString, channels::count>& names, const multiday::Axis& axis)
{
    m_series = series;
    m_shown = shown;
    m_names = names;
    m_axis = axis;
    for (auto& at : m_at)
        if (at && *at >= seconds().size())
            at.reset();
    emit changed();
}

void CursorPair::reset()
{
    m_at = {};
    m_active = A;
    emit changed();
}

std::span<const std::int32_t> CursorPair::seconds() const
{
    return m_series ? std::span<const std::int32_t>(m_series->seconds) : std::span<const std::int32_t>();
}

void CursorPair::place(Which which, std::size_t index)
{
    m_at[which] = index;
    m_active = which;
    emit changed();
}

bool CursorPair::press(const Plot& plot, const View& view, QPoint point, Qt::KeyboardModifiers keys)
{
    if (!m_on)
        return false;
    // Taken even without records: a click in this mode never zooms or selects.
    if (!seconds().empty())
        place(keys & Qt::ShiftModifier ? B : A,
              cursors::snapToRecord(seconds(), timeAtX(plot, view, point.x())));
    return true;
}

bool CursorPair::keyPress(int key, Qt::KeyboardModifiers keys, const View& view)
{
    if (!m_on || seconds().empty() || (keys & ~(Qt::ShiftModifier | Qt::KeypadModifier)))
        return false;
    if ((key == Qt::Key_A || key == Qt::Key_B) && !(keys & Qt::ShiftModifier)) {
        place(key == Qt::Key_A ? A : B, cursors::snapToRecord(seconds(), (view.start + view.end) / 2));
        return true;
    }
    const int direction = key == Qt::Key_Right ? 1 : key == Qt::Key_Left ? -1 : 0;
    const std::optional<std::size_t> at = m_at[m_active];
    if (direction == 0 || !at)
        return false;
    place(m_active, keys & Qt::ShiftModifier ? cursors::stepByMinute(seconds(), *at, direction)
                                             : cursors::stepByRecords(seconds(), *at, direction));
    return true;
}

std::optional<double> CursorPair::timeOf(Which which) const
{
    const std::optional<std::size_t> at = m_at[which];
    if (!at || *at >= seconds().size())
        return std::nullopt;
    return seconds()[*at];
}

void CursorPair::paint(QPainter& painter, const Plot& plot, const View& view) const
{
    if (!m_on)
        return;
    int previousX = -labelWidth * 2;
    for (const Which which : {A, B}) {
        const std::optional<double> t = timeOf(which);
        if (!t || *t < view.start || *t > view.end)
            continue;
        const int x = xOfTime(plot, view, *t);
        painter.setPen(QPen(cursorColors[which], which == m_active ? 2 : 1));
        painter.drawLine(x, plot.top, x, plot.bottom - 1);

        // The letter beside its line at the foot of the plot (the title and the
        // cursor read-out's time sit at its head); B's goes higher when A's stands in the way.
        QRect label(x + 2, plot.bottom - labelHeight - 1, labelWidth, labelHeight);
        if (label.right() >= plot.right)
            label.moveRight(x - 2);
        if (which == B && std::abs(x - previousX) < labelWidth + 4)
            label.translate(0, -labelHeight - 2);
        previousX = x;
        painter.fillRect(label, cursorColors[which]);
        painter.setPen(Qt::white);
        painter.drawText(label, Qt::AlignCenter | Qt::TextSingleLine, letters[which]);
    }
}

QString CursorPair::readoutText() const
{
    const std::optional<std::size_t> a = m_at[A], b = m_at[B];
    if (!a && !b)
        return QStringLiteral("Kliknij wykres: kursor A; Shift+klik: kursor B");
    const auto timeText = [this](std::size_t index) {
        return multiday::cursorText(m_axis, seconds()[index]);
    };
    QStringList lines;
    if (a && b) {
        const cursors::CursorReadout readout = cursors::readCursors(*m_series, m_shown, *a, *b);
        lines << QStringLiteral("A ") + timeText(*a) + QStringLiteral(", B ") + timeText(*b) +
                     QStringLiteral(", Δt ") + readout.delta;
        for (std::size_t c = 0; c < readout.channels.size(); ++c)
            if (readout.channels[c])
                lines << cursors::readingLine(m_names[c], *readout.channels[c]);
        return lines.join(QLatin1Char('\n'));
    }
    // One cursor placed: its time and values, and how to place the other.
    const Which placed = a ? A : B;
    const std::size_t at = a ? *a : *b;
    lines << letters[placed] + QLatin1Char(' ') + timeText(at) +
                 (placed == A ? QStringLiteral(" (Shift+klik: kursor B)")
                              : QStringLiteral(" (klik: kursor A)"));
    const cursors::CursorReadout readout = cursors::readCursors(*m_series, m_shown, at, at);
    for (std::size_t c = 0; c < readout.channels.size(); ++c)
        if (readout.channels[c])
            lines << cursors::placedReadingLine(m_names[c], letters[placed], *readout.channels[c]);
    return lines.join(QLatin1Char('\n'));
}
