// SPDX-License-Identifier: MIT
#include "FaultLogRows.h"

#include "RegisterDecoding.h"
#include "ReportTemplate.h"
#include "ZRQ7DLL.h"

namespace faultreport {

namespace {

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QByteArray number(int n)
{
    return QByteArray::number(n);
}

// The row layout both tables share: number, name, time, value, code.
QByteArray tableRow(int rowNumber, const QByteArray& name, const QByteArray& time, const QByteArray& value,
                    int code)
{
    return "\r\n<tr style=\"background-color: #8080FF\">\r\n<td align=\"center\">" + number(rowNumber) +
           "</td>\r\n<td></td>\r\n<td>" + name + "</td>\r\n<td></td>\r\n<td align=\"center\">" + time +
           "</td>\r\n<td></td>\r\n<td align=\"center\">" + value +
           "</td>\r\n<td></td>\r\n<td align=\"center\">" + number(code) + "</td>\r\n</tr>";
}

uint16_t bigEndian(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

} // namespace

RelayLogEntry decodeRelayLogEntry(const std::array<uint8_t, 10>& b)
{
    RelayLogEntry e;
    e.code = bigEndian(&b[0]);
    e.rawValue = bigEndian(&b[2]);
    e.minutes = b[4];
    e.seconds = b[5];
    e.day = b[6];
    e.hours = b[7];
    e.year = b[8];
    e.month = b[9];
    return e;
}

QString relayLogTimeText(const RelayLogEntry& e)
{
    return twoDigits(pollcycle::fromBcd(e.day)) + QLatin1Char('.') + twoDigits(pollcycle::fromBcd(e.month)) +
           QLatin1Char('.') +
           QStringLiteral("%1").arg(2000 + pollcycle::fromBcd(e.year), 4, 10, QLatin1Char('0')) +
           QStringLiteral("  ") + twoDigits(pollcycle::fromBcd(e.hours)) + QLatin1Char(':') +
           twoDigits(pollcycle::fromBcd(e.minutes)) + QLatin1Char(':') +
           twoDigits(pollcycle::fromBcd(e.seconds));
}

QString relayLogValueText(const RelayLogEntry& e)
{
    const _tagSTRUCT_ERR_INFO& info = dll_nErrInfo[e.code];
    const QString unit = QString::fromUtf16(info.szUnit);
    if (info.nDivisor > 1) {
        // Single precision, as the relay's value has always been scaled here.
        const float scaled = float(e.rawValue) / float(info.nDivisor);
        return QString::number(double(scaled), 'f', 1) + QLatin1Char(' ') + unit;
    }
    return QString::number(e.rawValue) + QLatin1Char(' ') + unit;
}

QByteArray relayLogRow(int rowNumber, const RelayLogEntry& e)
{
    return tableRow(rowNumber, htmlText(QString::fromUtf16(dll_nErrInfo[e.code].szName)),
                    htmlText(relayLogTimeText(e)), htmlText(relayLogValueText(e)), e.code);
}

QByteArray panelFaultRow(int rowNumber, const PanelFault& f)
{
    return tableRow(rowNumber, htmlText(QStringView(f.name).left(255)),
                    htmlText(f.time) + ' ' + htmlText(f.date), htmlText(f.value), f.code);
}

QByteArray panelFaultRows(const QList<PanelFault>& faults)
{
    QByteArray rows;
    for (int i = 0; i < faults.size(); ++i)
        rows += panelFaultRow(i + 1, faults[i]);
    return rows;
}

QByteArray readRelayLogRows(const RegisterRead& read, uint32_t address, uint32_t retries,
                            const std::atomic<bool>* cancel)
{
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    // The serial channel wants room beyond the data it copies.
    std::array<uint8_t, 16> buffer{};
    int index = 0;
    if (read(address, newestEntryRegister, 1, buffer.data(), buffer.size(), retries) == 2) {
        const uint16_t newest = bigEndian(buffer.data());
        // Anything beyond the ring is no index: the walk starts at 0, as after a failed read.
        if (newest < logEntryCount)
            index = newest;
    }
    QByteArray rows;
    int rowNumber = 1;
    for (int step = 0; step < logEntryCount && !cancelled(); ++step) {
        buffer.fill(0);
        const uint32_t first = firstEntryRegister + registersPerEntry * uint32_t(index);
        if (read(address, first, registersPerEntry, buffer.data(), buffer.size(), retries) == 10) {
            std::array<uint8_t, 10> bytes;
            std::copy_n(buffer.begin(), bytes.size(), bytes.begin());
            const RelayLogEntry entry = decodeRelayLogEntry(bytes);
            if (entry.code >= endOfLogCode)
                break;
            rows += relayLogRow(rowNumber++, entry);
        }
        index = index == 0 ? logEntryCount - 1 : index - 1;
    }
    return rows;
}

} // namespace faultreport
