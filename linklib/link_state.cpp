// SPDX-License-Identifier: MIT
#include "link_state.h"

#include "ZRQ7DLL.h"
#include "port_resolver.h"
#include "serial_channel.h"
#include "simulated_channel.h"
#include "tcp_channel.h"
#include "tcp_connection.h"
#include "wide_text.h"

namespace zrq7::link {

namespace {
constexpr std::size_t kPortNameLimit = 255 - 6; // longer names are refused with -7
constexpr std::size_t kHostTextLimit = 64;
} // namespace

LinkState& LinkState::instance()
{
    // Never destroyed: the process may end with a link open and threads inside it.
    static LinkState* const state = new LinkState;
    return *state;
}

std::int32_t LinkState::read03(std::uint32_t unit, std::uint32_t reg, std::uint32_t count,
                               std::uint8_t* buffer, std::uint32_t size, std::uint32_t retries)
{
    Attempt attempt;
    attempt.request = {Function::ReadHolding, static_cast<std::uint8_t>(unit),
                       static_cast<std::uint16_t>(reg), static_cast<std::uint16_t>(count)};
    attempt.target = {buffer, buffer ? size : 0};
    return runExchange(Gate::Read, &LinkChannel::readRegisters, attempt, retries);
}

std::int32_t LinkState::write06(std::uint32_t unit, std::uint32_t reg, std::int32_t value,
                                std::uint32_t retries)
{
    Attempt attempt;
    attempt.request = {Function::WriteSingle, static_cast<std::uint8_t>(unit),
                       static_cast<std::uint16_t>(reg), static_cast<std::uint16_t>(value)};
    return runExchange(Gate::Write, &LinkChannel::writeRegister, attempt, retries);
}

std::int32_t LinkState::runExchange(Gate gate, Operation operation, Attempt attempt, std::uint32_t retries)
{
    std::counting_semaphore<5>& gateSemaphore = gate == Gate::Read ? m_readGate : m_writeGate;
    std::uint64_t generation = 0;
    {
        const std::lock_guard lock(m_state);
        if (!m_gatesExist)
            return LINK_ERR_IO;
        generation = m_generation;
    }
    gateSemaphore.acquire();
    m_exchangeLock.lock();
    std::int32_t result = LINK_ERR_IO;
    for (;;) {
        std::shared_ptr<LinkChannel> channel;
        {
            const std::lock_guard lock(m_state);
            channel = m_channel;
        }
        if (!channel) {
            result = LINK_ERR_IO;
            break;
        }
        deviceError = 0;
        attempt.deviceError = 0;
        attempt.timeout = std::chrono::milliseconds(ioTimeoutMs.load());
        result = ((*channel).*operation)(attempt);
        deviceError = attempt.deviceError;
        // Every failure is retried, exceptions included; the last attempt's result stands.
        if (retries == 0 || result > 0)
            break;
        --retries;
    }
    m_exchangeLock.unlock();
    gateSemaphore.release();
    // A link closed (or reopened) while the call ran ends the call as a failed one.
    const std::lock_guard lock(m_state);
    if (!m_gatesExist || m_generation != generation)
        return LINK_ERR_IO;
    return result;
}

void LinkState::installLocked(std::shared_ptr<LinkChannel> channel)
{
    m_channel = std::move(channel);
    m_gatesExist = true;
    ++m_generation;
}

void LinkState::removeLocked()
{
    m_channel.reset();
    m_gatesExist = false;
    ++m_generation;
}

// ---- serial ----

std::int32_t LinkState::comOpen(const char16_t* portName)
{
    if (!portName) {
        openFailure = COM_OPEN_NOT_FOUND;
        return kOpenFailed;
    }
    const std::lock_guard lifecycle(m_lifecycle);
    closeSerialLocked();
    if (wideLength(portName, kPortNameLimit + 1) > kPortNameLimit) {
        openFailure = COM_OPEN_OTHER;
        return kTooLong;
    }
    std::string path;
    if (resolvePortPath(portName, path) != 0) {
        openFailure = COM_OPEN_NOT_FOUND;
        return kOpenFailed;
    }
    std::uint32_t failure = COM_OPEN_NO_FAILURE;
    std::shared_ptr<TtyLine> line = TtyLine::open(path, failure);
    openFailure = failure;
    if (!line)
        return kOpenFailed;
    const SerialFraming framing = ioProtocol == 1 ? SerialFraming::Ascii : SerialFraming::Rtu;
    const std::lock_guard lock(m_state);
    m_serial = line;
    installLocked(std::make_shared<SerialChannel>(line, framing));
    return LINK_OK;
}

std::int32_t LinkState::comSetup(const LineSettings& settings)
{
    const std::lock_guard lifecycle(m_lifecycle);
    std::shared_ptr<TtyLine> line;
    {
        const std::lock_guard lock(m_state);
        line = m_serial;
    }
    return line ? line->setup(settings) : kOpenFailed;
}

void LinkState::closeSerialLocked()
{
    if (const std::shared_ptr<TtyLine> line = detach(m_serial))
        line->close();
}

std::int32_t LinkState::comClose()
{
    const std::lock_guard lifecycle(m_lifecycle);
    closeSerialLocked();
    return LINK_OK;
}

bool LinkState::comIsOpen() const
{
    const std::lock_guard lock(m_state);
    return m_serial != nullptr;
}

// ---- TCP ----

std::int32_t LinkState::tcpOpen(const char16_t* host, std::uint32_t port)
{
    if (!host)
        return kNoSocket;
    const std::lock_guard lifecycle(m_lifecycle);
    closeTcpLocked();
    std::shared_ptr<TcpConnection> connection = TcpConnection::createSocket();
    if (!connection)
        return kNoSocket;
    {
        // The socket counts as held from here on, even if connecting fails.
        const std::lock_guard lock(m_state);
        m_tcp = connection;
    }
    std::string address;
    if (wideLength(host, kHostTextLimit + 1) > kHostTextLimit || !toUtf8(host, address))
        return kConnectFailed;
    if (const std::int32_t connected = connection->connectTo(address, static_cast<std::uint16_t>(port)))
        return connected;
    if (!connection->startReceiver())
        return kNoThread;
    const std::weak_ptr<TcpConnection> weak = connection;
    auto closeOnSendFailure = [this, weak] {
        if (const std::shared_ptr<TcpConnection> failed = weak.lock())
            closeTcpAfterSendFailure(failed);
    };
    const std::lock_guard lock(m_state);
    installLocked(std::make_shared<TcpChannel>(connection, m_transactionId, closeOnSendFailure));
    return LINK_OK;
}

void LinkState::closeTcpLocked()
{
    if (const std::shared_ptr<TcpConnection> connection = detach(m_tcp))
        connection->close();
}

void LinkState::closeTcpAfterSendFailure(const std::shared_ptr<TcpConnection>& connection)
{
    const std::lock_guard lifecycle(m_lifecycle);
    bool current = false;
    {
        const std::lock_guard lock(m_state);
        current = m_tcp == connection;
    }
    if (current)
        closeTcpLocked();
    else
        connection->close();
}

std::int32_t LinkState::tcpClose()
{
    const std::lock_guard lifecycle(m_lifecycle);
    closeTcpLocked();
    return LINK_OK;
}

bool LinkState::tcpIsOpen() const
{
    const std::lock_guard lock(m_state);
    return m_tcp != nullptr;
}

// ---- simulated ----

std::int32_t LinkState::debugOpen()
{
    const std::lock_guard lifecycle(m_lifecycle);
    const std::lock_guard lock(m_state);
    installLocked(std::make_shared<SimulatedChannel>());
    return LINK_OK;
}

std::int32_t LinkState::debugClose()
{
    const std::lock_guard lifecycle(m_lifecycle);
    const std::lock_guard lock(m_state);
    removeLocked();
    return LINK_OK;
}

} // namespace zrq7::link
