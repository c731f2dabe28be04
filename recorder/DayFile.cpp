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

// Reads up to size bytes from offset, calling again after a short read; the
// count read (short at the end of the file), or -1 on an I/O error.
ssize_t readAt(const DbReadCall& read, std::uint8_t* buffer, std::size_t size, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = read(buffer + done, size - done, offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += std::min(static_cast<std::size_t>(n), size - done);
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

// The readers' verdict on a header: the header check, then the size cap.
DbReadStatus readStatus(const DbHeaderCheck& check)
{
    switch (check.status) {
    case DbHeaderStatus::Valid:
        return check.recordCount > DbMaxReadRecords ? DbReadStatus::WrongFormat : DbReadStatus::Ok;
    case DbHeaderStatus::TooShort:
        return DbReadStatus::TooShort;
    case DbHeaderStatus::WrongFormat:
        break;
    }
    return DbReadStatus::WrongFormat;
}

// Reads the file's first bytes (at most buffer.size()) and checks its header.
// A file cut below its header since it was measured counts as too short.
struct HeadRead
{
    ssize_t got = 0; // bytes read, -1 on an error
    DbHeaderCheck check;
};
HeadRead readHead(const DbReadCall& read, std::span<std::uint8_t> buffer, std::uint64_t size)
{
    HeadRead head;
    head.got = readAt(read, buffer.data(), buffer.size(), 0);
    if (head.got < 0)
        return head;
    const auto got = std::span<const std::uint8_t>(buffer).first(std::size_t(head.got));
    const std::uint64_t measured = got.size() < DbHeaderSize ? std::uint64_t(got.size()) : size;
    head.check = CheckDbHeader(got.first(std::min(got.size(), DbHeaderSize)), measured);
    return head;
}

DbReadCall readerOf(int fd)
{
    return [fd](std::uint8_t* into, std::size_t count, std::uint64_t at) {
        return ::pread(fd, into, count, off_t(at));
    };
}

// A file descriptor closed when it goes out of scope.
struct ReadOnlyFile
{
    explicit ReadOnlyFile(const std::filesystem::path& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
    }
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
    const DbHeaderCheck check =
        CheckDbHeader(bytes.first(std::min(bytes.size(), DbHeaderSize)), bytes.size());
    // No size cap here: the reference decodes whatever it is given.
    contents.status = check.status == DbHeaderStatus::Valid ? DbReadStatus::Ok : readStatus(check);
    if (check.status != DbHeaderStatus::Valid)
        return contents;
    contents.date = check.date;
    contents.records.reserve(check.recordCount);
    adviseLargeBlock(contents.records.data(), contents.records.capacity() * sizeof(_tagSTRUCT_DATA));
    for (std::uint64_t n = 0; n < check.recordCount; ++n)
        contents.records.push_back(DecodeDbRecord(bytes.subspan(DbRecordOffset(n)).first<DbRecordSize>()));
    return contents;
}

DbFileContents ReadDbFile(const std::filesystem::path& path, std::vector<_tagSTRUCT_DATA> storage)
{
    return ReadDbFileTail(path, 0, std::move(storage));
}

DbFileContents ReadDbFileTail(const std::filesystem::path& path, std::uint64_t firstRecord,
                              std::vector<_tagSTRUCT_DATA> storage)
{
    ReadOnlyFile file(path);
    struct stat st
    {
    };
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        DbFileContents contents;
        contents.error = errno;
        return contents;
    }
    return ReadDbFrom(readerOf(file.fd), std::uint64_t(st.st_size), std::move(storage), DbReadSliceRecords,
                      firstRecord);
}

DbFileContents ReadDbFrom(const DbReadCall& read, std::uint64_t size, std::vector<_tagSTRUCT_DATA> storage,
                          std::uint64_t recordsPerSlice, std::uint64_t firstRecord)
{
    DbFileContents contents;
    storage.clear();
    contents.records = std::move(storage);
    std::array<std::uint8_t, DbHeaderSize> header{};
    const HeadRead head = readHead(read, header, size);
    if (head.got < 0) {
        contents.status = DbReadStatus::ReadFailed;
        contents.error = errno;
        return contents;
    }
    contents.status = readStatus(head.check);
    if (contents.status != DbReadStatus::Ok)
        return contents;
    contents.date = head.check.date;

    // The records in slices through one small buffer.
    recordsPerSlice = std::max<std::uint64_t>(recordsPerSlice, 1);
    const std::uint64_t tail = head.check.recordCount - std::min(firstRecord, head.check.recordCount);
    std::vector<std::uint8_t> slice(std::min(recordsPerSlice, tail) * DbRecordSize);
    contents.records.reserve(tail);
    adviseLargeBlock(contents.records.data(), contents.records.capacity() * sizeof(_tagSTRUCT_DATA));
    for (std::uint64_t n = head.check.recordCount - tail; n < head.check.recordCount;) {
        const std::uint64_t wanted = std::min(recordsPerSlice, head.check.recordCount - n);
        const ssize_t got = readAt(read, slice.data(), wanted * DbRecordSize, DbRecordOffset(n));
        if (got < 0) {
            contents.status = DbReadStatus::ReadFailed;
            contents.error = errno;
            contents.records.clear();
            return contents;
        }
        // A file cut short since it was measured: decode the whole records that are there.
        const std::uint64_t whole = std::uint64_t(got) / DbRecordSize;
        for (std::uint64_t i = 0; i < whole; ++i)
            DecodeDbRecord(
                std::span<const std::uint8_t>(slice).subspan(i * DbRecordSize).first<DbRecordSize>(),
                contents.records.emplace_back());
        if (whole < wanted)
            break;
        n += whole;
    }
    return contents;
}

DbFileSummary ReadDbSummary(const std::filesystem::path& path)
{
    ReadOnlyFile file(path);
    struct stat st
    {
    };
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0)
        return {};
    return ReadDbSummaryFrom(readerOf(file.fd), std::uint64_t(st.st_size));
}

