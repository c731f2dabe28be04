// SPDX-License-Identifier: MIT
// Modbus TCP exchanges: number the request, send it, wait on the receive buffer until the
// answer with that number is complete or the attempt's time-out passes, check it.
#pragma once

#include "link_channel.h"
#include "tcp_transport.h"

#include <functional>
#include <memory>

namespace zrq7::link {

class TcpChannel final : public FramedChannel
{
public:
    // transactionId is the link's running counter (kept across attempts, calls and opens);
    // onSendFailed closes the link when a request cannot be sent.
    TcpChannel(std::shared_ptr<TcpTransport> transport, std::uint16_t& transactionId,
               std::function<void()> onSendFailed = {});

private:
    std::int32_t exchange(Attempt& attempt) override;

    std::shared_ptr<TcpTransport> m_transport;
    std::uint16_t& m_transactionId;
    std::function<void()> m_onSendFailed;
    std::uint8_t m_tx[tcp::kRequestSize] = {};
};

} // namespace zrq7::link
