// SPDX-License-Identifier: MIT
#pragma once

// The text of an INI profile ("[section]" lines and "key=value" lines), read
// and changed in memory; no files and no Qt, so it can be fuzzed on its own.
// Section and key names match regardless of letter case, as profiles always
// have.

#include <optional>
#include <string>
#include <string_view>

namespace ProfileFile {

// The value of `key` in `section` (spaces around it removed), or nothing when
// the section or the key is missing.
std::optional<std::string> findValue(std::string_view text, std::string_view section, std::string_view key);

// `text` with `key` in `section` set to `value`, everything else kept as it was;
// the key is added to its section, or the section to the end, when missing.
std::string withValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value);

} // namespace ProfileFile
