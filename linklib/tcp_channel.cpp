// SPDX-License-Identifier: MIT
#include "tcp_channel.h"

#include "ZRQ7DLL.h"

namespace zrq7::link {

TcpChannel::TcpChannel(std::shared_ptr<TcpTransport> transport, std::uint16_t& transactionId,
                       std::function<void()> onSendFailed)
    : m_transport(std::move(transport)), m_transactionId(transactionId),
      m_onSendFailed(std::move(onSendFailed))
{
}

std::int32_t TcpChannel::exchange(Attempt& attempt)
{
    if (!m_transport->isOpen())
        return LINK_ERR_PORT;
    attempt.deviceError = 0;
    const std::uint16_t id = ++m_transactionId;
    tcp::buildRequest(attempt.request, id, m_tx);
    ReceiveBuffer& received = m_transport->received();
    // Whatever arrived before this request belongs to no one.
    received.reset();
    if (!m_transport->send(m_tx, sizeof m_tx)) {
        if (m_onSendFailed)
            m_onSendFailed();
        return LINK_ERR_PORT;
    }
    const Clock::time_point deadline = Clock::now() + attempt.timeout;
    bool closed = false;
    const tcp::Scan found = received.waitFor(
        deadline,
        [&](const std::uint8_t* data, std::size_t count) {
            return tcp::scan(data, count, id, attempt.request.unit);
        },
        closed);
    if (found.status == tcp::Scan::Failed)
        return found.code;
    if (found.status == tcp::Scan::Incomplete)
        return closed ? LINK_ERR_PORT : LINK_ERR_TIMEOUT;
    const CheckResult result = received.inspect([&](const std::uint8_t* data, std::size_t count) {
        return tcp::check(data, count, found.offset, attempt.request, attempt.target);
    });
    attempt.deviceError = result.deviceError;
    return result.code;
}

} // namespace zrq7::link
