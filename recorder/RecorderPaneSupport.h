// SPDX-License-Identifier: MIT
#pragma once

// What the recorder window's panes share: the window's caption, object names
// by control ID, the report lists (recordings and fault history), and dates
// between the day files and the window's date controls.
#include "DayFileFormat.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <Qt>
#include <vector>

class QTableWidget;

namespace recorderpane {

inline const QString windowCaption = QStringLiteral("Baza danych ZRQ-7/8");

// The control's objectName "id" + its ID, for tests and accessibility.
template <typename W> W* withId(W* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

inline QString fromWide(const char16_t* text)
{
    return QString::fromUtf16(text);
}

inline QDate calendarDate(const DbDate& date)
{
    return {date.year, date.month, date.day};
}

inline DbDate dbDate(const QDate& date)
{
    return {date.day(), date.month(), date.year()};
}

// Both lists: first column left, the others centred.
extern const std::vector<Qt::Alignment> listAlignments;

// Columns with their titles, widths and alignments; whole rows selected one at
// a time, nothing edited in place.
QTableWidget* setUpReportList(QTableWidget* list, const QStringList& titles, const std::vector<int>& widths,
                              const std::vector<Qt::Alignment>& alignments);
// A row of `cells` at the end; `data` rides on the first cell (Qt::UserRole).
void appendRow(QTableWidget* list, const QStringList& cells, int data,
               const std::vector<Qt::Alignment>& alignments);
// A list no narrower than `columns` pixels of columns plus its frame and a
// vertical scroll bar: its columns show without scrolling sideways.
void fitColumns(QTableWidget* list, int columns);

// The busy cursor while a long load (a run of days) runs on this thread.
struct BusyCursor
{
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace recorderpane
