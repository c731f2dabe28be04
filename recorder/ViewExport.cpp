// SPDX-License-Identifier: MIT
#include "ViewExport.h"

#include <algorithm>
#include <system_error>

namespace viewexport {

namespace {

using multiday::daySeconds;

// "08122025": the day file's name without ".db".
std::string fileStem(const DbDate& date)
{
    return std::filesystem::path(DbFileName(date)).stem().string();
}

} // namespace

SpanWalker::SpanWalker(std::filesystem::path folder, const multiday::Axis& axis, const Span& span)
    : m_folder(std::move(folder)), m_axis(axis), m_span(span)
{
    if (span.end < span.start || span.end < 0 || span.start > axis.end()) {
        m_day = 1; // nothing to walk
        m_lastDay = 0;
        return;
    }
    m_day = axis.dayAt(span.start);
    m_lastDay = axis.dayAt(span.end);
    for (int day = m_day; day <= m_lastDay; ++day) {
        std::error_code error;
        const auto size =
            std::filesystem::file_size(DbFilePath(m_folder, multiday::dateAfter(axis.first, day)), error);
        if (error)
            continue;
        const double midnight = double(day) * daySeconds;
        const double covered = std::min(span.end, midnight + daySeconds) - std::max(span.start, midnight);
        m_expected +=
            std::uint64_t(double(DbWholeRecords(size)) * std::clamp(covered / daySeconds, 0.0, 1.0));
    }
}

const _tagSTRUCT_DATA* SpanWalker::next()
{
    for (;;) {
        while (m_index < m_records.size()) {
            const _tagSTRUCT_DATA& record = m_records[m_index++];
            const int second = DbSecondOfDay(record);
            if (!DbIsMomentOfDay(second))
                continue;
            const double t = double(m_dayStart + second);
            if (t >= m_span.start && t <= m_span.end)
                return &record;
        }
        if (m_day > m_lastDay)
            return nullptr;
        m_date = multiday::dateAfter(m_axis.first, m_day);
        m_dayStart = m_day * daySeconds;
        ++m_day;
        DbFileContents contents = ReadDbFile(DbFilePath(m_folder, m_date), std::move(m_records));
        m_records.clear();
        if (contents.status == DbReadStatus::Ok)
            m_records = std::move(contents.records);
        m_index = 0;
    }
}

QString suggestedName(const multiday::Axis& axis, const Span& span)
{
    const std::string first = fileStem(multiday::dateAfter(axis.first, axis.dayAt(span.start)));
    const std::string last = fileStem(multiday::dateAfter(axis.first, axis.dayAt(span.end)));
    return QStringLiteral("Table_") + QString::fromStdString(first == last ? first : first + '-' + last);
}

exporting::Result writeSpan(const QString& target, const std::filesystem::path& folder,
                            const multiday::Axis& axis, const Span& span, const std::atomic<bool>& cancel,
                            const std::function<void(std::size_t done, std::size_t expected)>& progress,
                            std::size_t rowsPerSheet)
{
    SpanWalker walker(folder, axis, span);
    exporting::RowStream rows;
    rows.expected = std::size_t(walker.expectedRecords());
    DbDate shownDate{};
    QString dateText;
    rows.next = [&](QString& date, QString& time, exporting::RowValues& values) {
        const _tagSTRUCT_DATA* record = walker.next();
        if (!record)
            return false;
        if (!(walker.date() == shownDate)) {
            shownDate = walker.date();
            dateText = QString::fromStdString(DbDateText(shownDate));
        }
        date = dateText;
        exporting::fillRow(*record, time, values);
        return true;
    };
    std::function<void(std::size_t)> rowsWritten;
    if (progress)
        rowsWritten = [&](std::size_t done) { progress(done, std::max(done, rows.expected)); };
    return exporting::writeTable(target, rows, cancel, rowsWritten, rowsPerSheet);
}

} // namespace viewexport
