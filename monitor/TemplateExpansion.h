// SPDX-License-Identifier: MIT
// The fault report's template language on plain bytes, without Qt, so the
// fuzz build (which has no Qt) can run it: a name between two pairs of percent
// signs ("%%CURRENT_DATE%%") is replaced by its value; everything else is
// copied byte for byte. ReportTemplate.h wraps it for QByteArray.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace faultreport {

// One keyword and the bytes that replace a name beginning with it.
struct TemplateValue
{
    std::string_view keyword;
    std::string_view replacement;
};

// The longest name collected between the percent pairs.
inline constexpr std::size_t maxPlaceholderName = 50;

// Expands `source`. A name matches the first keyword, in list order, that it
// begins with, ASCII letter case ignored; an unknown name disappears. A name
// that grows past 50 bytes without its closing pair is dropped with those 50
// bytes, and the bytes after them are copied; a name still open at the end is
// dropped. A lone '%' is copied. Replacements are inserted as they are, never
// expanded again.
std::string expandTemplateText(std::string_view source, std::span<const TemplateValue> values);

} // namespace faultreport
