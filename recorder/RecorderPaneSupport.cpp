// SPDX-License-Identifier: MIT
#include "RecorderPaneSupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>

namespace recorderpane {

const std::vector<Qt::Alignment> listAlignments{Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter};

QTableWidget* setUpReportList(QTableWidget* list, const QStringList& titles, const std::vector<int>& widths,
                              const std::vector<Qt::Alignment>& alignments)
{
    list->setColumnCount(int(titles.size()));
    list->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < int(titles.size()); ++c) {
        list->setColumnWidth(c, widths[std::size_t(c)]);
        list->horizontalHeaderItem(c)->setTextAlignment(alignments[std::size_t(c)]);
    }
    list->verticalHeader()->hide();
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->horizontalHeader()->setStretchLastSection(true);
    return list;
}

void appendRow(QTableWidget* list, const QStringList& cells, int data,
               const std::vector<Qt::Alignment>& alignments)
{
    const int row = list->rowCount();
    list->insertRow(row);
    for (int c = 0; c < int(cells.size()); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(alignments[std::size_t(c)] | Qt::AlignVCenter);
        if (c == 0)
            item->setData(Qt::UserRole, data);
        list->setItem(row, c, item);
    }
}

void fitColumns(QTableWidget* list, int columns)
{
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(columns + scrollBar + 2 * list->frameWidth() + 4);
}

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}

} // namespace recorderpane
