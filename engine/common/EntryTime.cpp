#include "engine/common/EntryTime.h"

#include "engine/common/LittleEndian.h"

#include <cstdint>

namespace engine {

namespace {

constexpr zip_uint16_t kExtendedTimestampId = 0x5455;
// 1980-01-01 00:00 UTC, the earliest DOS date, for entries without any time.
constexpr time_t kEarliestDosTime = 315532800;

} // namespace

std::optional<time_t> ExtendedTimestamp(const unsigned char *data, size_t length) {
    // Flags byte, then the modification time when bit 0 is set.
    if (data == nullptr || length < 5 || (data[0] & 1) == 0)
        return std::nullopt;
    return static_cast<time_t>(static_cast<int32_t>(ReadLittle32(data + 1)));
}

time_t EntryModificationTime(zip_t *archive, zip_uint64_t index, const zip_stat_t &stat) {
    zip_uint16_t length = 0;
    const zip_uint8_t *field = zip_file_extra_field_get_by_id(archive, index, kExtendedTimestampId,
                                                              0, &length, ZIP_FL_CENTRAL);
    if (const std::optional<time_t> exact = ExtendedTimestamp(field, length))
        return *exact;
    if ((stat.valid & ZIP_STAT_MTIME) != 0 && stat.mtime != static_cast<time_t>(-1))
        return stat.mtime;
    return kEarliestDosTime;
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
