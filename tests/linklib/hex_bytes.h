// SPDX-License-Identifier: MIT
// Test frames written as hex text ("01 03 00 00"), the way MODBUS documentation prints them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::uint8_t> hexBytes(const std::string& text)
{
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

// ASCII frames are text: the bytes of the string as they go on the wire.
inline std::vector<std::uint8_t> textBytes(const std::string& text)
{
    return {text.begin(), text.end()};
}
