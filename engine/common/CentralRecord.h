// One central directory record read field by field, the way a careful
// reader takes it: sizes and offset from the zip64 field when their fixed
// fields carry the marker, the real method and strength of a WinZip AES
// entry, and the entry's name as UTF-8.
//
// An extra-field block that ends in padding or in a sub-field cut short
// (tools that align data, or damaged writers) is read up to its last whole
// sub-field, and a zip64 field longer than its values is read for those
// values: unzip and 7z read such entries, and nothing in those bytes changes
// where the entry's data lies.
#ifndef KEPLO_ENGINE_COMMON_CENTRAL_RECORD_H
#define KEPLO_ENGINE_COMMON_CENTRAL_RECORD_H

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// Encryption as libzip numbers it (ZIP_EM_*).
constexpr uint16_t kEncryptionNone = 0;
constexpr uint16_t kEncryptionPkware = 1;
constexpr uint16_t kEncryptionAes128 = 0x0101;
constexpr uint16_t kEncryptionAes192 = 0x0102;
constexpr uint16_t kEncryptionAes256 = 0x0103;
constexpr uint16_t kEncryptionUnknown = 0xFFFF;

struct CentralEntry {
    uint16_t versionMadeBy = 0;
    uint16_t flags = 0;
    uint16_t method = 0; // for WinZip AES, the method under the encryption
    uint16_t dosTime = 0, dosDate = 0;
    uint32_t crc = 0;
    uint64_t packedSize = 0;
    uint64_t size = 0;
    uint64_t localOffset = 0;
    uint32_t externalAttributes = 0;
    uint16_t encryption = kEncryptionNone;
    std::string_view rawName; // as stored
    std::string_view extra;   // the whole extra-field block
    // The extra-field block ends in bytes that are not whole sub-fields, or
    // its zip64 field holds more than the values its markers ask for.
    bool looseExtra = false;

    uint8_t HostSystem() const { return static_cast<uint8_t>(versionMadeBy >> 8); }
};

enum class RecordVerdict {
    Sound,
    Damaged,     // fields that contradict each other or the record
    Unsupported, // a kind of encryption no reader here knows
};

// Reads a whole central record (fixed part, name, extra fields, comment).
// problem says why when the verdict is not Sound.
RecordVerdict ReadCentralRecord(std::string_view record, CentralEntry &entry, std::string &problem);

// The data of the first whole extra field with this id; false when there
// is none.
bool FindExtraField(std::string_view extra, uint16_t id, std::string_view &data);

// True when the block is whole sub-fields, or whole sub-fields followed by
// fewer than four zero bytes (the padding of aligned archives).
bool ExtraFieldsAreWhole(std::string_view extra);

// Whether text is ASCII or UTF-8 as readers tell it (lead and continuation
// bytes; control characters other than tab and line breaks count as
// neither).
bool IsUtf8Text(std::string_view text);

// The entry's name as UTF-8: a zero byte reads as a space; the Unicode path
// field's name when its check value matches the stored name; a name not
// flagged as UTF-8 that is not valid UTF-8 is read as code page 437.
void DecodeEntryName(const CentralEntry &entry, std::string &name);

} // namespace engine

#endif
