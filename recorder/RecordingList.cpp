// SPDX-License-Identifier: MIT
#include "RecordingList.h"

#include "DayFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <chrono>
#include <sys/stat.h>
#include <tuple>

namespace recordings {

namespace {

struct ParsedDate
{
    int day = 0, month = 0, year = 0;
};

// "%d.%d.%d": leading numbers separated by points; what does not read stays 0.
ParsedDate parseDate(const QString& text)
{
    ParsedDate date;
    const QStringList parts = text.split(QLatin1Char('.'));
    int* fields[] = {&date.day, &date.month, &date.year};
    for (int i = 0; i < 3 && i < parts.size(); ++i) {
        bool ok = false;
        const int value = parts[i].trimmed().toInt(&ok);
        if (!ok)
            break;
        *fields[i] = value;
    }
    return date;
}

// The format's letters with another version: an older or newer program's
// file. Right letters and version with anything else wrong is damage.
bool isOtherVersion(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(8);
    if (head.size() < 8 || !head.startsWith("DB"))
        return false;
    return ((std::uint8_t(head[6]) << 8) | std::uint8_t(head[7])) != DbFormatVersion();
}

} // namespace

std::vector<ScannedFile> scanFolder(const QString& folder)
{
    std::vector<ScannedFile> files;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("*.db")}, QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        const DbFileSummary summary = ReadDbSummary(QFile::encodeName(path).toStdString());
        ScannedFile file;
        file.name = name;
        switch (summary.status) {
        case DbReadStatus::OpenFailed:
        case DbReadStatus::ReadFailed:
            continue;
        case DbReadStatus::TooShort:
            file.kind = ScannedFile::Kind::Damaged;
            break;
        case DbReadStatus::WrongFormat:
            file.kind = isOtherVersion(path) ? ScannedFile::Kind::OtherVersion : ScannedFile::Kind::Damaged;
            break;
        case DbReadStatus::Ok:
            file.dateText = QString::fromStdString(summary.dateText);
            file.timeText = QString::fromStdString(summary.timeText);
            break;
        }
        files.push_back(file);
    }
    return files;
}

std::optional<DbDate> dateOfText(const QString& text)
{
    const ParsedDate parsed = parseDate(text);
    const std::chrono::year_month_day date{std::chrono::year(parsed.year),
                                           std::chrono::month(unsigned(std::max(parsed.month, 0))),
                                           std::chrono::day(unsigned(std::max(parsed.day, 0)))};
    if (!date.ok())
        return std::nullopt;
    return DbDate{parsed.day, parsed.month, parsed.year};
}

int CompareByDate(const QString& first, const QString& second)
{
    const ParsedDate a = parseDate(first), b = parseDate(second);
    const auto key = [](const ParsedDate& d) { return std::tuple(d.year, d.month, d.day); };
    if (key(a) > key(b))
        return -1;
    if (key(a) < key(b))
        return 1;
    return 0;
}

void sortNewestFirst(std::vector<ScannedFile>& files)
{
    std::stable_sort(files.begin(), files.end(), [](const ScannedFile& a, const ScannedFile& b) {
        return CompareByDate(a.dateText, b.dateText) < 0;
    });
}

QString recordTimeText(const _tagSTRUCT_DATA& record)
{
    return QString::asprintf("%.2d:%.2d:%.2d", record.stTime.wHour, record.stTime.wMinute,
                             record.stTime.wSecond);
}

std::vector<FaultStart> faultStarts(std::span<const _tagSTRUCT_DATA> records, const _tagSTRUCT_DATA* before)
{
    std::vector<FaultStart> starts;
    std::array<bool, DbFaultCount> active{};
    const decltype(_tagSTRUCT_DATA::bFaultActive)* previous = nullptr;
    if (before) {
        for (int i = 0; i < DbFaultCount; ++i)
            active[std::size_t(i)] = before->bFaultActive[std::size_t(i)] != 0;
        previous = &before->bFaultActive;
    }
    for (const _tagSTRUCT_DATA& record : records) {
        // Most records repeat the flags of the one before: nothing starts there.
        if (previous && *previous == record.bFaultActive)
            continue;
        previous = &record.bFaultActive;
        for (int i = 0; i < DbFaultCount; ++i) {
            const bool set = record.bFaultActive[std::size_t(i)] != 0;
            if (set && !active[std::size_t(i)])
                starts.push_back({i, recordTimeText(record), DbSecondOfDay(record)});
            active[std::size_t(i)] = set;
        }
    }
    return starts;
}

std::optional<TimeOfDay> parseTimeOfDay(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2}):(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const TimeOfDay time{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
    if (time.hour > 23 || time.minute > 59 || time.second > 59)
        return std::nullopt;
    return time;
}

std::optional<FileIdentity> identityOf(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

} // namespace recordings
