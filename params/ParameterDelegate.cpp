// SPDX-License-Identifier: MIT
#include "ParameterDelegate.h"

#include "GridValueRules.h"
#include "MessageBox.h"
#include "ParameterGridModel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

using namespace zrq7::params;

ParameterDelegate::ParameterDelegate(ParameterGridModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

QWidget* ParameterDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex& index) const
{
    if (!m_model.itemAt(index))
        return nullptr;
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("parameterEditor"));
    editor->setFrame(false);
    m_editing = index;
    return editor;
}

void ParameterDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(index.data(Qt::EditRole).toString());
}

void ParameterDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    // The check ran before the commit; here the accepted value is only stored
    // (a text out of range, committed by the view itself, is dropped).
    const CValueMinMaxSubProp* item = m_model.itemAt(index);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!item || !line)
        return;
    const EditCheck check = checkEditText(item->row.kind, line->text().toStdString(), item->value,
                                          item->row.minimum, item->row.maximum);
    if (check.verdict == EditVerdict::Accepted)
        m_model.applyEdit(index, check.registerValue);
}

bool ParameterDelegate::acceptsText(QWidget* editor)
{
    const CValueMinMaxSubProp* item = m_model.itemAt(m_editing);
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!item || !line)
        return true;
    const EditCheck check = checkEditText(item->row.kind, line->text().toStdString(), item->value,
                                          item->row.minimum, item->row.maximum);
    if (check.verdict != EditVerdict::OutOfRange)
        return true;
    m_inRangeMessage = true;
    const std::string message = rangeMessage(item->row.kind, item->row.minimum, item->row.maximum);
    ShowMessageOnTop(editor->window(), QMessageBox::NoIcon, QApplication::applicationName(),
                     QString::fromStdString(message));
    m_inRangeMessage = false;
    editor->setFocus();
    return false;
}

bool ParameterDelegate::eventFilter(QObject* watched, QEvent* event)
{
    auto* editor = qobject_cast<QLineEdit*>(watched);
    if (!editor)
        return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // The editor's own context menu is no end of the edit; focus that moves
        // to the range message, or elsewhere with a bad text, keeps the editor.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
            return QStyledItemDelegate::eventFilter(watched, event);
        if (m_inRangeMessage || !acceptsText(editor))
            return true;
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool commits =
            key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab;
        if (commits && !acceptsText(editor))
            return true;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

void ParameterDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem shrunk = option;
    if (index.column() == 1)
        shrunk.rect.adjust(3, 0, -3, 0); // the value keeps 3 pixels from both edges
    shrunk.textElideMode = Qt::ElideRight;
    QStyledItemDelegate::paint(painter, shrunk, index);
    painter->save();
    painter->setPen(m_lineColor);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}
