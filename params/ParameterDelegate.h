// SPDX-License-Identifier: MIT
#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class ParameterGridModel;

// The grid's in-place editor for a value. The text is checked against the
// item's bounds before the edit is committed (Enter, Tab, focus leaving the
// editor): out of range, the range message is shown and the editor stays open
// with the typed text; nothing out of range is ever stored. While the message
// is up the editor ignores losing the focus to it, so the check never runs
// inside itself.
class ParameterDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ParameterDelegate(ParameterGridModel& model, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    void setLineColor(const QColor& color) { m_lineColor = color; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the editor's text may be committed; otherwise shows the range message.
    bool acceptsText(QWidget* editor);

    ParameterGridModel& m_model;
    mutable QPersistentModelIndex m_editing;
    bool m_inRangeMessage = false;
    QColor m_lineColor{64, 125, 237};
};
