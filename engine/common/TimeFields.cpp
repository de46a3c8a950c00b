#include "engine/common/TimeFields.h"

#include "engine/common/LittleEndian.h"

namespace engine {

std::optional<time_t> ExtendedTimestamp(const unsigned char *data, size_t length) {
    // Flags byte, then the modification time when bit 0 is set.
    if (data == nullptr || length < 5 || (data[0] & 1) == 0)
        return std::nullopt;
    return static_cast<time_t>(static_cast<int32_t>(ReadLittle32(data + 1)));
}

time_t DosTimeToUnix(uint16_t date, uint16_t time) {
    struct tm local {};
    local.tm_isdst = -1;
    local.tm_year = ((date >> 9) & 127) + 80;
    local.tm_mon = ((date >> 5) & 15) - 1;
    local.tm_mday = date & 31;
    local.tm_hour = (time >> 11) & 31;
    local.tm_min = (time >> 5) & 63;
    local.tm_sec = (time << 1) & 62;
    const time_t moment = mktime(&local);
    return moment == static_cast<time_t>(-1) ? kEarliestDosTime : moment;
}

} // namespace engine
