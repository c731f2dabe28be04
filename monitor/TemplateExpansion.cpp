// SPDX-License-Identifier: MIT
#include "TemplateExpansion.h"

namespace faultreport {

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool startsWithKeyword(std::string_view name, std::string_view keyword)
{
    if (name.size() < keyword.size())
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i)
        if (asciiLower(name[i]) != asciiLower(keyword[i]))
            return false;
    return true;
}

std::string_view replacementFor(std::string_view name, std::span<const TemplateValue> values)
{
    for (const TemplateValue& value : values)
        if (startsWithKeyword(name, value.keyword))
            return value.replacement;
    return {};
}

} // namespace

std::string expandTemplateText(std::string_view source, std::span<const TemplateValue> values)
{
    std::string out;
    out.reserve(source.size());
    std::string name;
    bool insideName = false;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '%' && i + 1 < source.size() && source[i + 1] == '%') {
            if (insideName)
                out += replacementFor(name, values);
            insideName = !insideName;
            name.clear();
            ++i;
        } else if (insideName && name.size() < maxPlaceholderName) {
            name += c;
        } else {
            insideName = false;
            name.clear();
            out += c;
        }
    }
    return out;
}

} // namespace faultreport
