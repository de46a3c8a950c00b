// libFuzzer target: archive bytes through the engine's own reader of the
// central directory and through libzip side by side. Wherever both open an
// archive, the own reader must give every entry exactly as libzip does
// (what a listing reports and what extraction relies on); where only the
// own reader opens it, some entry's extra fields must be the loose kind it
// exists to take. (What only libzip opens is listed through libzip.)
// Aborts otherwise.
#include "engine/reader/ArchiveDirectory.h"
#include "engine/reader/ArchiveEntry.h"
#include "engine/common/ZipHandles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

bool Same(const engine::ArchiveEntry &a, const engine::ArchiveEntry &b) {
    // The listing reads the path up to its first zero byte.
    return std::string(a.path.c_str()) == std::string(b.path.c_str()) && a.isFolder == b.isFolder &&
           a.size == b.size && a.packedSize == b.packedSize && a.crc == b.crc && a.method == b.method &&
           a.encrypted == b.encrypted && a.encryptionMethod == b.encryptionMethod && a.modified == b.modified &&
           a.hostSystem == b.hostSystem && a.externalAttributes == b.externalAttributes && a.unixMode == b.unixMode;
}

void Fail(const char *what, size_t index = 0) {
    std::fprintf(stderr, "listing differs from libzip: %s (entry %zu)\n", what, index);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int fd = memfd_create("archive", 0);
    if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
        abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    engine::ArchiveDirectory directory;
    std::string error;
    bool ours = size > 0 && directory.Open(path.c_str(), error);
    std::vector<engine::ArchiveEntry> own;
    if (ours && !directory.ForEach(
                    [&own](engine::ArchiveEntry &entry) {
                        own.push_back(entry);
                        return true;
                    },
                    error))
        Fail("the second reading failed");

    int zipError = 0;
    engine::ZipArchivePtr archive(size > 0 ? zip_open(path.c_str(), ZIP_RDONLY, &zipError) : nullptr);
    // The listing asks libzip first where the archive's end is ambiguous,
    // and then lists through the own reader only what libzip refuses for
    // loose extra fields.
    if (ours && directory.Ambiguous() && (archive || !directory.HasLooseExtraFields()))
        ours = false;
    if (archive && ours) {
        const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
        if (count < 0 || static_cast<size_t>(count) != own.size())
            Fail("entry count");
        engine::ArchiveEntry entry;
        for (zip_int64_t i = 0; i < count; ++i) {
            if (!engine::ReadArchiveEntry(archive.get(), static_cast<zip_uint64_t>(i), entry))
                continue; // the listing reports such an entry as unreadable
            if (!Same(entry, own[static_cast<size_t>(i)]))
                Fail("entry", static_cast<size_t>(i));
        }
    } else if (!archive && ours && !directory.HasLooseExtraFields()) {
        Fail("the own reader opens what libzip refuses, without loose extra fields");
    }
    close(fd);
    return 0;
}
