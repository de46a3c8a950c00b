#include "engine/writer/ZipDirectory.h"

#include "engine/common/CentralDirectory.h"
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
    directory.records.reserve(static_cast<size_t>(entries));
    engine::CentralDirectoryWalker walker(directory.central.View());
    std::string_view bytes;
    for (uint64_t i = 0;; ++i) {
        const engine::CentralDirectoryWalker::Step step = walker.Next(bytes, error);
        const bool another = step == engine::CentralDirectoryWalker::Step::Record;
        // Tools that count entries in 16 bits write the count modulo 65,536:
        // records the directory holds past the count are entries all the
        // same, and an update must not drop them.
        if (step == engine::CentralDirectoryWalker::Step::Damaged) {
            error = "central record " + std::to_string(i + 1) + " runs past the directory";
            return false;
        }
        if (i >= entries && !another)
            break;
        if (!another) {
            error = "central record " + std::to_string(i + 1) + " is damaged";
            return false;
        }
        CentralRecord entry;
        entry.begin = static_cast<size_t>(walker.RecordStart());
        entry.length = bytes.size();
        if (!LocalOffsetOf(bytes, entry.localOffset)) {
            error = "central record " + std::to_string(i + 1) + " lacks its zip64 offset";
            return false;
        }
        if (entry.localOffset > directory.centralOffset ||
            directory.centralOffset - entry.localOffset < kLocalFixedSize) {
            error = "entry " + std::to_string(i + 1) + " lies outside the archive's data";
            return false;
        }
        directory.records.push_back(entry);
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

bool ReadDirectoryWith(int fd, const engine::EndFacts &facts, ZipDirectory &directory, std::string &error) {
    // The directory ends where the end records begin: nothing may lie
    // between them that a rewrite would have to place.
    if (facts.centralSize != facts.endStart - facts.centralOffset) {
        error = "the central directory does not end where the end records begin";
        return false;
    }
    directory.centralOffset = facts.centralOffset;
    directory.records.clear();
    if (!directory.central.Read(fd, facts.centralOffset, static_cast<size_t>(facts.centralSize), error) ||
        !ReadRecords(directory, facts.entries, error))
        return false;
    directory.comment = facts.comment;
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
    engine::EndRecordSearch search;
    if (!search.Start(fd, directory.fileSize, error))
        return false;
    engine::EndFacts facts;
    return search.FirstTaken(facts, error,
                             [&](const engine::EndFacts &candidate, std::string &reason) {
                                 return ReadDirectoryWith(fd, candidate, directory, reason);
                             });
}

} // namespace writer
