#include "engine/common/EntryTime.h"

#include "engine/common/LittleEndian.h"

#include <cstdint>

namespace engine {

namespace {

constexpr zip_uint16_t kExtendedTimestampId = 0x5455;
// 1980-01-01 00:00 UTC, the earliest DOS date, for entries without any time.
constexpr time_t kEarliestDosTime = 315532800;

} // namespace

time_t EntryModificationTime(zip_t *archive, zip_uint64_t index, const zip_stat_t &stat)
{
    zip_uint16_t length = 0;
    const zip_uint8_t *field = zip_file_extra_field_get_by_id(archive, index, kExtendedTimestampId, 0,
                                                              &length, ZIP_FL_CENTRAL);
    // Flags byte, then the modification time when bit 0 is set.
    if (field != nullptr && length >= 5 && (field[0] & 1) != 0) {
        return static_cast<time_t>(static_cast<int32_t>(ReadLittle32(field + 1)));
    }
    if ((stat.valid & ZIP_STAT_MTIME) != 0 && stat.mtime != static_cast<time_t>(-1))
        return stat.mtime;
    return kEarliestDosTime;
}

} // namespace engine
