// The time fields of zip records read as seconds since 1970, from their
// bytes alone.
#ifndef KEPLO_ENGINE_COMMON_TIME_FIELDS_H
#define KEPLO_ENGINE_COMMON_TIME_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>

namespace engine {

// 1980-01-01 00:00 UTC, the earliest DOS date, for entries without any time.
constexpr time_t kEarliestDosTime = 315532800;

// The modification time an extended-timestamp extra field's data holds, if
// any.
std::optional<time_t> ExtendedTimestamp(const unsigned char *data, size_t length);

// A DOS date and time, read as local time, as libzip reads them.
time_t DosTimeToUnix(uint16_t date, uint16_t time);

} // namespace engine

#endif
