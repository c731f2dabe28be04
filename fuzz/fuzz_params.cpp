// SPDX-License-Identifier: MIT
// Arbitrary bytes as a parameter file (".zrq7") through the reader the
// parameters window loads files with, then through the writer it saves with.
//
// Promises checked besides memory safety:
//  - a file without the section gives no values; with it, one value per requested register;
//  - every value fits a 16-bit register, and a refused key has no value;
//  - values saved into the file read back unchanged, and saving them a second time
//    changes nothing.
#include "DeviceParameterTable.h"
#include "ParameterFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace zrq7::params;

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// The registers of the newest firmware's table, as the window asks for them.
const std::vector<std::uint16_t>& requestedAddresses()
{
    static const std::vector<std::uint16_t> addresses = [] {
        std::vector<std::uint16_t> list;
        for (const DeviceParameter& row : ParameterRows(kMaxFirmwareVersion))
            list.push_back(row.address);
        return list;
    }();
    return addresses;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::vector<std::uint16_t>& addresses = requestedAddresses();

    const LoadedParameters loaded = readParameterValues(file, addresses);
    if (loaded.problem != ParameterFileProblem::None) {
        require(loaded.problem == ParameterFileProblem::NoSection, "a problem other than a missing section");
        require(loaded.values.empty() && loaded.refused.empty(), "values from a file without the section");
    } else {
        require(loaded.values.size() == addresses.size(), "not one value per register");
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            const bool refused =
                std::find(loaded.refused.begin(), loaded.refused.end(), addresses[i]) != loaded.refused.end();
            require(!(refused && loaded.values[i]), "a refused key has a value");
            if (loaded.values[i])
                require(*loaded.values[i] >= -32768 && *loaded.values[i] <= 32767, "a value beyond 16 bits");
        }
    }

    // Save a few registers over the file, picked and valued by the input's bytes (saving all
    // of them every time would spend the run in the writer: it looks each key up anew).
    std::vector<RegisterEntry> entries;
    std::vector<std::uint16_t> written;
    for (std::size_t k = 0; k < std::min<std::size_t>(size, 8); ++k) {
        const std::uint16_t address = addresses[data[k] % addresses.size()];
        if (std::find(written.begin(), written.end(), address) != written.end())
            continue;
        written.push_back(address);
        entries.push_back({address, std::int16_t(data[k] << 8 | data[size - 1 - k])});
    }
    if (entries.empty())
        return 0;
    const std::string saved = writeParameterValues(file, entries);
    const LoadedParameters reread = readParameterValues(saved, written);
    require(reread.problem == ParameterFileProblem::None, "a saved file has no section");
    require(reread.refused.empty(), "a saved value is refused");
    require(reread.values.size() == entries.size(), "not one value per saved register");
    for (std::size_t i = 0; i < entries.size(); ++i)
        require(reread.values[i] == entries[i].value, "a saved value does not read back");
    require(writeParameterValues(saved, entries) == saved, "saving twice changed the file");
    return 0;
}
