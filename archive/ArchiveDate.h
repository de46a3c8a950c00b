// A calendar date and time of day as the archive listing reports it.
#pragma once

#include <cstdint>

struct ArchiveDate {
    std::int32_t Year = 0;   // four digits, e.g. 2026; 0 for "no date"
    std::int32_t Month = 0;  // 1 to 12
    std::int32_t Day = 0;    // 1 to 31
    std::int32_t Hour = 0;   // 0 to 23
    std::int32_t Minute = 0; // 0 to 59
    std::int32_t Second = 0; // 0 to 59

    friend bool operator==(const ArchiveDate &, const ArchiveDate &) = default;

    // The date and time that year/month/day hour:minute:second denote when every
    // part that lies beyond its range carries into the next larger one (month 13 is
    // January of the next year, day 0 the last day of the month before, minute 75
    // is 1:15), so that any values an archive holds give a real date.
    static ArchiveDate FromParts(std::int64_t lYear, std::int64_t lMonth, std::int64_t lDay,
                                 std::int64_t lHour, std::int64_t lMinute, std::int64_t lSecond);
};
