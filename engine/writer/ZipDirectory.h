// An existing archive as stored: its central directory record by record,
// exactly as written, and the stretch of the file that belongs to each
// entry, so that a rewrite can carry untouched entries over byte for byte.
//
// An entry's stretch runs from its local header up to the next local
// header, or up to the central directory for the last one: whatever lies
// there (the data, a data descriptor, bytes that the central record does
// not account for) is the entry's. The sizes in the central record are not
// used to find its end, since they may disagree with the local header and
// the data; readers that accepted the entry before find every byte where
// it was, relative to its header.
#ifndef KEPLO_ENGINE_WRITER_ZIP_DIRECTORY_H
#define KEPLO_ENGINE_WRITER_ZIP_DIRECTORY_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace writer {

struct CentralRecord {
    size_t begin = 0;         // where the record starts in ZipDirectory::central
    size_t length = 0;        // fixed part, name, extra fields and comment
    uint64_t localOffset = 0; // where the entry's local header starts in the file
    uint64_t spanEnd = 0;     // where the entry's stretch of the file ends
};

// Bytes read from a file into memory made ready in one call: neither the
// zero-filling of a string nor a page fault per page of a large directory.
class FileBytes {
public:
    // False with the reason in error when the bytes cannot all be read.
    bool Read(int fd, uint64_t offset, size_t length, std::string &error);
    std::string_view View() const { return std::string_view(m_bytes.get(), m_size); }
    size_t size() const { return m_size; }

private:
    std::unique_ptr<char[]> m_bytes;
    size_t m_size = 0;
};

struct ZipDirectory {
    uint64_t fileSize = 0;
    uint64_t centralOffset = 0;         // where the central directory starts
    FileBytes central;                  // the central directory's bytes as stored
    std::vector<CentralRecord> records; // in stored order
    std::string comment;                // the archive comment's bytes as stored

    std::string_view Record(size_t i) const {
        return central.View().substr(records[i].begin, records[i].length);
    }
};

// Reads the archive open on fd. An empty file is an archive without
// entries. False, with the reason in error, for a file that is no zip
// archive, one split over several files, or one whose records are damaged.
bool ReadZipDirectory(int fd, ZipDirectory &directory, std::string &error);

} // namespace writer

#endif
