#include "engine/common/EntryTime.h"

#include "engine/common/TimeFields.h"

namespace engine {

namespace {

constexpr zip_uint16_t kExtendedTimestampId = 0x5455;

} // namespace

time_t EntryModificationTime(zip_t *archive, zip_uint64_t index, const zip_stat_t &stat)
{
    zip_uint16_t length = 0;
    const zip_uint8_t *field = zip_file_extra_field_get_by_id(archive, index, kExtendedTimestampId,
                                                              0, &length, ZIP_FL_CENTRAL);
    if (const std::optional<time_t> exact = ExtendedTimestamp(field, length))
        return *exact;
    if ((stat.valid & ZIP_STAT_MTIME) != 0 && stat.mtime != static_cast<time_t>(-1))
        return stat.mtime;
    return kEarliestDosTime;
}

} // namespace engine
