// SPDX-License-Identifier: MIT
// Reading whole day files and writing them (POSIX file calls, no Qt).
#pragma once

#include "DayFileFormat.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

enum class DbReadStatus {
    Ok,
    OpenFailed,  // missing or not readable
    ReadFailed,  // an I/O error while reading
    TooShort,    // shorter than the header
    WrongFormat, // see CheckDbHeader
};

// A whole day file in memory.
struct DbFileContents
{
    DbReadStatus status = DbReadStatus::OpenFailed;
    int error = 0;                        // errno of OpenFailed or ReadFailed
    DbDate date;                          // from the header
    std::vector<_tagSTRUCT_DATA> records; // the whole records, in file order
};

// Decodes a file's bytes in one pass: header check, then every whole record (a
// trailing partial record is ignored). The program reads files with ReadDbFile;
// this plain decoder is what the tests and the fuzzer hold that reader to.
DbFileContents ParseDbFile(std::span<const std::uint8_t> bytes);

// The most records a day file is read with: two days at one record a second, more
// than any recorder writes into one file. A larger file is WrongFormat, for the
// list as for loading; only its header is read (a damaged size must not take the
// program's memory).
inline constexpr std::uint64_t DbMaxReadRecords = 2 * 86400;

// One read call on a day file, as pread makes it: up to size bytes at offset,
// fewer at the end of the file or when the call is cut short, 0 past the end,
// -1 with errno set on an error.
using DbReadCall = std::function<ssize_t(std::uint8_t* buffer, std::size_t size, std::uint64_t offset)>;

// Records decoded per read: a day is some 20 MB, and a buffer that size would
// cost more in page faults than the decoding.
inline constexpr std::uint64_t DbReadSliceRecords = 4096;

// Reads and decodes a whole day file. Readers take no lock, so today's file can
// be read while the recorder appends to it; a reader sees the whole records
// present when it read the file (a file that shrinks meanwhile gives fewer).
// The records are decoded into storage: a caller reading day after day hands
// back the previous day's vector and saves allocating and touching its 20 MB.
DbFileContents ReadDbFile(const std::filesystem::path& path, std::vector<_tagSTRUCT_DATA> storage = {});
// ReadDbFile's reading of a file measured at `size` bytes through `read`
// (the fuzzer's and the tests' way in: short reads, errors, small slices).
DbFileContents ReadDbFrom(const DbReadCall& read, std::uint64_t size,
                          std::vector<_tagSTRUCT_DATA> storage = {},
                          std::uint64_t recordsPerSlice = DbReadSliceRecords, std::uint64_t firstRecord = 0);

// The whole records from record `firstRecord` on: what a file being recorded
// holds past the records a reader already has (none when it holds no more).
// The header is checked as ReadDbFile checks it.
DbFileContents ReadDbFileTail(const std::filesystem::path& path, std::uint64_t firstRecord,
                              std::vector<_tagSTRUCT_DATA> storage = {});

// What the recordings list shows of one file, read from its header and the
// head of its first record only.
struct DbFileSummary
{
    DbReadStatus status = DbReadStatus::OpenFailed;
    DbDate date;
    std::string dateText; // "08.12.2025"
    std::string timeText; // first record's time, "00:00:00" without records
};
DbFileSummary ReadDbSummary(const std::filesystem::path& path);
DbFileSummary ReadDbSummaryFrom(const DbReadCall& read, std::uint64_t size);

// Deleting a day file. The writer's lock (flock) is asked for first: a file that
// any process holds for writing (a recorder of any copy of the program, or
// another program locking it the same way) is left alone.
enum class DbRemoveStatus {
    Removed,
    BeingRecorded, // held for writing; not deleted
    Failed,        // errno tells why
};
DbRemoveStatus RemoveDbFile(const std::filesystem::path& path);

// Full path of a date's file in the recordings folder.
std::filesystem::path DbFilePath(const std::filesystem::path& folder, const DbDate& date);

enum class DbOpenStatus {
    Reopened,          // existing valid file: records are appended after its whole records
    Created,           // new file with its header written
    Busy,              // another recorder (another copy of the program) holds the file
    OpenFailed,        // cannot be created or opened
    ReadFailed,        // the existing file's header could not be read whole
    TooShort,          // existing file shorter than the header; closed again
    WrongFormat,       // existing file of another format or version; closed again
    HeaderWriteFailed, // the new file's header could not be written; the file is removed
};

// The one writer of a day file. While it is open the file is held with an
// exclusive advisory lock (flock), so a second program cannot interleave its
// records; readers are not affected.
class DayFileWriter
{
public:
    // pwrite's signature: tests put a failing writer in its place.
    using WriteCall = ssize_t (*)(int fd, const void* buffer, size_t size, off_t offset);

    explicit DayFileWriter(WriteCall write = nullptr);
    ~DayFileWriter();
    DayFileWriter(const DayFileWriter&) = delete;
    DayFileWriter& operator=(const DayFileWriter&) = delete;

    // Opens (or creates) the file of `today` in `folder`. A new file gets its
    // header dated `today`, so the name and the header come from one clock
    // reading. On any status other than Reopened and Created nothing is open.
    DbOpenStatus open(const std::filesystem::path& folder, const DbDate& today);

    // Appends one record at 48 + count * 225 with one write. A refused or short
    // write leaves the count as it was and cuts the file back to its whole
    // records; the caller stops recording.
    bool append(const _tagSTRUCT_DATA& record);

    // Releases the lock and closes the file.
    void close();

    bool isOpen() const { return m_fd >= 0; }
    // The date the file was opened for: records of another date go to another file.
    const DbDate& date() const { return m_date; }
    // The date in the file's header (the same for every file this program creates).
    const DbDate& headerDate() const { return m_headerDate; }
    std::uint64_t recordCount() const { return m_count; }
    // Time of day of the file's last whole record in seconds (-1 without
    // records): a record must be later than this.
    int lastRecordSecond() const { return m_lastSecond; }
    const std::filesystem::path& path() const { return m_path; }
    int lastError() const { return m_error; }

private:
    DbOpenStatus openLocked(bool& created);
    DbOpenStatus reopen(std::uint64_t size);
    bool writeAll(const void* bytes, std::size_t size, off_t offset);

    WriteCall m_write;
    int m_fd = -1;
    DbDate m_date;
    DbDate m_headerDate;
    std::uint64_t m_count = 0;
    int m_lastSecond = -1;
    std::filesystem::path m_path;
    int m_error = 0;
};
