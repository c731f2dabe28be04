// SPDX-License-Identifier: MIT
#include "SettingsLetters.h"

std::string EncodeLetters(const unsigned char* bytes, std::size_t size)
{
    std::string letters;
    letters.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        letters.push_back(char('A' + (bytes[i] & 0x0F)));
        letters.push_back(char('A' + (bytes[i] >> 4)));
    }
    return letters;
}

bool DecodeLetters(std::string_view letters, unsigned char* bytes, std::size_t size)
{
    if (letters.size() != 2 * size)
        return false;
    for (std::size_t i = 0; i < size; ++i) {
        const int low = letters[2 * i] - 'A';
        const int high = letters[2 * i + 1] - 'A';
        if (low < 0 || low > 15 || high < 0 || high > 15)
            return false;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}
