// SPDX-License-Identifier: MIT
// zrq7_soak_dayfile_check FOLDER FIRST_EPOCH LAST_EPOCH
// Checks the day files a soak run recorded (one record a second) in FOLDER
// between the two moments (epoch seconds, the program's start and its quit),
// through the recorder's own reader, and prints one line of figures:
//   records=N expected=N longest_gap=S linked=N linklost_records=N linklost_raised=N linklost_cleared=N
// Exit 1 (with the reasons on stderr) when a file does not read, a file ends in a
// partial record, a record has an impossible time or link state, the times do not
// rise by one or two seconds, or records are missing for the time the program ran.
#include "DayFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kLinkLostFault = 38;

int failures = 0;

void fail(const std::string& why)
{
    std::fprintf(stderr, "zrq7_soak_dayfile_check: %s\n", why.c_str());
    ++failures;
}

long long localEpoch(const DbDate& date, const DbTime& time)
{
    std::tm when{};
    when.tm_year = date.year - 1900;
    when.tm_mon = date.month - 1;
    when.tm_mday = date.day;
    when.tm_hour = time.wHour;
    when.tm_min = time.wMinute;
    when.tm_sec = time.wSecond;
    when.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&when));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: zrq7_soak_dayfile_check FOLDER FIRST_EPOCH LAST_EPOCH\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const long long first = std::atoll(argv[2]);
    const long long last = std::atoll(argv[3]);

    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".db")
            files.push_back(entry.path());
    if (files.empty())
        fail("no day file in " + folder.string());

    struct Stamped
    {
        long long at;
        _tagSTRUCT_DATA record;
    };
    std::vector<Stamped> records;
    for (const auto& path : files) {
        const DbFileContents contents = ReadDbFile(path);
        if (contents.status != DbReadStatus::Ok) {
            fail(path.string() + " does not read (status " + std::to_string(int(contents.status)) + ")");
            continue;
        }
        const auto size = std::filesystem::file_size(path, error);
        if (error || size != DbHeaderSize + contents.records.size() * DbRecordSize)
            fail(path.string() + " ends in a partial record");
        for (const _tagSTRUCT_DATA& record : contents.records) {
            const DbTime& t = record.stTime;
            if (t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 ||
                (record.nLinkState != 0 && record.nLinkState != 1))
                fail(path.string() + ": a record with an impossible time or link state");
            records.push_back({localEpoch(contents.date, t), record});
        }
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const Stamped& a, const Stamped& b) { return a.at < b.at; });

    long long longestGap = 0;
    int linked = 0;
    int lostRecords = 0;
    int raised = 0;
    int cleared = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const _tagSTRUCT_DATA& record = records[i].record;
        linked += record.nLinkState == 1;
        const bool lost = record.bFaultActive[kLinkLostFault] != 0;
        lostRecords += lost;
        if (i == 0)
            continue;
        const bool wasLost = records[i - 1].record.bFaultActive[kLinkLostFault] != 0;
        raised += lost && !wasLost;
        cleared += !lost && wasLost;
        const long long gap = records[i].at - records[i - 1].at;
        longestGap = std::max(longestGap, gap);
        // The recorder keeps a steady beat: every second has its record.
        if (gap != 1)
            fail("records " + std::to_string(i - 1) + " and " + std::to_string(i) + " are " +
                 std::to_string(gap) + " s apart");
    }

    // One record per second from the first record to the quit; the quit may
    // cost the last one.
    long long expected = 0;
    if (!records.empty()) {
        if (records.front().at < first - 1 || records.back().at > last + 1)
            fail("records outside the run");
        expected = last - records.front().at;
        const long long found = static_cast<long long>(records.size());
        if (found < expected - 1 || found > expected + 1)
            fail(std::to_string(found) + " records for " + std::to_string(expected) + " seconds");
    }
    std::printf("records=%zu expected=%lld longest_gap=%lld linked=%d linklost_records=%d linklost_raised=%d "
                "linklost_cleared=%d\n",
                records.size(), expected, longestGap, linked, lostRecords, raised, cleared);
    return failures ? 1 : 0;
}
