// SPDX-License-Identifier: MIT
// The relay simulator as the panel's peer in end-to-end tests: started on a
// free TCP port and, for serial links, on a private pseudo-terminal mapped as
// COM3; the program settings pointed at it; an independent Modbus TCP reader
// to see the relay's own state; the panel's texts and message log.
#pragma once

#include "SimulatorProcess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

namespace zrq7::e2e {

enum class LinkKind { Tcp, Rtu, Ascii };

class RelayUnderTest
{
public:
    // `script` is a scenario (one event per line), `extra` more zrq7sim options.
    RelayUnderTest(LinkKind link, const QStringList& extra = {}, const QString& script = {});
    ~RelayUnderTest();

    bool start();
    QString errorString() const;
    test::SimulatorProcess& process() { return *m_sim; }

    // theApp().settings: factory defaults, pointed at this relay, no automatic
    // connection, no password, a response time-out of `timeoutMs` and `retries`.
    void pointSettingsAtRelay(uint32_t timeoutMs = 300, uint32_t retries = 1) const;

    // One holding register read over the relay's TCP listener by a client of
    // our own (not the link library); nothing when it does not answer.
    std::optional<uint16_t> readRegister(uint16_t reg) const;

private:
    LinkKind m_link;
    QTemporaryDir m_dir;
    std::unique_ptr<test::SimulatorProcess> m_sim;
};

// The serial port name the simulator's pty is mapped as.
inline const QString relayPortName = QStringLiteral("COM3");

// The text of the main window's label control `id`.
QString labelText(const QWidget& window, int id);
// Whether control `id` is shown (not hidden by the program).
bool shown(const QWidget& window, int id);
// The fault codes listed in the fault list (1076), top row first.
QList<int> listedFaults(const QWidget& window);
// Cell `column` of the fault list's row for fault `code`; empty if not listed.
QString faultCell(const QWidget& window, int code, int column);

// Messages the program wrote to $ZRQ7_MESSAGE_LOG since the last call, as
// "<icon>|<caption>|<text>" with the text's \r and \n restored.
QStringList takeMessages();

} // namespace zrq7::e2e
