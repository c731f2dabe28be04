// SPDX-License-Identifier: MIT
// Day recording files: one file per calendar day, named DDMMYYYY.db, a 48-byte
// header and one 225-byte record per recording interval. Plain C++ (no Qt),
// shared by the recorder, the recorder window, the export, the recordings list,
// the tests and the fuzzer. Every byte is built and read explicitly.
//
// Header (48 bytes):
//   0..1   'D' 'B'
//   2..5   zero
//   6..7   format version, big-endian (low 16 bits of dll_nVerDll: 00 28)
//   8..9   zero
//   10..15 day, month, four-digit year, each big-endian 16 bits
//   16..19 fault-flag bytes per record (5), little-endian 32 bits
//   20..23 value bytes per record (212), little-endian 32 bits
//   24..47 zero
// Record (225 bytes, record n at 48 + n * 225):
//   0      zero
//   1      link state (1 = link open)
//   2..7   hour, minute, second, each big-endian 16 bits
//   8..12  40 fault flags: flag i is bit 7 - i % 8 of byte 8 + i / 8
//   13..   53 signed 32-bit little-endian values (raw, catalogue index order)
// Bytes after the last whole record are a partial record: readers ignore them
// and the next append overwrites them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr int DbFaultCount = 40;
inline constexpr int DbValueCount = 53;
inline constexpr std::size_t DbHeaderSize = 48;
inline constexpr std::size_t DbRecordHeadSize = 8;
inline constexpr std::uint32_t DbFlagBytes = 5;    // 40 flags, 8 to a byte
inline constexpr std::uint32_t DbValueBytes = 212; // 53 values of 4 bytes
inline constexpr std::size_t DbRecordSize = DbRecordHeadSize + DbFlagBytes + DbValueBytes; // 225

// The platform's time record, of which a day-file record sets only hour, minute
// and second (the other members stay zero).
struct DbTime
{
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// One record in memory, as the graph, the export and the tests use it.
struct _tagSTRUCT_DATA
{
    std::int32_t nLinkState = 0;                           // record byte 1: 0 or 1
    DbTime stTime;                                         // hour, minute, second
    std::array<std::uint8_t, DbFaultCount> bFaultActive{}; // flag i as 0 or 1
    std::array<std::int32_t, DbValueCount> nValue{};       // value k as stored
};

// A calendar date as the header and the file name carry it.
struct DbDate
{
    int day = 0;   // 1..31
    int month = 0; // 1..12
    int year = 0;  // four digits

    friend bool operator==(const DbDate&, const DbDate&) = default;
};

// One reading of the local clock: the date names and dates a file, the time
// stamps a record. Taking both from one reading keeps a record from landing in
// a file of another day.
struct DbClockReading
{
    DbDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

using DbHeaderBytes = std::array<std::uint8_t, DbHeaderSize>;
using DbRecordBytes = std::array<std::uint8_t, DbRecordSize>;

// The format version written into and required of every header: the low 16
// bits of the link library's dll_nVerDll.
std::uint16_t DbFormatVersion();

// "08122025.db" for 8 December 2025 (day, month, four-digit year).
std::string DbFileName(const DbDate& date);

// The 48 header bytes for a new file of the given date.
DbHeaderBytes EncodeDbHeader(const DbDate& date, std::uint16_t version = DbFormatVersion());

// The 225 record bytes. Any non-zero fault flag counts as set; the link state
// goes in as its low byte.
DbRecordBytes EncodeDbRecord(const _tagSTRUCT_DATA& record);

enum class DbHeaderStatus {
    Valid,
    TooShort,    // the file is shorter than the header
    WrongFormat, // not 'D' 'B', another version, or record sizes other than 5 + 212
};

struct DbHeaderCheck
{
    DbHeaderStatus status = DbHeaderStatus::TooShort;
    DbDate date;                   // header bytes 10..15 (set when the status is Valid)
    std::uint64_t recordCount = 0; // whole records in a file of the given size
};

// Classifies a file from its first bytes (all 48 when the file has them) and its
// size. Flag and value byte counts other than 5 and 212 are refused as wrong
// format: a record of any other shape does not fit _tagSTRUCT_DATA, and a zero
// record length cannot be divided by.
DbHeaderCheck CheckDbHeader(std::span<const std::uint8_t> header, std::uint64_t fileSize,
                            std::uint16_t version = DbFormatVersion());

// Record n's offset in the file.
constexpr std::uint64_t DbRecordOffset(std::uint64_t n)
{
    return DbHeaderSize + n * DbRecordSize;
}

// Whole records in a file of this size (0 below the header size).
constexpr std::uint64_t DbWholeRecords(std::uint64_t fileSize)
{
    return fileSize < DbHeaderSize ? 0 : (fileSize - DbHeaderSize) / DbRecordSize;
}

// Decodes one record from its 225 bytes.
_tagSTRUCT_DATA DecodeDbRecord(std::span<const std::uint8_t, DbRecordSize> bytes);
void DecodeDbRecord(std::span<const std::uint8_t, DbRecordSize> bytes, _tagSTRUCT_DATA& record);

// A record's time of day in seconds (hour * 3600 + minute * 60 + second), from
// its 8-byte head or from the decoded record.
int DbSecondOfDay(std::span<const std::uint8_t, DbRecordHeadSize> head);
int DbSecondOfDay(const _tagSTRUCT_DATA& record);
// Whether such a time is a moment of the record's day (00:00:00 to 24:00:00):
// a damaged record's time may be anything, and is then left out.
constexpr bool DbIsMomentOfDay(int secondOfDay)
{
    return secondOfDay >= 0 && secondOfDay <= 24 * 3600;
}

// The recordings list's texts: the header date "08.12.2025" and the first
// record's time "12:05:09" ("00:00:00" for a file without records, given an
// empty span).
std::string DbDateText(const DbDate& date);
std::string DbFirstRecordTimeText(std::span<const std::uint8_t> firstRecordHead);
