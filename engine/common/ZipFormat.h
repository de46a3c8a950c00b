// The fixed parts of the zip format: record signatures and sizes, the
// markers that send a value to the zip64 field, and the extra field ids the
// engine reads.
#ifndef KEPLO_ENGINE_COMMON_ZIP_FORMAT_H
#define KEPLO_ENGINE_COMMON_ZIP_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace engine {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kCentralFixedSize = 46;
constexpr size_t kLocalFixedSize = 30;
constexpr size_t kEndFixedSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr uint32_t kMarker32 = 0xFFFFFFFF; // "the value is in the zip64 field"
constexpr uint16_t kMarker16 = 0xFFFF;

constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kExtendedTimestampId = 0x5455;
constexpr uint16_t kUnicodePathId = 0x7075;
constexpr uint16_t kWinZipAesId = 0x9901;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint16_t kMethodWinZipAes = 99;

} // namespace engine

#endif
