// An entry's data taken by its local header, for archives that the engine
// reads with its own reader of the central directory: stored or deflated,
// not encrypted. Where the data starts is read from the local header (its
// name and extra field lengths); the sizes are the central record's.
#ifndef KEPLO_ENGINE_READER_LOCAL_ENTRY_DATA_H
#define KEPLO_ENGINE_READER_LOCAL_ENTRY_DATA_H

#include "engine/reader/ArchiveEntry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <zlib.h>

namespace engine {

class LocalEntryData {
public:
    LocalEntryData() = default;
    ~LocalEntryData();
    LocalEntryData(const LocalEntryData &) = delete;
    LocalEntryData &operator=(const LocalEntryData &) = delete;

    // Whether the data of an entry of this kind can be read this way.
    static bool CanRead(const ArchiveEntry &entry);

    // Finds the entry's data in the archive open on fd. False with the
    // reason in error when its local header is missing or its data does
    // not fit in the file.
    bool Open(int fd, uint64_t fileSize, const ArchiveEntry &entry, std::string &error);
    // The packed data whole.
    bool ReadPacked(std::vector<unsigned char> &packed, std::string &error);
    // The next unpacked bytes: their count, 0 at the end of the data, -1
    // (with the reason in error) when the data cannot be read or unpacked,
    // or, at its end, when its CRC-32 is not the one the archive states.
    int64_t Read(unsigned char *buffer, size_t size, std::string &error);
    // The last Read failed on the CRC-32 check.
    bool BadCrc() const { return m_badCrc; }

private:
    // Read without the check: stored bytes as they are, deflated ones inflated.
    int64_t Unpack(unsigned char *buffer, size_t size, std::string &error);
    bool ReadAt(uint64_t offset, unsigned char *out, size_t length, std::string &error) const;

    int m_fd = -1;
    uint64_t m_dataStart = 0;
    uint64_t m_packedSize = 0;
    uint64_t m_packedRead = 0;
    uint16_t m_method = 0;
    uint32_t m_expectedCrc = 0;
    uLong m_crc = 0;
    bool m_badCrc = false;
    std::unique_ptr<z_stream> m_inflate;
    bool m_inflateDone = false;
    std::vector<unsigned char> m_input;
};

} // namespace engine

#endif
