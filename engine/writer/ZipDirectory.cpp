#include "engine/writer/ZipDirectory.h"

#include "engine/common/EngineMessages.h"
#include "engine/common/HeapPrefault.h"
#include "engine/common/LittleEndian.h"
#include "engine/writer/ZipRecords.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace writer {

namespace {

using engine::ReadLittle16;
using engine::ReadLittle32;
using engine::ReadLittle64;

const unsigned char *Bytes(std::string_view text, size_t at = 0) {
    return reinterpret_cast<const unsigned char *>(text.data()) + at;
}

struct EndFacts {
    uint64_t entries = 0;
    uint64_t centralSize = 0;
    uint64_t centralOffset = 0;
    uint64_t endStart = 0; // the first byte of the end records
};

// Reads the end records whose end of central directory record lies at
// position at of the file (tail holds the file's last bytes from
// tailStart on).
bool ReadEndRecords(int fd, std::string_view tail, uint64_t tailStart, size_t at, EndFacts &facts,
                    std::string &error) {
    const unsigned char *end = Bytes(tail, at);
    uint32_t disk = ReadLittle16(end + 4);
    uint32_t centralDisk = ReadLittle16(end + 6);
    uint64_t entriesHere = ReadLittle16(end + 8);
    facts.entries = ReadLittle16(end + 10);
    facts.centralSize = ReadLittle32(end + 12);
    facts.centralOffset = ReadLittle32(end + 16);
    facts.endStart = tailStart + at;
    if (at >= kZip64LocatorSize &&
        ReadLittle32(Bytes(tail, at - kZip64LocatorSize)) == kZip64LocatorSignature) {
        const unsigned char *locator = Bytes(tail, at - kZip64LocatorSize);
        const uint64_t zip64End = ReadLittle64(locator + 8);
        FileBytes bytes;
        if (zip64End + kZip64EndSize > tailStart + at - kZip64LocatorSize ||
            !bytes.Read(fd, zip64End, kZip64EndSize, error) ||
            ReadLittle32(Bytes(bytes.View())) != kZip64EndSignature) {
            error = "the zip64 end record is missing or damaged";
            return false;
        }
        const unsigned char *record = Bytes(bytes.View());
        disk = ReadLittle32(record + 16);
        centralDisk = ReadLittle32(record + 20);
        entriesHere = ReadLittle64(record + 24);
        facts.entries = ReadLittle64(record + 32);
        facts.centralSize = ReadLittle64(record + 40);
        facts.centralOffset = ReadLittle64(record + 48);
        facts.endStart = zip64End;
    }
    if (disk != 0 || centralDisk != 0 || entriesHere != facts.entries) {
        error = "the archive is split over several files";
        return false;
    }
    // The directory ends where the end records begin; bytes that merely
    // look like an end record (in a zip archive stored as an entry's data)
    // point somewhere else.
    if (facts.centralOffset > facts.endStart ||
        facts.centralSize != facts.endStart - facts.centralOffset) {
        error = "the central directory does not end where the end records begin";
        return false;
    }
    // Each central record takes at least its fixed part.
    if (facts.entries > facts.centralSize / kCentralFixedSize) {
        error = "the central directory is too short for its entries";
        return false;
    }
    return true;
}

// The local header offset of a central record, from its zip64 field when
// the fixed field carries the marker.
bool LocalOffsetOf(std::string_view record, uint64_t &offset) {
    offset = ReadLittle32(reinterpret_cast<const unsigned char *>(record.data()) + 42);
    if (offset != kMarker32)
        return true;
    const std::optional<size_t> at = Zip64OffsetPosition(record);
    if (!at)
        return false;
    offset = ReadLittle64(reinterpret_cast<const unsigned char *>(record.data()) + *at);
    return true;
}

bool ReadRecords(ZipDirectory &directory, uint64_t entries, std::string &error) {
    size_t position = 0;
    directory.records.reserve(static_cast<size_t>(entries));
    for (uint64_t i = 0;; ++i) {
        const size_t left = directory.central.size() - position;
        const unsigned char *record = Bytes(directory.central.View(), position);
        const bool another = left >= kCentralFixedSize && ReadLittle32(record) == kCentralSignature;
        // Tools that count entries in 16 bits write the count modulo 65,536:
        // records the directory holds past the count are entries all the
        // same, and an update must not drop them.
        if (i >= entries && !another)
            break;
        if (!another) {
            error = "central record " + std::to_string(i + 1) + " is damaged";
            return false;
        }
        const size_t length = kCentralFixedSize + ReadLittle16(record + 28) +
                              ReadLittle16(record + 30) + ReadLittle16(record + 32);
        if (length > left) {
            error = "central record " + std::to_string(i + 1) + " runs past the directory";
            return false;
        }
        CentralRecord entry;
        entry.begin = position;
        entry.length = length;
        if (!LocalOffsetOf(directory.central.View().substr(position, length), entry.localOffset)) {
            error = "central record " + std::to_string(i + 1) + " lacks its zip64 offset";
            return false;
        }
        if (entry.localOffset > directory.centralOffset ||
            directory.centralOffset - entry.localOffset < kLocalFixedSize) {
            error = "entry " + std::to_string(i + 1) + " lies outside the archive's data";
            return false;
        }
        directory.records.push_back(entry);
        position += length;
    }
    return true;
}

// Each entry's stretch ends where the next local header, or the central
// directory, begins.
void MeasureSpans(ZipDirectory &directory) {
    std::vector<uint64_t> starts;
    starts.reserve(directory.records.size() + 1);
    for (const CentralRecord &record : directory.records)
        starts.push_back(record.localOffset);
    starts.push_back(directory.centralOffset);
    std::sort(starts.begin(), starts.end());
    for (CentralRecord &record : directory.records)
        record.spanEnd = *std::upper_bound(starts.begin(), starts.end(), record.localOffset);
}

bool ReadDirectoryAt(int fd, std::string_view tail, uint64_t tailStart, size_t at,
                     ZipDirectory &directory, std::string &error) {
    EndFacts facts;
    if (!ReadEndRecords(fd, tail, tailStart, at, facts, error))
        return false;
    directory.centralOffset = facts.centralOffset;
    directory.records.clear();
    if (!directory.central.Read(fd, facts.centralOffset, static_cast<size_t>(facts.centralSize),
                                error) ||
        !ReadRecords(directory, facts.entries, error))
        return false;
    const size_t commentLength = ReadLittle16(Bytes(tail, at + 20));
    directory.comment = std::string(tail.substr(at + kEndFixedSize, commentLength));
    MeasureSpans(directory);
    return true;
}

} // namespace

