// SPDX-License-Identifier: MIT
#include "LoadedRecords.h"

#include "GraphGeometry.h"

#include <QFile>
#include <algorithm>

DbReadStatus LoadedRecords::load(const QString& path)
{
    m_seriesTimesValid = false;
    DbFileContents day = ReadDbFile(QFile::encodeName(path).toStdString(), std::move(m_records));
    m_records.clear();
    if (day.status == DbReadStatus::Ok)
        m_records = std::move(day.records);
    return day.status;
}

// Times and pen breaks follow the records; a channel's values follow its
// quantity too.
const PlotSeries& LoadedRecords::series(const channels::Quantities& quantities)
{
    constexpr int seriesUnbuilt = channels::noQuantity - 1;
    if (!m_seriesTimesValid) {
        m_series = PlotSeries{};
        m_seriesRecords.clear();
        m_seriesQuantities.fill(seriesUnbuilt);
        m_seriesRecords.reserve(m_records.size());
        m_series.seconds.reserve(m_records.size());
        m_series.penBreaks.reserve(m_records.size());
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            const _tagSTRUCT_DATA& r = m_records[i];
            const std::int32_t t = r.stTime.wHour * 3600 + r.stTime.wMinute * 60 + r.stTime.wSecond;
            if (t < 0 || t > std::int32_t(graphmath::fullEnd))
                continue;
            m_seriesRecords.push_back(i);
            m_series.seconds.push_back(t);
            m_series.penBreaks.push_back(i == 0 || r.nLinkState == 0);
        }
        m_series.timeOrdered = std::is_sorted(m_series.seconds.begin(), m_series.seconds.end());
        m_seriesTimesValid = true;
    }
    for (std::size_t c = 0; c < quantities.size(); ++c) {
        const int quantity = quantities[c];
        if (quantity == m_seriesQuantities[c])
            continue;
        m_seriesQuantities[c] = quantity;
        auto& values = m_series.values[c];
        values.clear();
        if (quantity == channels::noQuantity || m_records.empty())
            continue;
        values.reserve(m_seriesRecords.size());
        for (const std::size_t i : m_seriesRecords)
            values.push_back(channels::channelValue(quantity, m_records[i].nValue[std::size_t(quantity)]));
    }
    return m_series;
}
