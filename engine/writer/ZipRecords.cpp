#include "engine/writer/ZipRecords.h"

#include "engine/common/LittleEndian.h"

#include <algorithm>
#include <climits>

namespace writer {

namespace {

constexpr uint16_t kExtendedTimestampId = 0x5455;
constexpr uint16_t kUtf8NameFlag = 0x0800;
constexpr uint16_t kZip64Version = 45;
// Made on Unix by a writer of version 6.3 of the format, as libzip says.
constexpr uint16_t kMadeBy = 3 << 8 | 63;

using engine::AppendLittle;

const unsigned char *Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char *>(text.data());
}

bool IsAscii(std::string_view name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

uint16_t VersionNeeded(const NewEntryFacts &entry, bool zip64) {
    if (zip64)
        return kZip64Version;
    return entry.method == 8 || entry.folder ? 20 : 10;
}

// The extended-timestamp field with the modification time only: the exact
// second in UTC, where the DOS time holds local time to two seconds.
void AppendTimestamp(std::string &extra, time_t modified) {
    if (modified < 0 || modified > INT32_MAX)
        return;
    AppendLittle(extra, kExtendedTimestampId, 2);
    AppendLittle(extra, 5, 2);
    extra.push_back(1);
    AppendLittle(extra, static_cast<uint64_t>(modified), 4);
}

// The fixed fields both headers share, from the version needed on.
void AppendCommonFields(std::string &out, const NewEntryFacts &entry, bool zip64,
                        bool markCompressedSize, bool markSize) {
    uint16_t date = 0, time = 0;
    DosDateTime(entry.modified, date, time);
    AppendLittle(out, VersionNeeded(entry, zip64), 2);
    AppendLittle(out, IsAscii(entry.name) ? 0 : kUtf8NameFlag, 2);
    AppendLittle(out, entry.method, 2);
    AppendLittle(out, time, 2);
    AppendLittle(out, date, 2);
    AppendLittle(out, entry.crc, 4);
    AppendLittle(out, markCompressedSize ? kMarker32 : entry.compressedSize, 4);
    AppendLittle(out, markSize ? kMarker32 : entry.size, 4);
}

// The zip64 field holds, in this order, only the values whose fixed fields
// carry the marker: size, compressed size, offset. The bytes that come
// before the offset.
size_t Zip64BytesBeforeOffset(const unsigned char *record) {
    return (engine::ReadLittle32(record + 24) == kMarker32 ? 8 : 0) +
           (engine::ReadLittle32(record + 20) == kMarker32 ? 8 : 0);
}

} // namespace

bool FindExtraField(std::string_view extra, uint16_t id, size_t &at, size_t &length) {
    size_t position = 0;
    while (position + 4 <= extra.size()) {
        const uint16_t fieldId = engine::ReadLittle16(Bytes(extra) + position);
        const uint16_t fieldLength = engine::ReadLittle16(Bytes(extra) + position + 2);
        if (position + 4 + fieldLength > extra.size())
            return false;
        if (fieldId == id) {
            at = position + 4;
            length = fieldLength;
            return true;
        }
        position += 4 + fieldLength;
    }
    return false;
}

std::string_view ExtraFields(std::string_view record) {
    if (record.size() < kCentralFixedSize)
        return std::string_view();
    const size_t nameLength = engine::ReadLittle16(Bytes(record) + 28);
    const size_t extraLength = engine::ReadLittle16(Bytes(record) + 30);
    if (kCentralFixedSize + nameLength + extraLength > record.size())
        return std::string_view();
    return record.substr(kCentralFixedSize + nameLength, extraLength);
}

std::string LocalHeader(const NewEntryFacts &entry) {
    const bool zip64 = entry.size >= kMarker32 || entry.compressedSize >= kMarker32;
    std::string extra;
    AppendTimestamp(extra, entry.modified);
    if (zip64) {
        AppendLittle(extra, kZip64ExtraId, 2);
        AppendLittle(extra, 16, 2);
        AppendLittle(extra, entry.size, 8);
        AppendLittle(extra, entry.compressedSize, 8);
    }
    std::string out;
    out.reserve(kLocalFixedSize + entry.name.size() + extra.size());
    AppendLittle(out, kLocalHeaderSignature, 4);
    AppendCommonFields(out, entry, zip64, zip64, zip64);
    AppendLittle(out, entry.name.size(), 2);
    AppendLittle(out, extra.size(), 2);
    out += entry.name;
    out += extra;
    return out;
}

std::string CentralRecordOf(const NewEntryFacts &entry, uint64_t localOffset) {
    const bool bigSize = entry.size >= kMarker32;
    const bool bigCompressed = entry.compressedSize >= kMarker32;
    const bool bigOffset = localOffset >= kMarker32;
    std::string zip64;
    if (bigSize)
        AppendLittle(zip64, entry.size, 8);
    if (bigCompressed)
        AppendLittle(zip64, entry.compressedSize, 8);
    if (bigOffset)
        AppendLittle(zip64, localOffset, 8);
    std::string extra;
    if (!zip64.empty()) {
        AppendLittle(extra, kZip64ExtraId, 2);
        AppendLittle(extra, zip64.size(), 2);
        extra += zip64;
    }
    AppendTimestamp(extra, entry.modified);

    std::string out;
    out.reserve(kCentralFixedSize + entry.name.size() + extra.size());
    AppendLittle(out, kCentralSignature, 4);
    AppendLittle(out, kMadeBy, 2);
    AppendCommonFields(out, entry, !zip64.empty(), bigCompressed, bigSize);
    AppendLittle(out, entry.name.size(), 2);
    AppendLittle(out, extra.size(), 2);
    AppendLittle(out, 0, 2); // comment length
    AppendLittle(out, 0, 2); // disk
    AppendLittle(out, 0, 2); // internal attributes
    AppendLittle(out, entry.externalAttributes, 4);
    AppendLittle(out, bigOffset ? kMarker32 : localOffset, 4);
    out += entry.name;
    out += extra;
    return out;
}

std::optional<size_t> Zip64OffsetPosition(std::string_view record) {
    if (record.size() < kCentralFixedSize)
        return std::nullopt;
    const std::string_view extra = ExtraFields(record);
    size_t at = 0, length = 0;
    if (!FindExtraField(extra, kZip64ExtraId, at, length))
        return std::nullopt;
    const size_t position = Zip64BytesBeforeOffset(Bytes(record));
    if (position + 8 > length)
        return std::nullopt;
    return static_cast<size_t>(extra.data() - record.data()) + at + position;
}

std::optional<std::string> RelocatedRecord(std::string_view record, uint64_t newOffset) {
    std::string out(record);
    auto *bytes = reinterpret_cast<unsigned char *>(out.data());
    if (engine::ReadLittle32(bytes + 42) == kMarker32) {
        const std::optional<size_t> at = Zip64OffsetPosition(record);
        if (!at)
            return std::nullopt;
        engine::StoreLittle(bytes + *at, newOffset, 8);
        return out;
    }
    if (newOffset < kMarker32) {
        engine::StoreLittle(bytes + 42, newOffset, 4);
        return out;
    }

    // The offset moves into a zip64 field, after the sizes that one holds.
    const size_t nameLength = engine::ReadLittle16(bytes + 28);
    const size_t extraLength = engine::ReadLittle16(bytes + 30);
    const size_t extraStart = kCentralFixedSize + nameLength;
    const size_t before = Zip64BytesBeforeOffset(bytes);
    if (extraStart + extraLength > out.size() || extraLength + 4 + before + 8 > kMarker16)
        return std::nullopt;
    std::string value;
    AppendLittle(value, newOffset, 8);
    size_t at = 0, length = 0;
    if (FindExtraField(record.substr(extraStart, extraLength), kZip64ExtraId, at, length)) {
        if (before > length || length + 8 > kMarker16)
            return std::nullopt;
        out.insert(extraStart + at + before, value);
        bytes = reinterpret_cast<unsigned char *>(out.data());
        engine::StoreLittle(bytes + extraStart + at - 2, length + 8, 2);
        engine::StoreLittle(bytes + 30, extraLength + 8, 2);
    } else {
        // A size whose fixed field carries the marker without a zip64
        // field to hold it keeps the value it showed: the marker itself.
        std::string field;
        AppendLittle(field, kZip64ExtraId, 2);
        AppendLittle(field, before + 8, 2);
        for (size_t i = 0; i < before; i += 8)
            AppendLittle(field, kMarker32, 8);
        field += value;
        // In front of the others, where a reader finds it even when a field
        // after it is damaged.
        out.insert(extraStart, field);
        bytes = reinterpret_cast<unsigned char *>(out.data());
        engine::StoreLittle(bytes + 30, extraLength + field.size(), 2);
    }
    engine::StoreLittle(bytes + 42, kMarker32, 4);
    if (bytes[6] < kZip64Version)
        bytes[6] = kZip64Version;
    return out;
}

std::string EndRecords(uint64_t entries, uint64_t centralOffset, uint64_t centralSize,
                       std::string_view comment) {
    std::string out;
    const bool zip64 =
        entries >= kMarker16 || centralOffset >= kMarker32 || centralSize >= kMarker32;
    if (zip64) {
        const uint64_t zip64End = centralOffset + centralSize;
        AppendLittle(out, kZip64EndSignature, 4);
        AppendLittle(out, kZip64EndSize - 12, 8); // the size of what follows this field
        AppendLittle(out, 3 << 8 | kZip64Version, 2);
        AppendLittle(out, kZip64Version, 2);
        AppendLittle(out, 0, 4); // this disk
        AppendLittle(out, 0, 4); // the disk the directory starts on
        AppendLittle(out, entries, 8);
        AppendLittle(out, entries, 8);
        AppendLittle(out, centralSize, 8);
        AppendLittle(out, centralOffset, 8);
        AppendLittle(out, kZip64LocatorSignature, 4);
        AppendLittle(out, 0, 4);
        AppendLittle(out, zip64End, 8);
        AppendLittle(out, 1, 4); // disks in all
    }
    const size_t commentLength = std::min<size_t>(comment.size(), kMarker16);
    AppendLittle(out, kEndSignature, 4);
    AppendLittle(out, 0, 2);
    AppendLittle(out, 0, 2);
    AppendLittle(out, std::min<uint64_t>(entries, kMarker16), 2);
    AppendLittle(out, std::min<uint64_t>(entries, kMarker16), 2);
    AppendLittle(out, std::min<uint64_t>(centralSize, kMarker32), 4);
    AppendLittle(out, std::min<uint64_t>(centralOffset, kMarker32), 4);
    AppendLittle(out, commentLength, 2);
    out.append(comment.substr(0, commentLength));
    return out;
}

void DosDateTime(time_t moment, uint16_t &date, uint16_t &time) {
    struct tm local {};
    if (localtime_r(&moment, &local) == nullptr || local.tm_year < 80) {
        date = 1 << 5 | 1; // 1980-01-01 00:00:00
        time = 0;
        return;
    }
    if (local.tm_year > 207) {
        date = static_cast<uint16_t>(127 << 9 | 12 << 5 | 31); // 2107-12-31 23:59:58
        time = static_cast<uint16_t>(23 << 11 | 59 << 5 | 29);
        return;
    }
    date =
        static_cast<uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    time = static_cast<uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
}

} // namespace writer