bool FileBytes::Read(int fd, uint64_t offset, size_t length, std::string &error) {
    m_bytes.reset(new char[std::max<size_t>(length, 1)]);
    m_size = length;
    engine::PopulatePages(m_bytes.get(), length);
    size_t done = 0;
    while (done < length) {
        const ssize_t got =
            pread(fd, m_bytes.get() + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? engine::ErrnoText(errno) : "the file ends too early";
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

bool ReadZipDirectory(int fd, ZipDirectory &directory, std::string &error) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        error = engine::ErrnoText(errno);
        return false;
    }
    directory = ZipDirectory();
    directory.fileSize = static_cast<uint64_t>(info.st_size);
    if (directory.fileSize == 0)
        return true;
    if (directory.fileSize < kEndFixedSize) {
        error = "not a zip archive";
        return false;
    }
    // The end record lies within the last 64 KiB and its own size, behind
    // the zip64 locator when there is one.
    const uint64_t tailLength =
        std::min<uint64_t>(directory.fileSize, kMarker16 + kEndFixedSize + kZip64LocatorSize);
    const uint64_t tailStart = directory.fileSize - tailLength;
    FileBytes tailBytes;
    if (!tailBytes.Read(fd, tailStart, static_cast<size_t>(tailLength), error))
        return false;
    const std::string_view tail = tailBytes.View();
    // The end record is the one whose comment reaches the end of the file;
    // of several, the first, since the others lie inside its comment. Only
    // when there is none, bytes may follow it: then the last one that leads
    // to a readable directory.
    std::vector<size_t> exact, loose;
    const std::string_view signature("PK\x05\x06", 4);
    for (size_t at = tail.find(signature); at != std::string_view::npos;
         at = tail.find(signature, at + 1)) {
        if (at + kEndFixedSize > tail.size())
            break;
        const size_t end = at + kEndFixedSize + ReadLittle16(Bytes(tail, at + 20));
        if (end == tail.size())
            exact.push_back(at);
        else if (end < tail.size())
            loose.insert(loose.begin(), at);
    }
    std::string firstError;
    for (const size_t at : exact.empty() ? loose : exact) {
        if (ReadDirectoryAt(fd, tail, tailStart, at, directory, error))
            return true;
        if (firstError.empty())
            firstError = error;
    }
    error = firstError.empty() ? "not a zip archive" : firstError;
    return false;
}

} // namespace writer
