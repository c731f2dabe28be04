// SPDX-License-Identifier: MIT
#pragma once

#include "DeviceParameterTable.h"

#include <QAbstractItemModel>
#include <QColor>
#include <cstdint>
#include <vector>

// One row of the parameter grid: the live store of a setting while the
// parameters window is open (CValueMinMaxSubProp). The value is kept in
// register units, so what is shown is what is saved and written.
struct CValueMinMaxSubProp
{
    zrq7::params::DeviceParameter row;
    QString name;               // "[ 153 adres ] <title>"
    std::int32_t value;         // register units
    std::int32_t factory;       // register units
    bool pendingChange = false; // changed here, not yet written to the relay or a file
    bool modified = false;      // value differs from the factory value (name in bold)

    bool IsPendingChange() const { return pendingChange; }
    std::uint16_t GetAddress() const { return row.address; }
};

// The grid's model: the 20 groups of the settings table for one firmware
// version (BuildParameterGrid), each with its items in table order. Column 0 is
// the name, column 1 the value (editable). Pending values are bold red, names
// of values that differ from the factory value bold.
class ParameterGridModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    struct Colors
    {
        QColor groupBackground{157, 237, 137};
        QColor groupText{29, 66, 18};
        QColor pendingText{255, 0, 0};
    };

    explicit ParameterGridModel(int firmwareVersion, QObject* parent = nullptr);

    int firmwareVersion() const { return m_firmwareVersion; }
    int groupCount() const { return int(m_groups.size()); }
    int itemCount(int group) const { return int(m_groups[std::size_t(group)].items.size()); }
    const CValueMinMaxSubProp& item(int group, int row) const
    {
        return m_groups[std::size_t(group)].items[std::size_t(row)];
    }
    // The item an index of column 0 or 1 stands for; nullptr for a group.
    const CValueMinMaxSubProp* itemAt(const QModelIndex& index) const;
    QModelIndex indexOf(int group, int row, int column) const;
    bool isGroupExpandedAtStart(int group) const { return m_groups[std::size_t(group)].expandedAtStart; }

    // An operator's edit that the item's check accepted: value, pending, modified.
    void applyEdit(const QModelIndex& index, std::int32_t registerValue);
    // A transfer or a file replaced the value (the modified mark is not recomputed).
    void setRegisterValue(int group, int row, std::int32_t registerValue);
    void SetPendingChange(int group, int row, bool pending);
    // Every item back to its factory value, modified marks cleared; items whose
    // value changed become pending, so they are written and closing asks.
    void RestoreFactoryValues();
    bool HasPendingChanges() const;

    // ---- QAbstractItemModel ----
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Group
    {
        QString title;
        bool expandedAtStart;
        std::vector<CValueMinMaxSubProp> items;
    };
    CValueMinMaxSubProp& mutableItem(int group, int row)
    {
        return m_groups[std::size_t(group)].items[std::size_t(row)];
    }
    void itemChanged(int group, int row);

    int m_firmwareVersion;
    std::vector<Group> m_groups;
    Colors m_colors;
};
