// What the reader needs to know about one entry of an open archive.
#ifndef KEPLO_ENGINE_READER_ARCHIVE_ENTRY_H
#define KEPLO_ENGINE_READER_ARCHIVE_ENTRY_H

#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>
#include <zip.h>

namespace engine {

struct ArchiveEntry {
    zip_uint64_t index = 0;
    std::string path;   // stored name, UTF-8, every "\" turned into "/"
    bool isFolder = false; // the name ends in "/"
    zip_uint64_t size = 0;
    zip_uint64_t packedSize = 0;
    uint32_t crc = 0;
    uint16_t method = 0;
    bool encrypted = false;
    uint16_t encryptionMethod = 0; // libzip's ZIP_EM_* value
    time_t modified = 0;
    uint8_t hostSystem = 0;
    uint32_t externalAttributes = 0;
    mode_t unixMode = 0; // type and permissions when made on Unix, else 0
    uint64_t localOffset = 0; // where its local header starts (the engine's own reader only)

    bool IsSymbolicLink() const;
    // The entry's Unix permission bits to give the file, or 0 for the default.
    mode_t Permissions() const;
};

// Reads entry index of the archive. False when libzip cannot describe it.
bool ReadArchiveEntry(zip_t *archive, zip_uint64_t index, ArchiveEntry &entry);

// The name of a compression method as listings show it ("Stored", "Deflated").
std::string MethodName(uint16_t method);

} // namespace engine

#endif
