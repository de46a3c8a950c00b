// An archive's entries as the engine's own reader of the central directory
// gives them, for listing, and for extracting an archive that libzip
// refuses only for the loose extra fields of some of its entries.
//
// Open checks the whole directory before anything is reported: the end
// records, every record, and that the records fill the directory exactly
// and number what the end records count, which is what libzip checks too.
// ForEach then reads it again, one record at a time, so a listing holds a
// window of the directory, never the whole of it.
#ifndef KEPLO_ENGINE_READER_ARCHIVE_DIRECTORY_H
#define KEPLO_ENGINE_READER_ARCHIVE_DIRECTORY_H

#include "engine/common/CentralDirectory.h"
#include "engine/reader/ArchiveEntry.h"

#include <functional>
#include <string>

namespace engine {

class ArchiveDirectory {
public:
    ArchiveDirectory() = default;
    ~ArchiveDirectory();
    ArchiveDirectory(const ArchiveDirectory &) = delete;
    ArchiveDirectory &operator=(const ArchiveDirectory &) = delete;

    // False, with the reason in error, when the file cannot be read or its
    // directory is not sound.
    bool Open(const char *path, std::string &error);

    uint64_t Entries() const { return m_end.entries; }
    uint64_t FileSize() const { return m_end.fileSize; }
    int Fd() const { return m_fd; }
    // Some entry's extra fields end in bytes that are not whole sub-fields.
    bool HasLooseExtraFields() const { return m_looseExtra; }
    // The file's tail holds more than one end record signature: libzip may
    // take another one, or none.
    bool Ambiguous() const { return m_ambiguous; }

    // Calls visit for every entry in the directory's order (index counts
    // from 0); stops early when visit returns false. False, with the reason
    // in error, when the file can no longer be read as it was.
    bool ForEach(const std::function<bool(ArchiveEntry &)> &visit, std::string &error) const;

private:
    bool Check(std::string &error);

    int m_fd = -1;
    EndFacts m_end;
    bool m_looseExtra = false;
    bool m_ambiguous = false;
};

} // namespace engine

#endif
