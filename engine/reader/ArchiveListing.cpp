#include "engine/reader/ArchiveListing.h"

#include "engine/include/PakEngine.h"
#include "engine/reader/ArchiveEntry.h"
#include "engine/reader/UnzipSession.h"

#include <cmath>
#include <ctime>

namespace engine {

namespace {

constexpr uint32_t kEncryptedBit = 64;

uint32_t Clamp32(uint64_t value)
{
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

} // namespace

int32_t CompressionRatio(uint64_t size, uint64_t packedSize)
{
    if (size == 0)
        return 0;
    const double saved = 100.0 * (static_cast<double>(size) - static_cast<double>(packedSize)) /
                         static_cast<double>(size);
    const double rounded = std::round(saved);
    if (rounded < -32768.0)
        return -32768;
    return static_cast<int32_t>(rounded); // at most 100
}

uint32_t ListingAttributes(const ArchiveEntry &entry)
{
    uint32_t attributes = entry.externalAttributes & 0xFF & ~kEncryptedBit;
    if (entry.encrypted)
        attributes |= kEncryptedBit;
    return attributes;
}

void ListArchive(UnzipSession &session)
{
    off_t archiveSize = 0;
    ZipArchivePtr archive = session.OpenArchive(archiveSize);
    if (!archive)
        return;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    ArchiveEntry entry;
    for (zip_int64_t i = 0; i < count; ++i) {
        if (!ReadArchiveEntry(archive.get(), static_cast<zip_uint64_t>(i), entry)) {
            session.Complain("error: entry " + std::to_string(i + 1) + " of the archive cannot be read",
                             ENGINE_BAD_ARCHIVE);
            continue;
        }
        if (!session.Selection().Selects(entry.path))
            continue;
        struct tm local {};
        const time_t modified = entry.modified;
        if (localtime_r(&modified, &local) == nullptr) {
            local = tm{};
            local.tm_year = 80;
            local.tm_mday = 1;
        }
        std::string method = MethodName(entry.method);
        session.ReportListing(Clamp32(entry.packedSize), Clamp32(entry.size),
                              CompressionRatio(entry.size, entry.packedSize), local, entry.path, method, entry.crc,
                              ListingAttributes(entry));
    }
    session.ReportUnmatchedNames();
}

} // namespace engine
