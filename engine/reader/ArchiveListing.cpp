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

void ListThroughLibzip(UnzipSession &session, zip_t *archive)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    ArchiveEntry entry;
    for (zip_int64_t i = 0; i < count; ++i) {
        if (!ReadArchiveEntry(archive, static_cast<zip_uint64_t>(i), entry)) {
            session.Complain("error: entry " + std::to_string(i + 1) + " of the archive cannot be read",
                             ENGINE_BAD_ARCHIVE);
            continue;
        }
        ReportEntry(session, entry);
    }
}

void ListThroughDirectory(UnzipSession &session, const ArchiveDirectory &directory)
{
    if (directory.Entries() <= HeapPrefault::kLimit / kListedBytesPerEntry)
        session.PrepareHeap(static_cast<size_t>(directory.Entries()) * kListedBytesPerEntry);
    std::string error;
    const bool whole = directory.ForEach(
        [&session](ArchiveEntry &entry) {
            ReportEntry(session, entry);
            return true;
        },
        error);
    if (!whole)
        session.Complain(std::string("error: cannot read ") + session.Command().ArchivePath + ": " + error,
                         ENGINE_BAD_ARCHIVE);
}

} // namespace

void ListArchive(UnzipSession &session)
{
    off_t archiveSize = 0;
    if (!session.CheckArchiveFile(archiveSize))
        return;
    // The engine's own reader takes the directory a window at a time, so a
    // listing holds only what its receiver keeps. Where it cannot read the
    // archive, or the archive's end could be read more than one way, libzip
    // has the first word, as it always had; the own reader then lists only
    // what libzip refuses for loose extra fields alone.
    ArchiveDirectory directory;
    std::string error;
    const bool ours = directory.Open(session.Command().ArchivePath, error);
    if (ours && !directory.Ambiguous()) {
        ListThroughDirectory(session, directory);
    } else {
        int zipError = 0;
        ZipArchivePtr archive = session.OpenArchiveQuietly(archiveSize, zipError);
        if (!archive && archiveSize == 0)
            return; // the file went away meanwhile; the session said so
        if (archive) {
            ListThroughLibzip(session, archive.get());
        } else if (ours && directory.HasLooseExtraFields()) {
            ListThroughDirectory(session, directory);
        } else {
            session.ComplainAboutOpening(zipError);
            return;
        }
    }
    session.ReportUnmatchedNames();
}

} // namespace engine
