// SPDX-License-Identifier: MIT
#pragma once

#include "DayFileFormat.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

// Writing one recording as a table: sheet "Table1" of an .xlsx workbook, or
// the same table as UTF-8 CSV when the chosen name ends in ".csv". Columns:
// "Data", "Czas" (text), then the 53 measured quantities in physical units
// (numbers). A workbook sheet holds at most sheetRowLimit rows: longer
// tables go on into sheets "Table2", "Table3", ..., each with the header row.
// No widgets; any thread.
//
// The table is written into a temporary file beside the chosen one and renamed
// over it only when it is complete, so a failed or cancelled export leaves an
// existing file as it was. Numbers never depend on the locale: the writing
// thread formats with the "C" locale while it writes.
namespace exporting {

constexpr int valueColumns = 53;
using RowValues = std::array<double, valueColumns>;

// "Data", "Czas", then "<description>, <unit>" of each measured quantity.
QStringList columnNames();

// Raw value / divisor in double precision (raw 157, divisor 10: 15.7).
double physicalValue(int quantity, std::int32_t raw);

// Rows of an .xlsx sheet, its header row included.
constexpr std::size_t sheetRowLimit = 1048576;

// A record's row: its time text and its values in physical units.
void fillRow(const _tagSTRUCT_DATA& record, QString& time, RowValues& values);

enum class Format { Xlsx, Csv };
Format formatOfPath(const QString& path);

// The rows to write: the recording's date (every row) and, per record, its
// time text and values.
struct Rows
{
    QString date;
    std::size_t count = 0;
    std::function<void(std::size_t index, QString& time, RowValues& values)> fill;
};

// Rows handed out one after the other, each with its own date.
struct RowStream
{
    std::size_t expected = 0; // rows expected, for progress only
    // Fills the next row; false when there are no more.
    std::function<bool(QString& date, QString& time, RowValues& values)> next;
};

enum class Outcome { Written, Failed, Cancelled };
struct Result
{
    Outcome outcome = Outcome::Failed;
    std::size_t rows = 0;
    QString errorSource;      // which part failed ("libxlsxwriter", "system")
    QString errorDescription; // what failed, for the operator's message
};

// Writes the table to path. progress (may be empty) is told the number of
// rows written from time to time; cancel is polled between rows.
Result writeTable(const QString& path, const Rows& rows, const std::atomic<bool>& cancel,
                  const std::function<void(std::size_t)>& progress = {});
// The same for rows as they come; a workbook starts a new sheet after
// rowsPerSheet rows (header included; tests make it small).
Result writeTable(const QString& path, const RowStream& rows, const std::atomic<bool>& cancel,
                  const std::function<void(std::size_t)>& progress = {},
                  std::size_t rowsPerSheet = sheetRowLimit);

} // namespace exporting
