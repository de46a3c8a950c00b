#include "archive/ArchiveDate.h"

#include <algorithm>
#include <chrono>

namespace {

// The range of years the result is kept within, so that carrying never leaves
// what a calendar date can show.
constexpr std::int64_t kFirstYear = 100;
constexpr std::int64_t kLastYear = 9999;

} // namespace

ArchiveDate ArchiveDate::FromParts(std::int64_t lYear, std::int64_t lMonth, std::int64_t lDay,
                                   std::int64_t lHour, std::int64_t lMinute, std::int64_t lSecond) {
    using namespace std::chrono;

    // Parts beyond any sensible size are cut first, so that the arithmetic below
    // cannot overflow; the result is then kept within the calendar anyway.
    const auto Bound = [](std::int64_t lValue) {
        return std::clamp<std::int64_t>(lValue, -1000000, 1000000);
    };
    lYear = std::clamp<std::int64_t>(lYear, -20000, 20000);

    // Months carry into years first, then everything below a month is counted in
    // seconds from the first of that month.
    const std::int64_t lMonths = lYear * 12 + (Bound(lMonth) - 1);
    const std::int64_t lWholeYear = lMonths >= 0 ? lMonths / 12 : -((-lMonths + 11) / 12);
    const std::int64_t lMonthIndex = lMonths - lWholeYear * 12;

    const sys_days tFirst = year_month_day{year{static_cast<int>(lWholeYear)},
                                           month{static_cast<unsigned>(lMonthIndex + 1)}, day{1}};
    const std::int64_t lSeconds =
        (Bound(lDay) - 1) * 86400 + Bound(lHour) * 3600 + Bound(lMinute) * 60 + Bound(lSecond);
    sys_seconds tWhen = sys_seconds{tFirst.time_since_epoch()} + seconds{lSeconds};

    const sys_seconds tLowest =
        sys_days{year_month_day{year{static_cast<int>(kFirstYear)}, January, day{1}}};
    const sys_seconds tHighest =
        sys_days{year_month_day{year{static_cast<int>(kLastYear)}, December, day{31}}} + hours{23} +
        minutes{59} + seconds{59};
    tWhen = std::clamp(tWhen, tLowest, tHighest);

    const sys_days tDay = floor<days>(tWhen);
    const year_month_day tDate{tDay};
    const hh_mm_ss<seconds> tTime{tWhen - tDay};

    ArchiveDate dResult;
    dResult.Year = static_cast<int>(tDate.year());
    dResult.Month = static_cast<std::int32_t>(static_cast<unsigned>(tDate.month()));
    dResult.Day = static_cast<std::int32_t>(static_cast<unsigned>(tDate.day()));
    dResult.Hour = static_cast<std::int32_t>(tTime.hours().count());
    dResult.Minute = static_cast<std::int32_t>(tTime.minutes().count());
    dResult.Second = static_cast<std::int32_t>(tTime.seconds().count());
    return dResult;
}
