// SPDX-License-Identifier: MIT
#pragma once

#include "DayFileFormat.h"

#include <QString>
#include <optional>
#include <span>
#include <sys/types.h>
#include <vector>

// What the recordings list and the fault history show, without widgets.
namespace recordings {

// One day file found in the recordings folder, as the scan classified it.
struct ScannedFile
{
    enum class Kind { Listed, Damaged, OtherVersion };
    Kind kind = Kind::Listed;
    QString name;     // "08122025.db"
    QString dateText; // header date "08.12.2025" (Listed only)
    QString timeText; // first record's time, "00:00:00" without records (Listed only)
};

// The ".db" files of the folder in the order the folder lists them; files that
// cannot be opened are left out.
std::vector<ScannedFile> scanFolder(const QString& folder);

// Compares two "dd.mm.yyyy" dates (year, then month, then day): -1 when the
// first is later, 1 when it is earlier, 0 when equal. Unreadable dates count
// as 0.0.0.
int CompareByDate(const QString& first, const QString& second);

// The calendar date of a list's "dd.mm.yyyy"; nullopt when it is no date.
std::optional<DbDate> dateOfText(const QString& text);

// Sorts listed files newest first (stable: files of one date keep their order).
void sortNewestFirst(std::vector<ScannedFile>& files);

// A record's time of day, "hh:mm:ss".
QString recordTimeText(const _tagSTRUCT_DATA& record);

// The start of one active period of one fault in a recording.
struct FaultStart
{
    int fault = 0;       // catalogue index 0..39
    QString time;        // "hh:mm:ss" of the record where it became active
    int secondOfDay = 0; // the same time in seconds
};
// Walks the records in order: a fault gets a row whenever its flag goes from
// clear to set. `before` is the record before the first one given (records
// read on from a file's end, or a day after the one before it): a fault
// already active there did not start at the first record. Without it every
// fault active in the first record starts there.
std::vector<FaultStart> faultStarts(std::span<const _tagSTRUCT_DATA> records,
                                    const _tagSTRUCT_DATA* before = nullptr);

// A fault history time "h:m:s": exactly three numbers, hour 0-23, minute and
// second 0-59; nullopt for anything else.
struct TimeOfDay
{
    int hour = 0, minute = 0, second = 0;
};
std::optional<TimeOfDay> parseTimeOfDay(const QString& text);

// Identity of an open file (device and inode); a path is the same file when
// it names that inode, whatever link or spelling reaches it.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
std::optional<FileIdentity> identityOf(const QString& path);

} // namespace recordings
