// The archive being updated: its raw records, so that untouched entries are
// carried over byte for byte, and its entries as the reader sees them, to
// match them with the files being packed.
//
// Names are decoded from the records by the engine's common reader, the
// way the reader lists them (code page 437, Unicode path fields). Only an
// archive whose comment is neither ASCII nor UTF-8, or a record that reader
// finds damaged, is opened with libzip as well, which then names its
// entries and comment as it always did.
#ifndef KEPLO_ENGINE_WRITER_EXISTING_ARCHIVE_H
#define KEPLO_ENGINE_WRITER_EXISTING_ARCHIVE_H

#include "engine/common/HeapPrefault.h"
#include "engine/writer/ZipDirectory.h"

#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace writer {

struct ExistingEntry {
    std::string_view name; // as the reader gives it, UTF-8; the archive keeps it
    uint64_t size = 0;
    uint32_t crc = 0;
    std::optional<time_t> exactTime; // from an extended-timestamp field
    uint16_t dosDate = 0, dosTime = 0;

    // Only the update modes that compare times need it: turning a DOS time
    // into seconds costs a time zone conversion per entry.
    time_t Modified() const;
};

class ExistingArchive {
public:
    ExistingArchive() = default;
    ~ExistingArchive();
    ExistingArchive(const ExistingArchive &) = delete;
    ExistingArchive &operator=(const ExistingArchive &) = delete;

    // ENGINE_OK, or the EngineResult code of the failure with the reason
    // in error.
    int32_t Open(const std::string &path, std::string &error);

    int Fd() const { return m_fd; }
    const ZipDirectory &Directory() const { return m_directory; }
    // In the order of the directory's records.
    const std::vector<ExistingEntry> &Entries() const { return m_entries; }
    // The archive comment as the comment call-back is shown it.
    const std::string &CommentText() const { return m_comment; }

    // Whether the update may go ahead without making an entry it keeps
    // (fates as a rewrite takes them) less readable. unzip checks an entry
    // whose local header holds no name (an empty name, or a name missing
    // there) against the name it read last: the previous entry's local
    // name, or, for the first of each 64 entries, the last central name of
    // those 64. Such an entry that passes that check now may fail it once
    // entries are added or removed, so the update must leave the archive
    // alone. False with the reason in error.
    bool KeptEntriesStayCheckable(const std::vector<int64_t> &fates, std::string &error) const;

private:
    // The name in entry i's local header; false when it cannot be read.
    bool LocalName(size_t i, std::string &name) const;

public:

private:
    bool ReadEntries();
    int32_t ReadThroughLibzip(const std::string &path, std::string &error);

    int m_fd = -1;
    ZipDirectory m_directory;
    engine::HeapPrefault m_prefault;
    std::vector<ExistingEntry> m_entries;
    std::deque<std::string> m_decodedNames; // names libzip gave, in place for the views
    std::string m_comment;
};

} // namespace writer

#endif
