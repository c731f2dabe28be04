// SPDX-License-Identifier: MIT
// The link library takes its texts (port names, host addresses) as zero-terminated UTF-16.
#pragma once

#include <cstddef>
#include <string>

namespace zrq7::link {

// Length in UTF-16 units, counting at most limit units (so unterminated input stops there).
std::size_t wideLength(const char16_t* text, std::size_t limit);

// Converts to UTF-8; false for unpaired surrogates.
bool toUtf8(const char16_t* text, std::string& out);

} // namespace zrq7::link
