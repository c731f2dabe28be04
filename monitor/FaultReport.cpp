// SPDX-License-Identifier: MIT
#include "FaultReport.h"

#include "ReportTemplate.h"

namespace faultreport {

QString templateResourcePath()
{
    return QStringLiteral(":/report/fault_report.html");
}

QByteArray buildReport(QByteArrayView templateBytes, const ReportHeader& header, const QByteArray& relayRows,
                       const QList<PanelFault>& panelFaults)
{
    const QDate date = header.generatedAt.date();
    const QTime time = header.generatedAt.time();
    const auto n = [](auto value) { return QString::number(value); };
    const auto two = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    // Keywords in lookup order: the first one a name begins with wins.
    const std::vector<Placeholder> placeholders{
        {"CURRENT_DATE", htmlText(n(date.day()) + '.' + n(date.month()) + '.' + n(date.year()))},
        {"CURRENT_TIME", htmlText(two(time.hour()) + ':' + two(time.minute()) + ':' + two(time.second()))},
        {"DEVICE_NAME", htmlText(QStringLiteral("\"ZRQ-7/8\" : ID_") + n(header.deviceId))},
        {"DEVICE_FIRMWARE", htmlText(n(header.firmware))},
        {"DEVICE_LAN", htmlText(n(header.deviceAddress))},
        {"EVENT_TABLE_DEVICE", relayRows},
        {"EVENT_TABLE_DATA", panelFaultRows(panelFaults)},
    };
    return expandTemplate(templateBytes, placeholders);
}

} // namespace faultreport
