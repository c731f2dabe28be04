// SPDX-License-Identifier: MIT
#include "DayFileFormat.h"

#include "ZRQ7DLL.h"

#include <bit>
#include <cstring>

namespace {

void putBigEndian16(std::uint8_t* out, unsigned value)
{
    out[0] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    out[1] = static_cast<std::uint8_t>(value & 0xFF);
}

void putLittleEndian32(std::uint8_t* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

std::uint16_t bigEndian16(const std::uint8_t* in)
{
    return static_cast<std::uint16_t>((in[0] << 8) | in[1]);
}

std::uint32_t littleEndian32(const std::uint8_t* in)
{
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
           std::uint32_t(in[3]) << 24;
}

// Appends value as decimal digits, zero-padded to width (no locale involved).
void appendPadded(std::string& out, int value, int width)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0)
        out += '-';
    for (int i = static_cast<int>(digits.size()); i < width; ++i)
        out += '0';
    out += digits;
}

} // namespace

std::uint16_t DbFormatVersion()
{
    return static_cast<std::uint16_t>(dll_nVerDll & 0xFFFF);
}

std::string DbFileName(const DbDate& date)
{
    std::string name;
    appendPadded(name, date.day, 2);
    appendPadded(name, date.month, 2);
    appendPadded(name, date.year, 4);
    return name + ".db";
}

DbHeaderBytes EncodeDbHeader(const DbDate& date, std::uint16_t version)
{
    DbHeaderBytes header{};
    header[0] = 'D';
    header[1] = 'B';
    putBigEndian16(&header[6], version);
    putBigEndian16(&header[10], static_cast<unsigned>(date.day));
    putBigEndian16(&header[12], static_cast<unsigned>(date.month));
    putBigEndian16(&header[14], static_cast<unsigned>(date.year));
    putLittleEndian32(&header[16], DbFlagBytes);
    putLittleEndian32(&header[20], DbValueBytes);
    return header;
}

DbRecordBytes EncodeDbRecord(const _tagSTRUCT_DATA& record)
{
    DbRecordBytes bytes{};
    bytes[1] = static_cast<std::uint8_t>(record.nLinkState & 0xFF);
    putBigEndian16(&bytes[2], record.stTime.wHour);
    putBigEndian16(&bytes[4], record.stTime.wMinute);
    putBigEndian16(&bytes[6], record.stTime.wSecond);
    for (int i = 0; i < DbFaultCount; ++i) {
        if (record.bFaultActive[i] != 0)
            bytes[DbRecordHeadSize + i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    }
    for (int k = 0; k < DbValueCount; ++k)
        putLittleEndian32(&bytes[DbRecordHeadSize + DbFlagBytes + 4 * k],
                          static_cast<std::uint32_t>(record.nValue[k]));
    return bytes;
}

DbHeaderCheck CheckDbHeader(std::span<const std::uint8_t> header, std::uint64_t fileSize,
                            std::uint16_t version)
{
    DbHeaderCheck check;
    if (fileSize < DbHeaderSize || header.size() < DbHeaderSize) {
        check.status = DbHeaderStatus::TooShort;
        return check;
    }
    check.status = DbHeaderStatus::WrongFormat;
    if (header[0] != 'D' || header[1] != 'B' || bigEndian16(&header[6]) != version)
        return check;
    if (littleEndian32(&header[16]) != DbFlagBytes || littleEndian32(&header[20]) != DbValueBytes)
        return check;
    check.status = DbHeaderStatus::Valid;
    check.date = {bigEndian16(&header[10]), bigEndian16(&header[12]), bigEndian16(&header[14])};
    check.recordCount = DbWholeRecords(fileSize);
    return check;
}

_tagSTRUCT_DATA DecodeDbRecord(std::span<const std::uint8_t, DbRecordSize> bytes)
{
    _tagSTRUCT_DATA record;
    DecodeDbRecord(bytes, record);
    return record;
}

void DecodeDbRecord(std::span<const std::uint8_t, DbRecordSize> bytes, _tagSTRUCT_DATA& record)
{
    record.nLinkState = bytes[1];
    record.stTime.wHour = bigEndian16(&bytes[2]);
    record.stTime.wMinute = bigEndian16(&bytes[4]);
    record.stTime.wSecond = bigEndian16(&bytes[6]);
    for (int i = 0; i < DbFaultCount; ++i)
        record.bFaultActive[i] = (bytes[DbRecordHeadSize + i / 8] & (0x80 >> (i % 8))) ? 1 : 0;
    const std::uint8_t* values = &bytes[DbRecordHeadSize + DbFlagBytes];
    if constexpr (std::endian::native == std::endian::little) {
        // The file's byte order: a day's 86,400 records decode as plain copies.
        static_assert(sizeof(record.nValue) == DbValueBytes);
        std::memcpy(record.nValue.data(), values, DbValueBytes);
    } else {
        for (int k = 0; k < DbValueCount; ++k)
            record.nValue[k] = static_cast<std::int32_t>(littleEndian32(values + 4 * k));
    }
}

int DbSecondOfDay(std::span<const std::uint8_t, DbRecordHeadSize> head)
{
    return bigEndian16(&head[2]) * 3600 + bigEndian16(&head[4]) * 60 + bigEndian16(&head[6]);
}

int DbSecondOfDay(const _tagSTRUCT_DATA& record)
{
    return record.stTime.wHour * 3600 + record.stTime.wMinute * 60 + record.stTime.wSecond;
}

std::string DbDateText(const DbDate& date)
{
    std::string text;
    appendPadded(text, date.day, 2);
    text += '.';
    appendPadded(text, date.month, 2);
    text += '.';
    appendPadded(text, date.year, 4);
    return text;
}

std::string DbFirstRecordTimeText(std::span<const std::uint8_t> firstRecordHead)
{
    // The head is read into a zeroed buffer: a file without records shows 00:00:00.
    std::array<std::uint8_t, DbRecordHeadSize> head{};
    for (std::size_t i = 0; i < head.size() && i < firstRecordHead.size(); ++i)
        head[i] = firstRecordHead[i];
    std::string text;
    appendPadded(text, bigEndian16(&head[2]), 2);
    text += ':';
    appendPadded(text, bigEndian16(&head[4]), 2);
    text += ':';
    appendPadded(text, bigEndian16(&head[6]), 2);
    return text;
}
