// SPDX-License-Identifier: MIT
// Arbitrary profile text through the profile's reader and writer and the settings record's
// letter decoding: the Qt-free part of loading and saving the settings (the file and QString
// wrappers around it are not built in the fuzz preset, which has no Qt).
//
// Promises checked besides memory safety:
//  - a value that decodes is 2 × 1204 letters 'A'-'P' and encodes back to itself;
//  - after writing a value into any text, reading gives that value back;
//  - writing the same value twice changes nothing the second time;
//  - a key in another section reads the same before and after the write.
#include "ProfileText.h"
#include "SettingsLetters.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kRecordSize = 1204; // sizeof(ProgramSettings)
constexpr std::string_view kSection = "settings";
constexpr std::string_view kKey = "system";

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    unsigned char record[kRecordSize];
    const std::optional<std::string> stored = ProfileFile::findValue(text, kSection, kKey);
    if (stored && DecodeLetters(*stored, record, kRecordSize)) {
        require(stored->size() == 2 * kRecordSize, "decoded a value of the wrong length");
        require(EncodeLetters(record, kRecordSize) == *stored, "decode and encode differ");
    }

    // Save a record (the input's own when it had one, else bytes taken from the input).
    if (!stored || !DecodeLetters(*stored, record, kRecordSize)) {
        for (std::size_t i = 0; i < kRecordSize; ++i)
            record[i] = size ? data[i % size] : 0;
    }
    const std::string letters = EncodeLetters(record, kRecordSize);
    const std::optional<std::string> other = ProfileFile::findValue(text, "other", "key");

    const std::string written = ProfileFile::withValue(text, kSection, kKey, letters);
    const std::optional<std::string> readBack = ProfileFile::findValue(written, kSection, kKey);
    require(readBack && *readBack == letters, "the written value does not read back");
    unsigned char again[kRecordSize];
    require(DecodeLetters(*readBack, again, kRecordSize), "the written value does not decode");
    require(ProfileFile::findValue(written, "other", "key") == other, "another section's key changed");
    require(ProfileFile::withValue(written, kSection, kKey, letters) == written,
            "a second write changed the text");
    return 0;
}
