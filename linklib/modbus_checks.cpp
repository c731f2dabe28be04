// SPDX-License-Identifier: MIT
#include "modbus_checks.h"

namespace zrq7::modbus {

std::uint16_t crc16(const std::uint8_t* data, std::size_t size)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

std::uint8_t lrc(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
    return static_cast<std::uint8_t>(-sum);
}

void hexByte(std::uint8_t b, char* out)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out[0] = digits[b >> 4];
    out[1] = digits[b & 0x0F];
}

} // namespace zrq7::modbus
