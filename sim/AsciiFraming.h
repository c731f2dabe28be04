// SPDX-License-Identifier: MIT
#pragma once

#include "SerialFraming.h"

#include <string>

namespace zrq7::sim {

// ASCII: ':' hex text LRC CR LF. A ':' always starts a new frame, so a
// broken frame is forgotten by the next one.
class AsciiFraming final : public SerialFraming
{
public:
    void feed(const std::uint8_t* data, std::size_t size) override;
    std::optional<SlaveRequest> next() override;
    // Gaps inside ASCII frames are allowed; nothing ends at silence.
    std::optional<SlaveRequest> lineIdle() override { return std::nullopt; }
    bool pending() const override { return m_state != State::Idle || !m_ready.empty(); }
    std::vector<std::uint8_t> encode(std::uint8_t unit, const std::vector<std::uint8_t>& pdu) const override;
    double frameGapCharacters() const override { return 0; }

private:
    enum class State { Idle, Text, Cr };
    void finishFrame();

    State m_state = State::Idle;
    std::string m_text;                // hex characters between ':' and CR
    std::vector<SlaveRequest> m_ready; // whole requests not yet taken
};

} // namespace zrq7::sim
