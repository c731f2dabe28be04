// SPDX-License-Identifier: MIT
// Arbitrary bytes as the fault report's template, expanded with the report's
// keywords. The values contain percent pairs and keywords of their own.
//
// Promises checked besides memory safety:
//  - a template without a percent pair comes out unchanged;
//  - with no keywords, the report is the template with names left out: every byte
//    it holds comes from the template, in order;
//  - the report grows by at most one value per closed percent pair.
#include "TemplateExpansion.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace faultreport;

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// The report's keywords in its lookup order; the values try to expand again.
constexpr std::array<TemplateValue, 7> reportValues{{
    {"CURRENT_DATE", "1.2.2026"},
    {"CURRENT_TIME", "%%CURRENT_DATE%%"},
    {"DEVICE_NAME", "&quot;ZRQ-7/8&quot; : ID_11"},
    {"DEVICE_FIRMWARE", "%%"},
    {"DEVICE_LAN", "%"},
    {"EVENT_TABLE_DEVICE", "<tr><td>%%EVENT_TABLE_DATA%%</td></tr>"},
    {"EVENT_TABLE_DATA", ""},
}};

bool isSubsequence(std::string_view part, std::string_view whole)
{
    std::size_t at = 0;
    for (const char c : part) {
        at = whole.find(c, at);
        if (at == std::string_view::npos)
            return false;
        ++at;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view source(reinterpret_cast<const char*>(data), size);

    const std::string report = expandTemplateText(source, reportValues);
    const std::string bare = expandTemplateText(source, {});

    if (source.find("%%") == std::string_view::npos) {
        require(report == source, "a template without names changed");
        require(bare == source, "a template without names changed (no keywords)");
    }
    require(bare.size() <= source.size(), "the report without keywords grew");
    require(isSubsequence(bare, source), "bytes in the report that the template does not hold");

    std::size_t longest = 0;
    for (const TemplateValue& value : reportValues)
        longest = std::max(longest, value.replacement.size());
    std::size_t pairs = 0;
    for (std::size_t at = source.find("%%"); at != std::string_view::npos; at = source.find("%%", at + 2))
        ++pairs;
    require(report.size() <= bare.size() + (pairs / 2) * longest, "the report grew beyond its values");
    return 0;
}
