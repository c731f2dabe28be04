// SPDX-License-Identifier: MIT
#include "CXListCtrl.h"

#include <QHeaderView>

CXListCtrl::CXListCtrl(QWidget* parent) : QTableWidget(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // Qt's table interface gives screen readers the rows and cells; the name says what they are.
    setAccessibleName(QStringLiteral("Lista błędów"));
}

int CXListCtrl::InsertRowAtTop(const QStringList& cells, int itemData)
{
    insertRow(0);
    for (int column = 0; column < columnCount(); ++column) {
        auto* item = new QTableWidgetItem(cells.value(column));
        item->setTextAlignment(m_alignments.value(column, Qt::AlignLeft) | Qt::AlignVCenter);
        if (column == 0)
            item->setData(Qt::UserRole, itemData);
        setItem(0, column, item);
    }
    return 0;
}

int CXListCtrl::ItemData(int row) const
{
    const QTableWidgetItem* first = item(row, 0);
    return first ? first->data(Qt::UserRole).toInt() : -1;
}

int CXListCtrl::DeleteRowsWithData(int itemData)
{
    int removed = 0;
    for (int row = rowCount() - 1; row >= 0; --row) {
        if (ItemData(row) == itemData) {
            removeRow(row);
            ++removed;
        }
    }
    return removed;
}

void CXListCtrl::AddColumn(const QString& title, int width, Qt::Alignment alignment)
{
    const int column = columnCount();
    setColumnCount(column + 1);
    auto* header = new QTableWidgetItem(title);
    header->setTextAlignment(alignment | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    setColumnWidth(column, width);
    if (width == 0)
        setColumnHidden(column, true);
    m_alignments.append(alignment);
}
