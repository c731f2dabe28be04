// SPDX-License-Identifier: MIT
#pragma once

#include <QTableWidget>
#include <array>
#include <atomic>

// Fault list: a report-style list with full-row selection and grid lines that
// also remembers which fault codes (0..39) it lists. The mark flags may be
// read and written from any thread; rows belong to the UI thread.
class CXListCtrl : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int codeCount = 40;

    explicit CXListCtrl(QWidget* parent = nullptr);

    void ClearMarks();
    // Marks a listed code: true for 0..39, false (nothing changed) otherwise.
    bool Mark(int code);
    // Forgets one code when its rows are gone; out-of-range codes are ignored.
    // The "any marked" flag stays as it is, as ClearMarks() alone resets it.
    void ClearMark(int code);
    bool IsMarked(int code) const;
    bool IsAnyMarked() const { return m_anyMarked.load(); }

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
    std::array<std::atomic<bool>, codeCount> m_marks{};
    std::atomic<bool> m_anyMarked{false};
    QList<Qt::Alignment> m_alignments;
};
