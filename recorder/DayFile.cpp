// SPDX-License-Identifier: MIT
#include "DayFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads up to size bytes from offset; the count read (short at the end of the
// file), or -1 on an I/O error.
ssize_t readAt(int fd, std::uint8_t* buffer, std::size_t size, off_t offset)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// A day's records fill some 20 MB. Touched page by page, fresh memory costs a
// fault per 4 KiB, which on virtual machines adds up to more than the
// decoding: ask for huge pages and have the whole block mapped in one call.
// Both are hints; a kernel without them just faults the pages in.
void adviseLargeBlock(void* data, std::size_t bytes)
{
    constexpr std::uintptr_t huge = 2u << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(huge - 1);
    if (to <= from)
        return;
    void* const start = reinterpret_cast<void*>(from);
    ::madvise(start, to - from, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    ::madvise(start, to - from, MADV_POPULATE_WRITE);
#endif
}

DbReadStatus readStatus(DbHeaderStatus status)
{
    switch (status) {
    case DbHeaderStatus::Valid:
        return DbReadStatus::Ok;
    case DbHeaderStatus::TooShort:
        return DbReadStatus::TooShort;
    case DbHeaderStatus::WrongFormat:
        break;
    }
    return DbReadStatus::WrongFormat;
}

// A file descriptor closed when it goes out of scope.
struct ReadOnlyFile
{
    explicit ReadOnlyFile(const std::filesystem::path& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ReadOnlyFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    int fd;
};

} // namespace

std::filesystem::path DbFilePath(const std::filesystem::path& folder, const DbDate& date)
{
    return folder / DbFileName(date);
}

DbFileContents ParseDbFile(std::span<const std::uint8_t> bytes)
{
    DbFileContents contents;
    const DbHeaderCheck check = CheckDbHeader(bytes.first(std::min(bytes.size(), DbHeaderSize)), bytes.size());
    contents.status = readStatus(check.status);
    if (check.status != DbHeaderStatus::Valid)
        return contents;
    contents.date = check.date;
    contents.records.reserve(check.recordCount);
    adviseLargeBlock(contents.records.data(), contents.records.capacity() * sizeof(_tagSTRUCT_DATA));
    for (std::uint64_t n = 0; n < check.recordCount; ++n)
        contents.records.push_back(
            DecodeDbRecord(bytes.subspan(DbRecordOffset(n)).first<DbRecordSize>()));
    return contents;
}

DbFileContents ReadDbFile(const std::filesystem::path& path, std::vector<_tagSTRUCT_DATA> storage)
{
    DbFileContents contents;
    storage.clear();
    contents.records = std::move(storage);
    ReadOnlyFile file(path);
    struct stat st{};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        contents.error = errno;
        return contents;
    }
    std::array<std::uint8_t, DbHeaderSize> header{};
    const ssize_t got = readAt(file.fd, header.data(), header.size(), 0);
    if (got < 0) {
        contents.status = DbReadStatus::ReadFailed;
        contents.error = errno;
        return contents;
    }
    // A file cut below its header since fstat counts as too short.
    const std::uint64_t size = std::size_t(got) < DbHeaderSize ? std::uint64_t(got) : std::uint64_t(st.st_size);
    const DbHeaderCheck check = CheckDbHeader(std::span<const std::uint8_t>(header).first(std::size_t(got)), size);
    contents.status = readStatus(check.status);
    if (check.status != DbHeaderStatus::Valid)
        return contents;
    if (check.recordCount > DbMaxReadRecords) {
        contents.status = DbReadStatus::WrongFormat;
        return contents;
    }
    contents.date = check.date;

    // The records in slices through one small buffer: a day is some 20 MB,
    // and a buffer that size would cost more in page faults than the decoding.
    constexpr std::uint64_t recordsPerSlice = 4096;
    std::vector<std::uint8_t> slice(recordsPerSlice * DbRecordSize);
    contents.records.reserve(check.recordCount);
    adviseLargeBlock(contents.records.data(), contents.records.capacity() * sizeof(_tagSTRUCT_DATA));
    for (std::uint64_t n = 0; n < check.recordCount;) {
        const std::uint64_t wanted = std::min(recordsPerSlice, check.recordCount - n);
        const ssize_t read = readAt(file.fd, slice.data(), wanted * DbRecordSize, off_t(DbRecordOffset(n)));
        if (read < 0) {
            contents.status = DbReadStatus::ReadFailed;
            contents.error = errno;
            contents.records.clear();
            return contents;
        }
        // A file cut short since fstat: decode the whole records that are there.
        const std::uint64_t whole = std::uint64_t(read) / DbRecordSize;
        for (std::uint64_t i = 0; i < whole; ++i)
            DecodeDbRecord(std::span<const std::uint8_t>(slice).subspan(i * DbRecordSize).first<DbRecordSize>(),
                           contents.records.emplace_back());
        if (whole < wanted)
            break;
        n += whole;
    }
    return contents;
}

