// libFuzzer target: archive bytes through what the zip engine reads of an
// archive it updates (end records, central directory, each entry's stretch,
// the entries' names, sizes and times) and through moving every central
// record to a new offset, below and past 4 GiB, as the update does. Aborts
// when a stretch lies outside the data or a moved record loses its offset.
#include "engine/writer/ExistingArchive.h"
#include "engine/writer/ZipDirectory.h"
#include "engine/writer/ZipRecords.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The local header offset as readers take it: from the zip64 field only
// when the fixed field carries the marker. A record moved below 4 GiB keeps
// its offset in the fixed field, and whatever its zip64 field holds beside
// the sizes is not read.
uint64_t OffsetOf(const std::string &record) {
    const auto *bytes = reinterpret_cast<const unsigned char *>(record.data());
    const uint32_t fixed = static_cast<uint32_t>(bytes[42]) | static_cast<uint32_t>(bytes[43]) << 8 |
                           static_cast<uint32_t>(bytes[44]) << 16 | static_cast<uint32_t>(bytes[45]) << 24;
    if (fixed != writer::kMarker32)
        return fixed;
    const std::optional<size_t> at = writer::Zip64OffsetPosition(record);
    if (!at)
        return fixed;
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[*at + static_cast<size_t>(i)];
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int fd = memfd_create("archive", 0);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
        abort();
    writer::ZipDirectory directory;
    std::string error;
    if (writer::ReadZipDirectory(fd, directory, error)) {
        for (size_t i = 0; i < directory.records.size(); ++i) {
            const writer::CentralRecord &record = directory.records[i];
            if (record.spanEnd <= record.localOffset || record.spanEnd > directory.centralOffset ||
                record.begin + record.length > directory.central.size())
                abort();
            for (const uint64_t offset : {uint64_t{77}, uint64_t{0x100000000} + i}) {
                const std::optional<std::string> moved =
                    writer::RelocatedRecord(directory.Record(i), offset);
                if (moved && OffsetOf(*moved) != offset)
                    abort();
            }
        }
    }
    writer::ExistingArchive existing;
    existing.Open("/proc/self/fd/" + std::to_string(fd), error);
    close(fd);
    return 0;
}
