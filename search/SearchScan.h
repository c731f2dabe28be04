// SPDX-License-Identifier: MIT
#pragma once

#include "DeviceSearchResult.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

// The device search without its window: which line settings are tried in
// which order, how a found relay is written into the list and read back from
// it, and the scan itself over a table of link library calls.
namespace devicesearch {

// One combination of line settings, as list positions of the settings window
// (speed 0 = 9600, 1 = 19200; data bits 0 = 7, 1 = 8; parity 0 = none;
// stop bits 1 = 2) and the framing (0 RTU, 1 ASCII).
struct SearchPass
{
    uint32_t baudRate;
    uint32_t dataBits;
    uint32_t parity;
    uint32_t stopBits;
    uint32_t protocol;
};

inline constexpr std::array<SearchPass, 4> searchPasses{{
    {0, 1, 0, 1, 0}, // 9600 8 none 2 RTU
    {1, 1, 0, 1, 0}, // 19200 8 none 2 RTU
    {0, 0, 0, 1, 1}, // 9600 7 none 2 ASCII
    {1, 0, 0, 1, 1}, // 19200 7 none 2 ASCII
}};
inline constexpr uint32_t searchTimeoutMs = 150;

// What is asked: ports COMfirstPort..COMlastPort, unit addresses
// firstAddress..lastAddress. The operator's search asks everything.
struct ScanRange
{
    int firstPort = 1;
    int lastPort = 255;
    int firstAddress = 1;
    int lastAddress = 247;
};

// A relay that answered: the four cells of its list row.
struct FoundDevice
{
    QString port;     // "COM3"
    QString name;     // "ZRQ-7/8 wersja12"
    QString address;  // "5"
    QString settings; // "19200 8 Nie 2 150 RTU"

    QStringList cells() const { return {port, name, address, settings}; }
};

// "<speed> <data bits> <parity> <stop bits> <time-out> <framing>".
QString settingsText(const SearchPass& pass);
FoundDevice foundDevice(int port, const SearchPass& pass, int address, uint16_t firmware);

// The window's result while no row is selected: COM1 9600 8 Nie 2 RTU, 150 ms, address 1.
DeviceSearchResult defaultResult();

// The result a list row stands for: port, address and the six words of its
// settings column (a word that is missing stays empty, a time-out that is
// not a number is 0).
DeviceSearchResult resultFromRow(const QString& port, const QString& address, const QString& settings);

// The link library calls the scan makes, in one table so that a test can
// stand in for the ports. library() is the real link library.
struct SearchLink
{
    std::function<void(uint32_t)> setIOTimeout;
    std::function<void(uint32_t)> setIOProtocol;
    std::function<bool(const QString& port)> portExists; // a device behind the name, now
    std::function<int32_t(const QString& port)> comOpen;
    std::function<int32_t(uint32_t, uint32_t, uint32_t, uint32_t)> comSetup;
    std::function<int32_t()> comClose;
    std::function<int32_t(uint32_t address, uint32_t first, uint32_t count, uint8_t* buffer, uint32_t size,
                          uint32_t retries)>
        read03;

    static SearchLink library();
};

// Where the scan reports to; called on the scanning thread, with values.
struct ScanListener
{
    std::function<void(const QString& text)> progress;
    std::function<void(const FoundDevice& device)> found;
    // The two-second pause after a port that refused its settings; returns
    // early when the search is stopped.
    std::function<void(std::chrono::milliseconds)> pause;
};

// The scan: every pass, every port that exists and opens, every address with
// a second chance. `running` cleared stops it before its next exchange (the
// port is closed). Leaves the link closed.
void runScan(const SearchLink& link, const ScanRange& range, uint32_t retries,
             const std::atomic<bool>& running, const ScanListener& listener);

} // namespace devicesearch
