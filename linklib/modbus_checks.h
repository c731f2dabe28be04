// SPDX-License-Identifier: MIT
// Check sums and hex text shared by every MODBUS serial framing we speak:
// the link library (master) and the simulator (slave) both use these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrq7::modbus {

// MODBUS CRC-16: preset 0xFFFF, reflected polynomial 0xA001, no final XOR.
// On the wire it travels low byte first.
std::uint16_t crc16(const std::uint8_t* data, std::size_t size);

// MODBUS ASCII LRC: two's complement of the 8-bit sum of the message bytes.
std::uint8_t lrc(const std::uint8_t* data, std::size_t size);

// Writes the two upper-case hex characters of byte b (high nibble first) to out[0..1].
void hexByte(std::uint8_t b, char* out);

} // namespace zrq7::modbus
