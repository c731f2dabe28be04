// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

// What the device search window hands back for the relay the operator chose:
// the texts of its line settings as the settings window's lists show them
// ("COM3", "19200", "8", "Nie", "2", "RTU"), its time-out and unit address.
struct DeviceSearchResult
{
    QString portName;
    QString baudRate;
    QString dataBits;
    QString parity;
    QString stopBits;
    QString protocol;
    uint32_t responseTimeout = 150;
    int32_t deviceAddress = 1;
};

// The settings window's colours, which the search window paints itself with.
struct DeviceSearchColours
{
    QColor text;
    QColor background;
    QColor value;
};
