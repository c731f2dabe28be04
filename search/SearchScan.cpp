// SPDX-License-Identifier: MIT
#include "SearchScan.h"

#include "ZRQ7DLL.h"

#include <QFileInfo>

namespace devicesearch {

namespace {

QString portName(int port)
{
    return QStringLiteral("COM%1").arg(port);
}

} // namespace

QString settingsText(const SearchPass& pass)
{
    return QStringList{pass.baudRate == 1 ? QStringLiteral("19200") : QStringLiteral("9600"),
                       pass.dataBits == 0 ? QStringLiteral("7") : QStringLiteral("8"),
                       pass.parity == 1 ? QStringLiteral("Tak") : QStringLiteral("Nie"),
                       pass.stopBits == 0 ? QStringLiteral("1") : QStringLiteral("2"),
                       QString::number(searchTimeoutMs),
                       pass.protocol == 1 ? QStringLiteral("ASCII") : QStringLiteral("RTU")}
        .join(QLatin1Char(' '));
}

FoundDevice foundDevice(int port, const SearchPass& pass, int address, uint16_t firmware)
{
    return {portName(port), QStringLiteral("ZRQ-7/8 wersja%1").arg(firmware), QString::number(address),
            settingsText(pass)};
}

DeviceSearchResult defaultResult()
{
    return {QStringLiteral("COM1"), QStringLiteral("9600"), QStringLiteral("8"), QStringLiteral("Nie"),
            QStringLiteral("2"),    QStringLiteral("RTU"),  searchTimeoutMs,     1};
}

DeviceSearchResult resultFromRow(const QString& port, const QString& address, const QString& settings)
{
    DeviceSearchResult r;
    r.portName = port;
    r.deviceAddress = address.toInt();
    const QStringList words = settings.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto word = [&words](int i) { return i < words.size() ? words[i].left(80) : QString(); };
    r.baudRate = word(0);
    r.dataBits = word(1);
    r.parity = word(2);
    r.stopBits = word(3);
    r.responseTimeout = word(4).toUInt();
    r.protocol = word(5);
    return r;
}

SearchLink SearchLink::library()
{
    SearchLink link;
    link.setIOTimeout = DLL_SetIOTimeout;
    link.setIOProtocol = DLL_SetIOProtocol;
    link.portExists = [](const QString& port) {
        char path[512];
        if (COM_GetDevicePath(port.toStdU16String().c_str(), path, sizeof path) != 0)
            return false;
        return QFileInfo::exists(QString::fromUtf8(path));
    };
    link.comOpen = [](const QString& port) { return COM_Open(port.toStdU16String().c_str()); };
    link.comSetup = COM_Setup;
    link.comClose = COM_Close;
    link.read03 = MODBUS_Read03;
    return link;
}

void runScan(const SearchLink& link, const ScanRange& range, uint32_t retries,
             const std::atomic<bool>& running, const ScanListener& listener)
{
    listener.progress(
        QStringLiteral("Rozpoczęto wyszukiwanie urządzenia ZRQ-7/8 na\r\ndostępnych portach COM..."));
    for (const SearchPass& pass : searchPasses) {
        for (int port = range.firstPort; port <= range.lastPort; ++port) {
            if (!running)
                return;
            const QString name = portName(port);
            // Names without a device behind them are passed over at once.
            if (!link.portExists(name))
                continue;
            QString text = QStringLiteral("Otwieranie %1...").arg(name);
            link.setIOTimeout(searchTimeoutMs);
            link.setIOProtocol(pass.protocol);
            if (link.comOpen(name) != 0)
                continue;
            text += QStringLiteral(" OK\r\nKonfiguracja...");
            if (link.comSetup(pass.baudRate, pass.dataBits, pass.parity, pass.stopBits) != 0) {
                listener.progress(text + QStringLiteral(" błąd!"));
                link.comClose();
                listener.pause(std::chrono::milliseconds(2000));
                continue;
            }
            text += QStringLiteral(" OK\r\nWyszukiwanie ZRQ-7/8...");
            listener.progress(text);
            for (int address = range.firstAddress; address <= range.lastAddress; ++address) {
                for (int attempt = 0; attempt < 2; ++attempt) {
                    if (!running) {
                        link.comClose();
                        return;
                    }
                    listener.progress(text + QStringLiteral(" id:%1").arg(address));
                    // A fresh buffer for every question: a short answer must not
                    // show an earlier relay's bytes as its own.
                    std::array<uint8_t, 10> buffer{};
                    const int32_t result =
                        link.read03(uint32_t(address), 0, 2, buffer.data(), buffer.size(), retries);
                    if (result <= 0)
                        continue; // its second chance, if it still has one
                    const uint16_t id = uint16_t(buffer[0] << 8 | buffer[1]);
                    if (result == 4 && id == dll_nID)
                        listener.found(
                            foundDevice(port, pass, address, uint16_t(buffer[2] << 8 | buffer[3])));
                    break;
                }
            }
            link.comClose();
        }
    }
}

} // namespace devicesearch
