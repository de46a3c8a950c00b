// The options in force for the zip engine: a deep copy of the record handed
// to ZpSetOptions (the caller frees its strings right after the call), and
// the same options read as the engine uses them.
#ifndef KEPLO_ENGINE_WRITER_WRITER_OPTIONS_H
#define KEPLO_ENGINE_WRITER_WRITER_OPTIONS_H

#include "engine/include/PakEngine.h"

#include <optional>
#include <string>

namespace writer {

// What one ZpArchive call does, decoded from the record.
struct PackOptions {
    std::string rootFolder;       // "" or blank: the current folder
    bool encrypt = false;         // encrypt every entry written
    bool hiddenFiles = false;     // take names starting with "." too
    bool folderEntries = false;   // store an entry per folder ("sub/")
    bool dropFolderNames = false; // entry names are bare file names
    bool deleteEntries = false;   // remove matching entries instead of adding
    bool onlyIfNewer = false;     // add new files, replace older entries
    bool freshen = false;         // only replace older entries, add nothing
    bool recurse = false;         // look into every sub-folder
    bool quiet = false;           // message level 0: report only failures
};

class StoredOptions {
public:
    StoredOptions();

    // Keeps a copy of the record and of every text it points to.
    void Set(const ZipOptionsRecord &record);
    // Fills the record with the options in force; its texts point to
    // strings that this object owns and keeps until the next Set.
    void Get(ZipOptionsRecord &record) const;

    PackOptions Decode() const;

private:
    ZipOptionsRecord m_record;
    std::optional<std::string> m_text0;
    std::optional<std::string> m_rootFolder;
    std::optional<std::string> m_text8;
};

} // namespace writer

#endif
