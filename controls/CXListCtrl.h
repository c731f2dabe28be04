// SPDX-License-Identifier: MIT
#pragma once

#include <QTableWidget>

// Fault list: a report-style list with full-row selection and grid lines. UI
// thread only, like every display control (see UiThreadOnly.h).
class CXListCtrl : public QTableWidget
{
    Q_OBJECT
public:
    explicit CXListCtrl(QWidget* parent = nullptr);

    // Row helpers. Each row carries its fault code as item data of column 0.
    // Inserts a row at the top with the given cell texts; returns its row (0).
    int InsertRowAtTop(const QStringList& cells, int itemData);
    int ItemData(int row) const;
    // Deletes every row whose item data is itemData; returns how many.
    int DeleteRowsWithData(int itemData);
    void DeleteAllItems() { setRowCount(0); }

    // Adds a column with a header text, width and alignment of its cells.
    void AddColumn(const QString& title, int width, Qt::Alignment alignment = Qt::AlignLeft);

private:
    QList<Qt::Alignment> m_alignments;
};
