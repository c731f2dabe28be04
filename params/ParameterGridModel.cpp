// SPDX-License-Identifier: MIT
#include "ParameterGridModel.h"

#include "GridValueRules.h"

#include <QFont>

using namespace zrq7::params;

namespace {

// internalId of a group index; an item's is its group + 1.
constexpr quintptr kGroupId = 0;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

ParameterGridModel::ParameterGridModel(int firmwareVersion, QObject* parent)
    : QAbstractItemModel(parent), m_firmwareVersion(firmwareVersion)
{
    for (const ParameterGroup& group : BuildParameterTable(firmwareVersion)) {
        Group built{fromUtf8(group.title), group.expanded, {}};
        for (const DeviceParameter& row : group.rows) {
            const std::int32_t factory = FactoryRegisterValue(row);
            built.items.push_back(
                {row, fromUtf8(parameterItemName(row.address, row.title)), factory, factory});
        }
        m_groups.push_back(std::move(built));
    }
}

const CValueMinMaxSubProp* ParameterGridModel::itemAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() == kGroupId)
        return nullptr;
    return &item(int(index.internalId() - 1), index.row());
}

QModelIndex ParameterGridModel::indexOf(int group, int row, int column) const
{
    return createIndex(row, column, quintptr(group + 1));
}

void ParameterGridModel::itemChanged(int group, int row)
{
    emit dataChanged(indexOf(group, row, 0), indexOf(group, row, 1));
}

void ParameterGridModel::applyEdit(const QModelIndex& index, std::int32_t registerValue)
{
    if (!itemAt(index))
        return;
    const int group = int(index.internalId() - 1);
    CValueMinMaxSubProp& target = mutableItem(group, index.row());
    target.value = registerValue;
    target.pendingChange = true;
    target.modified = registerValue != target.factory;
    itemChanged(group, index.row());
}

void ParameterGridModel::setRegisterValue(int group, int row, std::int32_t registerValue)
{
    CValueMinMaxSubProp& target = mutableItem(group, row);
    if (target.value == registerValue)
        return;
    target.value = registerValue;
    itemChanged(group, row);
}

void ParameterGridModel::SetPendingChange(int group, int row, bool pending)
{
    CValueMinMaxSubProp& target = mutableItem(group, row);
    if (target.pendingChange == pending)
        return;
    target.pendingChange = pending;
    itemChanged(group, row);
}

void ParameterGridModel::RestoreFactoryValues()
{
    for (int g = 0; g < groupCount(); ++g) {
        for (int r = 0; r < itemCount(g); ++r) {
            CValueMinMaxSubProp& target = mutableItem(g, r);
            if (target.value != target.factory)
                target.pendingChange = true;
            target.value = target.factory;
            target.modified = false;
        }
        if (itemCount(g) > 0)
            emit dataChanged(indexOf(g, 0, 0), indexOf(g, itemCount(g) - 1, 1));
    }
}

bool ParameterGridModel::HasPendingChanges() const
{
    for (const Group& group : m_groups)
        for (const CValueMinMaxSubProp& it : group.items)
            if (it.IsPendingChange())
                return true;
    return false;
}

QModelIndex ParameterGridModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column > 1 || row < 0)
        return {};
    if (!parent.isValid())
        return row < groupCount() ? createIndex(row, column, kGroupId) : QModelIndex();
    if (parent.internalId() != kGroupId || row >= itemCount(parent.row()))
        return {};
    return indexOf(parent.row(), row, column);
}

QModelIndex ParameterGridModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == kGroupId)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kGroupId);
}

int ParameterGridModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return groupCount();
    if (parent.internalId() == kGroupId && parent.column() == 0)
        return itemCount(parent.row());
    return 0;
}

int ParameterGridModel::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant ParameterGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const CValueMinMaxSubProp* it = itemAt(index);
    if (!it) {
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? m_groups[std::size_t(index.row())].title : QVariant();
        case Qt::BackgroundRole:
            return m_colors.groupBackground;
        case Qt::ForegroundRole:
            return m_colors.groupText;
        case Qt::FontRole: {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return index.column() == 0 ? it->name : fromUtf8(formatRegisterValue(it->row.kind, it->value));
    case Qt::FontRole:
        if ((index.column() == 0 && it->modified) || (index.column() == 1 && it->pendingChange)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ForegroundRole:
        if (index.column() == 1 && it->pendingChange)
            return m_colors.pendingText;
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags ParameterGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (itemAt(index) && index.column() == 1)
        flags |= Qt::ItemIsEditable;
    return flags;
}
