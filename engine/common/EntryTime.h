// An archive entry's modification time as seconds since 1970.
#ifndef KEPLO_ENGINE_COMMON_ENTRY_TIME_H
#define KEPLO_ENGINE_COMMON_ENTRY_TIME_H

#include <ctime>
#include <zip.h>

namespace engine {

// The exact time of the extended-timestamp extra field when the entry has
// one (written by Info-ZIP's zip and most Unix tools), otherwise the DOS
// date and time, which hold local time to two seconds.
time_t EntryModificationTime(zip_t *archive, zip_uint64_t index, const zip_stat_t &stat);

} // namespace engine

#endif
