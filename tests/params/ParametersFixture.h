// SPDX-License-Identifier: MIT
// Helpers of the parameters window tests: a relay simulator with the link
// library's TCP link open to it, the frames it logged, and an operator who
// answers every message box as a test tells it.
#pragma once

#include "ModalHelpers.h"
#include "ParameterGridModel.h"
#include "SimulatorProcess.h"
#include "ZRQ7DLL.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

namespace zrq7::test {

// zrq7sim on a free TCP port with the link library connected to it.
class LinkedSimulator
{
public:
    explicit LinkedSimulator(QStringList extraArgs = {})
        : m_sim(QStringList{u"--tcp"_qs, u"0"_qs, u"--verbose"_qs} + extraArgs)
    {
    }
    ~LinkedSimulator() { TCP_Close(); }

    bool start()
    {
        if (!m_sim.start())
            return false;
        DLL_SetIOTimeout(300);
        return TCP_Open(u"127.0.0.1", m_sim.tcpPort()) == 0;
    }
    SimulatorProcess& process() { return m_sim; }

    // Registers 150.. as the relay holds them now, read past the window.
    QList<int> registers(uint16_t first, int count)
    {
        QList<int> values;
        uint8_t buffer[256] = {};
        if (MODBUS_Read03(1, first, uint32_t(count), buffer, sizeof buffer, 2) < 2 * count)
            return values;
        for (int i = 0; i < count; ++i)
            values.append(int16_t(buffer[2 * i] << 8 | buffer[2 * i + 1]));
        return values;
    }

    // Registers of every write request (function 06) logged so far, in order;
    // the log is emptied.
    QList<int> takeWrites(QList<int>* values = nullptr)
    {
        QList<int> written;
        const QString log = m_sim.standardError().mid(m_consumed);
        m_consumed += log.size();
        for (const QString& line : log.split(u'\n')) {
            if (!line.startsWith(u"tcp") || !line.contains(u" <- "))
                continue;
            const QStringList bytes = line.section(u" <- "_qs, 1).split(u' ', Qt::SkipEmptyParts);
            // MBAP header (7 bytes), then function, register, value.
            if (bytes.size() < 12 || bytes[7] != u"06")
                continue;
            written.append((bytes[8] + bytes[9]).toInt(nullptr, 16));
            if (values)
                values->append(int16_t((bytes[10] + bytes[11]).toInt(nullptr, 16)));
        }
        return written;
    }

private:
    SimulatorProcess m_sim;
    qsizetype m_consumed = 0;
};

inline QModelIndex valueIndex(ParameterGridModel& model, uint16_t address)
{
    for (int g = 0; g < model.groupCount(); ++g)
        for (int r = 0; r < model.itemCount(g); ++r)
            if (model.item(g, r).GetAddress() == address)
                return model.indexOf(g, r, 1);
    return {};
}

inline const CValueMinMaxSubProp& itemOf(ParameterGridModel& model, uint16_t address)
{
    return *model.itemAt(valueIndex(model, address));
}

inline void setValue(ParameterGridModel& model, uint16_t address, int32_t value)
{
    const QModelIndex index = valueIndex(model, address);
    model.setRegisterValue(int(index.internalId() - 1), index.row(), value);
}

inline void markPending(ParameterGridModel& model, uint16_t address)
{
    const QModelIndex index = valueIndex(model, address);
    model.SetPendingChange(int(index.internalId() - 1), index.row(), true);
}

inline QList<int> gridAddresses(ParameterGridModel& model)
{
    QList<int> addresses;
    for (int g = 0; g < model.groupCount(); ++g)
        for (int r = 0; r < model.itemCount(g); ++r)
            addresses.append(model.item(g, r).GetAddress());
    return addresses;
}

} // namespace zrq7::test
