// SPDX-License-Identifier: MIT
// Arbitrary bytes as a day recording file, read the way the program reads it
// (ReadDbFrom: the header, then the records in slices through pread-like
// calls) and listed the way the recordings list lists it (ReadDbSummaryFrom).
// An input is the file's bytes followed by an 8-byte trailer that says how
// the file behaves under the reader:
//
//   trailer[0]      records per slice - 1 (modulo 8): slice edges at every count
//   trailer[1]      most bytes one read call returns (0 = all it is asked for)
//   trailer[2]      every n-th read call is interrupted (EINTR; 0 and 1 = none)
//   trailer[3..6]   big-endian 32 bits: how far the size measured at opening
//                   differs from the bytes there (the file shrank or grew since)
//   trailer[7]      bit 0: that difference counts in 256-byte units (up to
//                   1 TiB, past the two-day cap); bit 1: the measured size is
//                   smaller than the bytes (else larger); bit 2: the read
//                   that reaches the second half of the bytes fails (EIO)
//
// Besides the sanitizers' findings, the target stops when the reader disagrees
// with the plain one-pass decoder (ParseDbFile) over the bytes the measured
// size covers, when it reads a file above the cap, when a failed read leaves
// records, or when the list's verdict differs from loading's.
#include "DayFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

constexpr std::size_t kTrailerSize = 8;

#define DAYFILE_REQUIRE(condition)                                                                           \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);                     \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

struct FileBehaviour
{
    std::uint64_t recordsPerSlice = 1;
    std::size_t mostPerCall = 0;
    unsigned interruptEvery = 0;
    std::uint64_t measuredSize = 0;
    std::uint64_t failFrom = 0; // 0: no read fails
};

bool sameRecord(const _tagSTRUCT_DATA& a, const _tagSTRUCT_DATA& b)
{
    return a.nLinkState == b.nLinkState && a.stTime.wHour == b.stTime.wHour &&
           a.stTime.wMinute == b.stTime.wMinute && a.stTime.wSecond == b.stTime.wSecond &&
           a.bFaultActive == b.bFaultActive && a.nValue == b.nValue;
}

// The file as pread would see it: `bytes` are there, the calls behave as asked.
DbReadCall fileOf(std::span<const std::uint8_t> bytes, const FileBehaviour& behaviour, unsigned& calls)
{
    return
        [bytes, behaviour, &calls](std::uint8_t* buffer, std::size_t size, std::uint64_t offset) -> ssize_t {
            ++calls;
            if (behaviour.interruptEvery != 0 && calls % behaviour.interruptEvery == 0) {
                errno = EINTR;
                return -1;
            }
            if (behaviour.failFrom != 0 && offset + size > behaviour.failFrom) {
                errno = EIO;
                return -1;
            }
            if (offset >= bytes.size())
                return 0;
            std::size_t count = std::min<std::uint64_t>(size, bytes.size() - offset);
            if (behaviour.mostPerCall != 0)
                count = std::min(count, behaviour.mostPerCall);
            std::memcpy(buffer, bytes.data() + offset, count);
            return static_cast<ssize_t>(count);
        };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kTrailerSize)
        return 0;
    const std::span<const std::uint8_t> bytes(data, size - kTrailerSize);
    const std::uint8_t* t = data + bytes.size();
    FileBehaviour behaviour;
    behaviour.recordsPerSlice = 1 + t[0] % 8;
    behaviour.mostPerCall = t[1];
    behaviour.interruptEvery = t[2] < 2 ? 0 : t[2]; // a call interrupted every time never reads
    std::uint64_t difference =
        std::uint64_t(t[3]) << 24 | std::uint64_t(t[4]) << 16 | std::uint64_t(t[5]) << 8 | t[6];
    if (t[7] & 1)
        difference <<= 8;
    behaviour.measuredSize = (t[7] & 2) ? bytes.size() - std::min<std::uint64_t>(difference, bytes.size())
                                        : bytes.size() + difference;
    const bool failing = t[7] & 4;
    if (failing)
        behaviour.failFrom = bytes.size() / 2 + 1;

    unsigned calls = 0;
    const DbReadCall file = fileOf(bytes, behaviour, calls);
    const DbFileContents read = ReadDbFrom(file, behaviour.measuredSize, {}, behaviour.recordsPerSlice);
    if (read.status == DbReadStatus::ReadFailed) {
        DAYFILE_REQUIRE(failing);
        DAYFILE_REQUIRE(read.records.empty());
        return 0;
    }
    DAYFILE_REQUIRE(read.status == DbReadStatus::Ok || read.records.empty());
    DAYFILE_REQUIRE(read.records.size() <= DbMaxReadRecords);

    // What the one-pass decoder makes of the bytes the measured size covers.
    const std::span<const std::uint8_t> measured =
        bytes.first(std::min<std::uint64_t>(behaviour.measuredSize, bytes.size()));
    const DbFileContents plain = ParseDbFile(measured);
    const bool overCap =
        plain.status == DbReadStatus::Ok && DbWholeRecords(behaviour.measuredSize) > DbMaxReadRecords;
    if (overCap) {
        DAYFILE_REQUIRE(read.status == DbReadStatus::WrongFormat);
    } else if (!failing) {
        DAYFILE_REQUIRE(read.status == plain.status);
        DAYFILE_REQUIRE(read.records.size() == plain.records.size());
        for (std::size_t n = 0; n < read.records.size(); ++n)
            DAYFILE_REQUIRE(sameRecord(read.records[n], plain.records[n]));
    }
    if (read.status == DbReadStatus::Ok) {
        DAYFILE_REQUIRE(read.date == plain.date);
        // Every record encodes back to its own bytes (byte 0 is always zero when written).
        for (std::size_t n = 0; n < read.records.size(); ++n) {
            const DbRecordBytes again = EncodeDbRecord(read.records[n]);
            const std::span<const std::uint8_t> original = bytes.subspan(DbRecordOffset(n), DbRecordSize);
            DAYFILE_REQUIRE(std::equal(again.begin() + 1, again.end(), original.begin() + 1));
        }
    }

    // The list lists exactly what loading loads.
    behaviour.failFrom = 0;
    unsigned summaryCalls = 0;
    const DbFileSummary summary =
        ReadDbSummaryFrom(fileOf(bytes, behaviour, summaryCalls), behaviour.measuredSize);
    if (!failing)
        DAYFILE_REQUIRE(summary.status == read.status);
    if (summary.status == DbReadStatus::Ok) {
        const std::span<const std::uint8_t> head =
            bytes.first(std::min(bytes.size(), DbHeaderSize + DbRecordHeadSize));
        DAYFILE_REQUIRE(summary.timeText == DbFirstRecordTimeText(head.subspan(DbHeaderSize)));
        DAYFILE_REQUIRE(summary.dateText == DbDateText(summary.date));
    }
    return 0;
}