DbFileSummary ReadDbSummary(const std::filesystem::path& path)
{
    DbFileSummary summary;
    ReadOnlyFile file(path);
    struct stat st{};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0)
        return summary;
    std::array<std::uint8_t, DbHeaderSize + DbRecordHeadSize> bytes{};
    const ssize_t n = readAt(file.fd, bytes.data(), bytes.size(), 0);
    if (n < 0) {
        summary.status = DbReadStatus::ReadFailed;
        return summary;
    }
    const auto got = std::span<const std::uint8_t>(bytes).first(static_cast<std::size_t>(n));
    // A file cut below its header since fstat counts as too short.
    const std::uint64_t size = got.size() < DbHeaderSize ? got.size() : static_cast<std::uint64_t>(st.st_size);
    const DbHeaderCheck check = CheckDbHeader(got.first(std::min(got.size(), DbHeaderSize)), size);
    summary.status = readStatus(check.status);
    if (check.status != DbHeaderStatus::Valid)
        return summary;
    summary.date = check.date;
    summary.dateText = DbDateText(check.date);
    summary.timeText = DbFirstRecordTimeText(got.subspan(DbHeaderSize));
    return summary;
}

DayFileWriter::DayFileWriter(WriteCall write) : m_write(write ? write : &::pwrite) {}

DayFileWriter::~DayFileWriter()
{
    close();
}

void DayFileWriter::close()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

DbOpenStatus DayFileWriter::open(const std::filesystem::path& folder, const DbDate& today)
{
    close();
    m_path = DbFilePath(folder, today);
    m_date = today;
    m_count = 0;
    m_error = 0;

    bool created = true;
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0 && errno == EEXIST) {
        created = false;
        m_fd = ::open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (m_fd < 0) {
        m_error = errno;
        return DbOpenStatus::OpenFailed;
    }
    // Held until close; a second program's recorder finds it taken. (A file
    // system without flock support is written without the lock.)
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        m_error = errno;
        ::close(m_fd);
        m_fd = -1;
        return DbOpenStatus::Busy;
    }
    struct stat st{};
    if (::fstat(m_fd, &st) != 0) {
        m_error = errno;
        close();
        return DbOpenStatus::OpenFailed;
    }
    // An empty file is the one another recorder has just created and not yet
    // headed (it lost the race for the lock): it holds nothing, so head it.
    if (!created && st.st_size > 0)
        return reopen(static_cast<std::uint64_t>(st.st_size));

    const DbHeaderBytes header = EncodeDbHeader(today);
    if (!writeAll(header.data(), header.size(), 0)) {
        ::unlink(m_path.c_str());
        close();
        return DbOpenStatus::HeaderWriteFailed;
    }
    m_headerDate = today;
    return DbOpenStatus::Created;
}

DbOpenStatus DayFileWriter::reopen(std::uint64_t size)
{
    DbHeaderBytes header{};
    if (size >= DbHeaderSize) {
        const ssize_t n = readAt(m_fd, header.data(), header.size(), 0);
        if (n != static_cast<ssize_t>(header.size())) {
            m_error = n < 0 ? errno : EIO;
            close();
            return DbOpenStatus::ReadFailed;
        }
    }
    const DbHeaderCheck check = CheckDbHeader(header, size);
    if (check.status != DbHeaderStatus::Valid) {
        close();
        return check.status == DbHeaderStatus::TooShort ? DbOpenStatus::TooShort : DbOpenStatus::WrongFormat;
    }
    m_headerDate = check.date;
    m_count = check.recordCount;
    return DbOpenStatus::Reopened;
}

bool DayFileWriter::append(const _tagSTRUCT_DATA& record)
{
    if (m_fd < 0) {
        m_error = EBADF;
        return false;
    }
    const DbRecordBytes bytes = EncodeDbRecord(record);
    const off_t offset = static_cast<off_t>(DbRecordOffset(m_count));
    if (!writeAll(bytes.data(), bytes.size(), offset)) {
        // Whatever part of the record reached the file would read back as a
        // record of zeros or be overwritten later; drop it now.
        if (::ftruncate(m_fd, offset) != 0 && m_error == 0)
            m_error = errno;
        return false;
    }
    ++m_count;
    return true;
}

bool DayFileWriter::writeAll(const void* bytes, std::size_t size, off_t offset)
{
    ssize_t n;
    do {
        n = m_write(m_fd, bytes, size, offset);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(size))
        return true;
    // A short write on a regular file means the device is full.
    m_error = n < 0 ? errno : ENOSPC;
    return false;
}
