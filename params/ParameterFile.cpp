// SPDX-License-Identifier: MIT
#include "ParameterFile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zrq7::params {

namespace {

// Anything larger is no parameter file (a full one is under 2 KiB).
constexpr std::size_t kMaxFileSize = 1 << 20;

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// "[name]" (blanks allowed around the name) gives the name.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trimmed(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

// The key of a "key=value" line; comment lines (';') have none.
std::optional<std::string_view> keyName(std::string_view line)
{
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == ';')
        return std::nullopt;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(0, equals));
}

} // namespace

IniDocument IniDocument::parse(std::string_view bytes)
{
    // Byte order marks at the start (an editor may add one to a file that has
    // one): none belongs to the first line, so saving twice writes the same file.
    while (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    IniDocument document;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        document.m_lines.emplace_back(line);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return document;
}

std::optional<IniDocument::SectionRange> IniDocument::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines[i]);
        if (!name || !sameName(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < m_lines.size() && !sectionName(m_lines[end]))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::findKey(const SectionRange& range, std::string_view key) const
{
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto name = keyName(m_lines[i]);
        if (name && sameName(*name, key))
            return i;
    }
    return std::nullopt;
}

bool IniDocument::hasSection(std::string_view section) const
{
    return findSection(section).has_value();
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    const auto line = findKey(*range, key);
    if (!line)
        return std::nullopt;
    const std::string& text = m_lines[*line];
    std::string_view value = trimmed(std::string_view(text).substr(text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxIniValueLength));
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    std::string entry;
    entry.append(key).append("=").append(value);
    const auto range = findSection(section);
    if (!range) {
        m_lines.push_back("[" + std::string(section) + "]");
        m_lines.push_back(std::move(entry));
        return;
    }
    if (const auto line = findKey(*range, key)) {
        m_lines[*line] = std::move(entry);
        return;
    }
    // After the section's last non-blank line, so blank separator lines stay below it.
    std::size_t at = range->end;
    while (at > range->header + 1 && trimmed(m_lines[at - 1]).empty())
        --at;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

std::string IniDocument::serialize() const
{
    std::string out;
    for (const std::string& line : m_lines)
        out.append(line).append("\r\n");
    return out;
}

std::optional<std::int32_t> parseRegisterNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 32768)
            return std::nullopt; // no wrap-around: 70000 is not 4464
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number > 32767)
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

LoadedParameters readParameterValues(std::string_view fileBytes, const std::vector<std::uint16_t>& addresses)
{
    LoadedParameters loaded;
    const IniDocument document = IniDocument::parse(fileBytes);
    if (!document.hasSection(kParameterSection)) {
        loaded.problem = ParameterFileProblem::NoSection;
        return loaded;
    }
    loaded.values.reserve(addresses.size());
    for (const std::uint16_t address : addresses) {
        const auto text = document.value(kParameterSection, std::to_string(address));
        if (!text || text->empty()) {
            loaded.values.emplace_back();
            continue;
        }
        const auto number = parseRegisterNumber(*text);
        if (!number)
            loaded.refused.push_back(address);
        loaded.values.push_back(number);
    }
    return loaded;
}

std::string writeParameterValues(std::string_view existing, const std::vector<RegisterEntry>& entries)
{
    IniDocument document = IniDocument::parse(existing);
    for (const RegisterEntry& entry : entries)
        document.setValue(kParameterSection, std::to_string(entry.address), std::to_string(entry.value));
    return document.serialize();
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    // O_NONBLOCK: opening a named pipe must not wait for a writer (it is refused
    // below as no regular file); on a regular file the flag changes nothing.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info
    {
    };
    std::optional<std::string> contents;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::size_t(info.st_size) <= kMaxFileSize) {
        std::string bytes;
        char chunk[4096];
        ssize_t got = 0;
        while ((got = ::read(fd, chunk, sizeof chunk)) > 0 && bytes.size() <= kMaxFileSize)
            bytes.append(chunk, std::size_t(got));
        if (got == 0)
            contents = std::move(bytes);
    }
    ::close(fd);
    return contents;
}

bool replaceFileAtomically(const std::string& path, std::string_view contents)
{
    return fileio::replaceFile(path, contents);
}

} // namespace zrq7::params
