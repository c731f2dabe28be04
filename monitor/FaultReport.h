// SPDX-License-Identifier: MIT
#pragma once

#include "FaultLogRows.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The whole fault report from its template: the header values and both tables.
namespace faultreport {

// Where the template is kept among the program's resources.
QString templateResourcePath();

// What goes into the report besides the relay's own log.
struct ReportHeader
{
    QDateTime generatedAt; // local time the report was made
    uint32_t deviceId = 0; // register 0 read at connect
    uint32_t firmware = 0; // register 1 read at connect
    int32_t deviceAddress = 0;
};

// The template with every placeholder filled: the relay table's rows as
// readRelayLogRows made them, the panel's rows from its fault list copy.
QByteArray buildReport(QByteArrayView templateBytes, const ReportHeader& header, const QByteArray& relayRows,
                       const QList<PanelFault>& panelFaults);

} // namespace faultreport