DbFileSummary ReadDbSummaryFrom(const DbReadCall& read, std::uint64_t size)
{
    DbFileSummary summary;
    std::array<std::uint8_t, DbHeaderSize + DbRecordHeadSize> bytes{};
    const HeadRead head = readHead(read, bytes, size);
    if (head.got < 0) {
        summary.status = DbReadStatus::ReadFailed;
        return summary;
    }
    // The same verdict as loading gives: a file listed here also loads.
    summary.status = readStatus(head.check);
    if (summary.status != DbReadStatus::Ok)
        return summary;
    summary.date = head.check.date;
    summary.dateText = DbDateText(head.check.date);
    summary.timeText = DbFirstRecordTimeText(
        std::span<const std::uint8_t>(bytes).first(std::size_t(head.got)).subspan(DbHeaderSize));
    return summary;
}

DbRemoveStatus RemoveDbFile(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            return DbRemoveStatus::BeingRecorded;
        }
        // Unlinked while locked: a recorder opening it meanwhile finds its
        // name gone once it has the lock, and opens anew (DayFileWriter::open).
    }
    const bool removed = ::unlink(path.c_str()) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    errno = error;
    return removed ? DbRemoveStatus::Removed : DbRemoveStatus::Failed;
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
    m_lastSecond = -1;
    m_error = 0;

    // The name may be unlinked between the open and the lock (the recordings
    // list deletes a file only while it holds the lock itself): records written
    // then would go into a file nobody can reach, so open anew.
    bool created = false;
    DbOpenStatus status = DbOpenStatus::OpenFailed;
    for (int attempt = 0; attempt < 3; ++attempt) {
        status = openLocked(created);
        if (status != DbOpenStatus::Reopened)
            break;
        struct stat held
        {
        }, named{};
        if (::fstat(m_fd, &held) != 0) {
            m_error = errno;
            close();
            return DbOpenStatus::OpenFailed;
        }
        if (::stat(m_path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            break;
        close();
        status = DbOpenStatus::OpenFailed;
        m_error = ENOENT;
    }
    if (status != DbOpenStatus::Reopened)
        return status;

    struct stat st
    {
    };
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

// Opens or creates the file and takes its lock: Reopened (meaning "open and
// locked" here), Busy or OpenFailed.
DbOpenStatus DayFileWriter::openLocked(bool& created)
{
    created = true;
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
    return DbOpenStatus::Reopened;
}

DbOpenStatus DayFileWriter::reopen(std::uint64_t size)
{
    DbHeaderBytes header{};
    if (size >= DbHeaderSize) {
        const ssize_t n = readAt(readerOf(m_fd), header.data(), header.size(), 0);
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
    if (m_count > 0) {
        // The last record's time: the next one must come after it.
        std::array<std::uint8_t, DbRecordHeadSize> head{};
        if (readAt(readerOf(m_fd), head.data(), head.size(), DbRecordOffset(m_count - 1)) ==
            static_cast<ssize_t>(head.size()))
            m_lastSecond = DbSecondOfDay(head);
    }
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
    m_lastSecond = DbSecondOfDay(record);
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
