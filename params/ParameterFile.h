// SPDX-License-Identifier: MIT
// Parameter files (".zrq7"): an initialisation-file text with one section,
// "ZRQ7config", holding one "register=value" line per setting. Plain C++ so the
// reader can be fuzzed without Qt.
//
// Reading accepts LF or CRLF line ends, a UTF-8 byte-order mark, blanks around
// names and values, and section and key names in any letter case; a value is
// taken as at most 19 characters. Writing replaces a key's line in place or
// appends it to its section, keeps every other line as it was, and ends every
// line with CRLF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrq7::params {

inline constexpr std::string_view kParameterSection = "ZRQ7config";
inline constexpr std::size_t kMaxIniValueLength = 19;

// The lines of one initialisation file, edited in memory.
class IniDocument
{
public:
    IniDocument() = default;
    static IniDocument parse(std::string_view bytes);

    bool hasSection(std::string_view section) const;
    // The key's value (blanks and one pair of enclosing quotes removed, cut to
    // 19 characters); empty when the section or the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Replaces the key's first line in the section, or appends "key=value" after
    // the section's last entry; creates the section at the end when missing.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // Every line followed by CRLF.
    std::string serialize() const;

private:
    struct SectionRange
    {
        std::size_t header; // line of "[section]"
        std::size_t end;    // one past the section's last line
    };
    std::optional<SectionRange> findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(const SectionRange& range, std::string_view key) const;

    std::vector<std::string> m_lines;
};

// A number as the C library's integer conversion reads it (blanks, sign, leading
// digits; 0 without digits), but refused when it does not fit a 16-bit register
// (-32768..32767) instead of wrapping.
std::optional<std::int32_t> parseRegisterNumber(std::string_view text);

// ---- Loading and saving the grid's registers ----

enum class ParameterFileProblem {
    None,
    Unreadable, // the file is missing or cannot be read
    NoSection,  // no "[ZRQ7config]"
};

struct LoadedParameters
{
    ParameterFileProblem problem = ParameterFileProblem::None;
    // One per requested address: the number of its key, or empty when the key is
    // missing, empty, or holds a number that does not fit 16 bits.
    std::vector<std::optional<std::int32_t>> values;
    // Keys present whose number does not fit 16 bits.
    std::vector<std::uint16_t> refused;
};

LoadedParameters readParameterValues(std::string_view fileBytes, const std::vector<std::uint16_t>& addresses);

// The file's new contents: `existing` (may be empty) with one key per register
// set to its value, in the order given.
struct RegisterEntry
{
    std::uint16_t address;
    std::int32_t value;
};
std::string writeParameterValues(std::string_view existing, const std::vector<RegisterEntry>& entries);

// Whole-file access. readWholeFile: empty when the file cannot be opened or read.
std::optional<std::string> readWholeFile(const std::string& path);
// Replaces the file whole (fileio::replaceFile): a temporary file beside it is
// flushed to disk and renamed over it, so a failed save leaves the old file
// untouched. Over a symbolic link the file it points at is replaced and the
// link stays; an existing file keeps its permissions, a new one gets 0644.
// False (errno kept) on failure.
bool replaceFileAtomically(const std::string& path, std::string_view contents);

} // namespace zrq7::params
