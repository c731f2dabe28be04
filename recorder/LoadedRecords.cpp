// SPDX-License-Identifier: MIT
#include "LoadedRecords.h"

#include "GraphGeometry.h"

#include <QFile>
#include <algorithm>

namespace {
constexpr int seriesUnbuilt = channels::noQuantity - 1;
} // namespace

DbReadStatus LoadedRecords::load(const QString& path)
{
    m_seriesTimesValid = false;
    m_range.reset();
    m_path = QFile::encodeName(path).toStdString();
    DbFileContents day = ReadDbFile(m_path, std::move(m_records));
    m_records.clear();
    m_date = day.date;
    if (day.status == DbReadStatus::Ok)
        m_records = std::move(day.records);
    else
        m_path.clear();
    return day.status;
}

bool LoadedRecords::loadRange(const std::filesystem::path& folder, const DbDate& first, const DbDate& last,
                              const channels::Quantities& quantities, int columns)
{
    multiday::LoadedRange range =
        multiday::loadDays(folder, first, last, quantities, columns * summaryColumnsPerPixel);
    if (std::none_of(range.days.begin(), range.days.end(),
                     [](const multiday::LoadedDay& day) { return day.status == DbReadStatus::Ok; }))
        return false;
    m_records = {};
    m_series = PlotSeries{};
    m_seriesRecords = {};
    m_seriesTimesValid = false;
    m_range = std::move(range);
    m_folder = folder;
    m_columns = columns;
    return true;
}

multiday::Axis LoadedRecords::axis() const
{
    return m_range ? m_range->axis : multiday::Axis{m_date, 1};
}

std::filesystem::path LoadedRecords::lastFile() const
{
    if (!m_range)
        return m_path;
    return DbFilePath(m_folder, multiday::dateAfter(m_range->axis.first, m_range->axis.days - 1));
}

void LoadedRecords::fitSummary(int columns)
{
    if (!m_range || columns == m_columns)
        return;
    m_columns = columns;
    m_range->summary =
        multiday::summarize(m_range->series, 0, m_range->axis.end(), columns * summaryColumnsPerPixel);
}

// Times and pen breaks follow the records; a channel's values follow its
// quantity too.
const PlotSeries& LoadedRecords::series(const channels::Quantities& quantities)
{
    if (m_range) {
        if (m_range->quantities != quantities) {
            const multiday::Axis axis = m_range->axis;
            m_range = multiday::loadDays(m_folder, axis.first, multiday::dateAfter(axis.first, axis.days - 1),
                                         quantities, m_columns * summaryColumnsPerPixel);
        }
        return m_range->series;
    }
    if (!m_seriesTimesValid) {
        m_series = PlotSeries{};
        m_seriesRecords.clear();
        m_seriesQuantities.fill(seriesUnbuilt);
        m_seriesRecords.reserve(m_records.size());
        m_series.seconds.reserve(m_records.size());
        m_series.penBreaks.reserve(m_records.size());
        m_series.timeOrdered = true;
        appendToSeries(0);
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

// Series entries for records from..end, the values of the channels built so far included.
void LoadedRecords::appendToSeries(std::size_t from)
{
    const std::size_t before = m_series.seconds.size();
    for (std::size_t i = from; i < m_records.size(); ++i) {
        const _tagSTRUCT_DATA& r = m_records[i];
        const std::int32_t t = DbSecondOfDay(r);
        if (!DbIsMomentOfDay(t))
            continue;
        m_seriesRecords.push_back(i);
        m_series.seconds.push_back(t);
        m_series.penBreaks.push_back(i == 0 || r.nLinkState == 0);
        for (std::size_t c = 0; c < m_seriesQuantities.size(); ++c) {
            const int quantity = m_seriesQuantities[c];
            if (quantity != seriesUnbuilt && quantity != channels::noQuantity)
                m_series.values[c].push_back(
                    channels::channelValue(quantity, r.nValue[std::size_t(quantity)]));
        }
    }
    const auto added = m_series.seconds.begin() + std::ptrdiff_t(before > 0 ? before - 1 : 0);
    m_series.timeOrdered = m_series.timeOrdered && std::is_sorted(added, m_series.seconds.end());
}

std::size_t LoadedRecords::appendNewRecords()
{
    if (m_range)
        return multiday::appendNewRecords(*m_range, m_folder);
    if (m_path.empty())
        return 0;
    DbFileContents tail = ReadDbFileTail(m_path, m_records.size());
    if (tail.status != DbReadStatus::Ok || tail.records.empty())
        return 0;
    const std::size_t before = m_records.size();
    m_records.insert(m_records.end(), tail.records.begin(), tail.records.end());
    if (m_seriesTimesValid)
        appendToSeries(before);
    return m_records.size() - before;
}

void LoadedRecords::extendTo(const DbDate& date)
{
    if (m_range) {
        multiday::extendTo(*m_range, date, m_columns * summaryColumnsPerPixel);
        return;
    }
    if (m_path.empty() || m_records.empty() || multiday::daysBetween(m_date, date) <= 0)
        return;
    channels::Quantities shown = m_seriesQuantities;
    for (int& quantity : shown)
        if (!m_seriesTimesValid || quantity == seriesUnbuilt)
            quantity = channels::noQuantity;
    loadRange(m_path.parent_path(), m_date, date, shown, m_columns);
}
