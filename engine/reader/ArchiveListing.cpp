#include "engine/reader/ArchiveListing.h"

#include "engine/include/PakEngine.h"
#include "engine/reader/ArchiveDirectory.h"
#include "engine/reader/ArchiveEntry.h"
#include "engine/reader/UnzipSession.h"

#include "engine/common/HeapPrefault.h"

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

namespace {

// What a listing's receiver keeps of an entry (the unzip component's list
// entry and its texts): the heap readied for it up front.
constexpr size_t kListedBytesPerEntry = 160;

void ReportEntry(UnzipSession &session, ArchiveEntry &entry)
{
    if (!session.Selection().Selects(entry.path))
        return;
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

// Through libzip, for an archive the engine's own reader does not take:
// libzip then says why it cannot be read, or lists what it can.
void ListThroughLibzip(UnzipSession &session)
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
        ReportEntry(session, entry);
    }
    session.ReportUnmatchedNames();
}

} // namespace

void ListArchive(UnzipSession &session)
{
    off_t archiveSize = 0;
    if (!session.CheckArchiveFile(archiveSize))
        return;
    // The directory is read a window at a time: a listing holds only what
    // its receiver keeps.
    ArchiveDirectory directory;
    std::string error;
    if (!directory.Open(session.Command().ArchivePath, error)) {
        ListThroughLibzip(session);
        return;
    }
    if (directory.Entries() <= HeapPrefault::kLimit / kListedBytesPerEntry)
        session.PrepareHeap(static_cast<size_t>(directory.Entries()) * kListedBytesPerEntry);
    const bool whole = directory.ForEach(
        [&session](ArchiveEntry &entry) {
            ReportEntry(session, entry);
            return true;
        },
        error);
    if (!whole)
        session.Complain(std::string("error: cannot read ") + session.Command().ArchivePath + ": " + error,
                         ENGINE_BAD_ARCHIVE);
    session.ReportUnmatchedNames();
}

} // namespace engine
