// SPDX-License-Identifier: MIT
#pragma once

// Day files for the recorder window's tests and benchmark, built with the
// day-file module's own encoders.
#include "DayFileFormat.h"

#include <QFile>
#include <QString>
#include <vector>

inline _tagSTRUCT_DATA recordAt(int secondsOfDay, int linkState = 1)
{
    _tagSTRUCT_DATA record;
    record.nLinkState = linkState;
    record.stTime.wHour = std::uint16_t(secondsOfDay / 3600);
    record.stTime.wMinute = std::uint16_t(secondsOfDay / 60 % 60);
    record.stTime.wSecond = std::uint16_t(secondsOfDay % 60);
    return record;
}

// Writes a day file: header of `date` (and `version`), then the records.
inline bool writeDayFile(const QString& path, const DbDate& date, const std::vector<_tagSTRUCT_DATA>& records,
                         std::uint16_t version = DbFormatVersion())
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const DbHeaderBytes header = EncodeDbHeader(date, version);
    QByteArray bytes(reinterpret_cast<const char*>(header.data()), int(header.size()));
    bytes.reserve(int(DbHeaderSize + records.size() * DbRecordSize));
    for (const _tagSTRUCT_DATA& record : records) {
        const DbRecordBytes encoded = EncodeDbRecord(record);
        bytes.append(reinterpret_cast<const char*>(encoded.data()), int(encoded.size()));
    }
    return file.write(bytes) == bytes.size();
}

// A full day recorded every second: phase currents swinging around 50 A, a
// temperature, and a link gap of a minute at noon.
inline std::vector<_tagSTRUCT_DATA> fullDayRecords()
{
    std::vector<_tagSTRUCT_DATA> records;
    records.reserve(86400);
    for (int t = 0; t < 86400; ++t) {
        _tagSTRUCT_DATA r = recordAt(t, t >= 43200 && t < 43260 ? 0 : 1);
        for (int k = 0; k < DbValueCount; ++k)
            r.nValue[std::size_t(k)] = (k * 37 + t) % 1000;
        r.nValue[0] = 500 + int((long long)t * 7919 % 200);
        r.nValue[1] = 480 + int((long long)t * 104729 % 250);
        r.nValue[36] = 40 + t / 3600;
        r.bFaultActive[3] = (t / 600) % 7 == 0;
        records.push_back(r);
    }
    return records;
}
