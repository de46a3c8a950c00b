// The records of a zip archive as bytes: headers of the entries the engine
// writes, an untouched entry's central record moved to a new offset, and
// the end records. Zip64 fields appear only where a value needs them.
#ifndef KEPLO_ENGINE_WRITER_ZIP_RECORDS_H
#define KEPLO_ENGINE_WRITER_ZIP_RECORDS_H

#include "engine/common/ZipFormat.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace writer {

using engine::kCentralFixedSize;
using engine::kCentralSignature;
using engine::kEndFixedSize;
using engine::kEndSignature;
using engine::kLocalFixedSize;
using engine::kLocalHeaderSignature;
using engine::kMarker16;
using engine::kMarker32;
using engine::kZip64EndSignature;
using engine::kZip64EndSize;
using engine::kZip64ExtraId;
using engine::kZip64LocatorSignature;
using engine::kZip64LocatorSize;

// An entry the engine writes itself.
struct NewEntryFacts {
    std::string name; // "/" between parts; a folder's ends in "/"
    bool folder = false;
    uint16_t method = 0; // 0 stored, 8 deflated
    uint32_t crc = 0;
    uint64_t size = 0;
    uint64_t compressedSize = 0;
    time_t modified = 0;
    uint32_t externalAttributes = 0;
};

std::string LocalHeader(const NewEntryFacts &entry);
std::string CentralRecordOf(const NewEntryFacts &entry, uint64_t localOffset);

// Finds the extra field with this id among a record's extra fields: where
// its data starts within extra, and its length.
bool FindExtraField(std::string_view extra, uint16_t id, size_t &at, size_t &length);
// A central record's extra fields; empty when the record is too short.
std::string_view ExtraFields(std::string_view record);

// Where, inside a central record, the zip64 field that holds the local
// header's offset lies; nullopt when the record has none.
std::optional<size_t> Zip64OffsetPosition(std::string_view record);

// The central record with only its local header offset changed. An offset
// that no longer fits 32 bits moves into a zip64 field (added, or widened);
// nullopt when the record has no room left for one.
std::optional<std::string> RelocatedRecord(std::string_view record, uint64_t newOffset);

// The end of central directory record, preceded by the zip64 end record and
// its locator when the count, size or offset need them.
std::string EndRecords(uint64_t entries, uint64_t centralOffset, uint64_t centralSize,
                       std::string_view comment);

// The DOS date and time of a moment, in local time, as zip headers hold it;
// moments outside 1980 to 2107 are brought to the nearest end.
void DosDateTime(time_t moment, uint16_t &date, uint16_t &time);

} // namespace writer

#endif
