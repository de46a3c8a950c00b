// Zip archives written byte by byte in the tests, so that they can hold what
// no archiver writes on purpose: central records that disagree with their
// local headers, empty names, gaps between entries. And the stored bytes of
// an archive, read back record by record, to compare entries byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RawEntry {
    std::string name;
    std::string contents;
    bool deflate = false;
    uint16_t flags = 0;
    uint16_t time = 0x6000; // 12:00:00
    uint16_t date = 0x5A21; // 2025-01-01
    std::string localExtra;
    std::string centralExtra;
    std::string comment;
    bool dataDescriptor = false; // sizes and CRC-32 follow the data (flag bit 3)
    bool descriptorSignature = true;
    std::string after; // bytes between this entry and the next
    // What the central record says where it disagrees with the local header.
    std::optional<std::string> centralName;
    std::optional<uint16_t> centralFlags, centralMethod, centralTime;
    std::optional<uint32_t> centralCrc, centralCompressedSize, centralSize;
};

// prefix: bytes before the first entry, which the offsets count.
std::string BuildZip(const std::vector<RawEntry> &entries, const std::string &comment = "",
                     const std::string &prefix = "");

// An extra field's bytes: id, length, data.
std::string ExtraField(uint16_t id, const std::string &data);

// One entry as stored: its central record with the local header offset
// blanked out, and its bytes from the local header up to the next local
// header or the central directory.
struct StoredEntry {
    std::string record;
    std::string bytes;
};
// Reads an archive without zip64 records; empty when it cannot.
std::vector<StoredEntry> StoredEntries(const std::string &archiveBytes);
