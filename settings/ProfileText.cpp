// SPDX-License-Identifier: MIT
#include "ProfileText.h"

#include <vector>

namespace ProfileFile {
namespace {

std::string_view trimmed(std::string_view s)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// One line of the file, classified.
struct Line
{
    std::string_view text; // without its line end
    bool isSection = false;
    std::string_view name;  // section name or key
    std::string_view value; // for key lines
};

Line classify(std::string_view raw)
{
    Line line;
    line.text = raw;
    const std::string_view t = trimmed(raw);
    if (t.size() >= 2 && t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string_view::npos) {
            line.isSection = true;
            line.name = trimmed(t.substr(1, close - 1));
            return line;
        }
    }
    const auto eq = t.find('=');
    if (eq != std::string_view::npos && t.front() != ';' && t.front() != '#') {
        line.name = trimmed(t.substr(0, eq));
        line.value = trimmed(t.substr(eq + 1));
    }
    return line;
}

// Splits text into lines; a final line without a line end is kept.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        if (nl == std::string_view::npos) {
            lines.push_back(text);
            break;
        }
        lines.push_back(text.substr(0, nl));
        text.remove_prefix(nl + 1);
    }
    return lines;
}

} // namespace

std::optional<std::string> findValue(std::string_view text, std::string_view section, std::string_view key)
{
    bool inSection = false;
    for (const std::string_view raw : splitLines(text)) {
        const Line line = classify(raw);
        if (line.isSection)
            inSection = sameName(line.name, section);
        else if (inSection && !line.name.empty() && sameName(line.name, key))
            return std::string(line.value);
    }
    return std::nullopt;
}

std::string withValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value)
{
    // Lines we add follow the line end of the file's first line; existing lines keep theirs.
    // (Looking for a CR LF anywhere would change its mind on the next save when the last line
    // ended in a lone CR, to which a LF is added below.)
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    const std::string eol = !firstLine.empty() && firstLine.back() == '\r' ? "\r\n" : "\n";
    const std::string keyLine = std::string(key) + "=" + std::string(value) + eol;

    std::string out;
    out.reserve(text.size() + keyLine.size() + section.size() + 8);
    bool inSection = false;
    bool done = false;
    std::size_t insertAt = std::string::npos; // after the section's last non-empty line
    const auto insertMissingKey = [&] {
        if (inSection && !done && insertAt != std::string::npos) {
            out.insert(insertAt, keyLine);
            done = true;
        }
    };
    for (const std::string_view raw : splitLines(text)) {
        const Line line = classify(raw);
        if (line.isSection) {
            insertMissingKey();
            inSection = !done && sameName(line.name, section);
        } else if (inSection && !done && !line.name.empty() && sameName(line.name, key)) {
            out.append(keyLine);
            done = true;
            continue;
        }
        out.append(raw).append("\n");
        if (inSection && !trimmed(raw).empty())
            insertAt = out.size();
    }
    insertMissingKey();
    if (!done) {
        if (!out.empty())
            out.append(eol);
        out.append("[").append(section).append("]").append(eol).append(keyLine);
    }
    return out;
}

} // namespace ProfileFile
