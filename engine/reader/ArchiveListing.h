// Listing: every selected entry reported through the listing call-back.
#ifndef KEPLO_ENGINE_READER_ARCHIVE_LISTING_H
#define KEPLO_ENGINE_READER_ARCHIVE_LISTING_H

#include <cstdint>

namespace engine {

class UnzipSession;
struct ArchiveEntry;

void ListArchive(UnzipSession &session);

// Percent of the size saved by compression, rounded, within 16 bits.
int32_t CompressionRatio(uint64_t size, uint64_t packedSize);

// The attribute argument of the listing call-back: the low byte of the
// entry's external attributes, with bit 6 (64) meaning encrypted.
uint32_t ListingAttributes(const ArchiveEntry &entry);

} // namespace engine

#endif
