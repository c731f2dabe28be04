// SPDX-License-Identifier: MIT
// Arbitrary bytes as a day recording file: the header check and the record
// decoder must neither read outside the input nor break their promises.
#include "DayFile.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const DbFileContents contents = ParseDbFile(bytes);
    if (contents.status != DbReadStatus::Ok) {
        if (!contents.records.empty())
            std::abort();
        return 0;
    }
    // A valid file: every whole record decoded, the partial one ignored, and each
    // decoded record encodes back to its own bytes (byte 0 is always zero when written).
    if (contents.records.size() != DbWholeRecords(size))
        std::abort();
    for (std::size_t n = 0; n < contents.records.size(); ++n) {
        const _tagSTRUCT_DATA& record = contents.records[n];
        if (record.nLinkState < 0 || record.nLinkState > 255)
            std::abort();
        const DbRecordBytes again = EncodeDbRecord(record);
        const std::span<const std::uint8_t> original = bytes.subspan(DbRecordOffset(n), DbRecordSize);
        for (std::size_t i = 1; i < DbRecordSize; ++i)
            if (again[i] != original[i])
                std::abort();
    }
    (void)DbFirstRecordTimeText(bytes.subspan(std::min(size, DbHeaderSize)));
    return 0;
}
