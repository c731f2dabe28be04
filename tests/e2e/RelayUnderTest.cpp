// SPDX-License-Identifier: MIT
#include "RelayUnderTest.h"

#include "CCPL_ZRQ7App.h"
#include "CXLabel.h"
#include "CXListCtrl.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QtEndian>

namespace zrq7::e2e {

RelayUnderTest::RelayUnderTest(LinkKind link, const QStringList& extra, const QString& script) : m_link(link)
{
    QStringList args{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")};
    if (link != LinkKind::Tcp) {
        const QString ports = qEnvironmentVariable("ZRQ7_PORTS");
        QDir().mkpath(ports);
        args << QStringLiteral("--pty") << ports + QLatin1Char('/') + relayPortName
             << (link == LinkKind::Ascii ? QStringLiteral("--ascii") : QStringLiteral("--rtu"))
             << QStringLiteral("--baud") << QStringLiteral("19200");
    }
    if (!script.isEmpty()) {
        const QString path = m_dir.filePath(QStringLiteral("scenario.txt"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(script.toUtf8());
        args << QStringLiteral("--script") << path;
    }
    m_sim = std::make_unique<test::SimulatorProcess>(args + extra);
}

RelayUnderTest::~RelayUnderTest() = default;

bool RelayUnderTest::start()
{
    return m_sim->start();
}

QString RelayUnderTest::errorString() const
{
    return m_sim->errorString();
}

void RelayUnderTest::pointSettingsAtRelay(uint32_t timeoutMs, uint32_t retries) const
{
    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    s.bAutoConnect = 0;
    s.bPasswordProtection = 0;
    s.nResponseTimeout = timeoutMs;
    s.nRetries = retries;
    s.nDeviceAddress = 1;
    if (m_link == LinkKind::Tcp) {
        SetSettingsText(s.szPortName, QStringLiteral("Modbus TCP"));
        s.dwIpAddress = 0x7F000001;
        s.nTcpPort = m_sim->tcpPort();
    } else {
        SetSettingsText(s.szPortName, relayPortName);
        s.nProtocolIndex = m_link == LinkKind::Ascii ? 1 : 0;
        s.nBaudRateIndex = 1;
    }
}

std::optional<uint16_t> RelayUnderTest::readRegister(uint16_t reg) const
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_sim->tcpPort());
    if (!socket.waitForConnected(2000))
        return std::nullopt;
    // MBAP header (transaction 1, protocol 0, length 6, unit 1), function 03, register, count 1.
    QByteArray request(12, '\0');
    qToBigEndian<quint16>(1, request.data());
    qToBigEndian<quint16>(6, request.data() + 4);
    request[6] = 1;
    request[7] = 3;
    qToBigEndian<quint16>(reg, request.data() + 8);
    qToBigEndian<quint16>(1, request.data() + 10);
    socket.write(request);
    QByteArray answer;
    while (answer.size() < 11 && socket.waitForReadyRead(2000))
        answer += socket.readAll();
    if (answer.size() < 11 || answer[7] != 3 || answer[8] != 2)
        return std::nullopt;
    return qFromBigEndian<quint16>(answer.constData() + 9);
}

QString labelText(const QWidget& window, int id)
{
    const auto* label = window.findChild<CXLabel*>(QStringLiteral("id%1").arg(id));
    return label ? label->Text() : QStringLiteral("<no label %1>").arg(id);
}

bool shown(const QWidget& window, int id)
{
    const auto* widget = window.findChild<QWidget*>(QStringLiteral("id%1").arg(id));
    return widget && !widget->isHidden();
}

namespace {
const CXListCtrl* faultList(const QWidget& window)
{
    return window.findChild<CXListCtrl*>(QStringLiteral("id1076"));
}
} // namespace

QList<int> listedFaults(const QWidget& window)
{
    QList<int> codes;
    if (const CXListCtrl* list = faultList(window))
        for (int row = 0; row < list->rowCount(); ++row)
            codes << list->ItemData(row);
    return codes;
}

QString faultCell(const QWidget& window, int code, int column)
{
    const CXListCtrl* list = faultList(window);
    for (int row = 0; list && row < list->rowCount(); ++row)
        if (list->ItemData(row) == code)
            if (const QTableWidgetItem* item = list->item(row, column))
                return item->text();
    return {};
}

QStringList takeMessages()
{
    QFile log(qEnvironmentVariable("ZRQ7_MESSAGE_LOG"));
    QStringList lines;
    if (log.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(log.readAll());
        for (QString line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            // The log escapes \, CR, LF and |; the texts compared here hold no backslash.
            line.replace(QLatin1String("\\r"), QLatin1String("\r"))
                .replace(QLatin1String("\\n"), QLatin1String("\n"));
            line.replace(QLatin1String("\\|"), QLatin1String("|"));
            lines << line;
        }
    }
    log.remove();
    return lines;
}

} // namespace zrq7::e2e
