// Facts about the archive file on disk, and what the engine does to the
// file itself beyond libzip: keeping its permissions and owner across a
// rewrite, and writing an archive that has no entries left.
#ifndef KEPLO_ENGINE_WRITER_ARCHIVE_FILE_H
#define KEPLO_ENGINE_WRITER_ARCHIVE_FILE_H

#include <string>
#include <sys/types.h>

namespace writer {

struct ArchiveFacts {
    bool exists = false;
    bool regular = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    dev_t device = 0;
    ino_t inode = 0;
};

ArchiveFacts InspectArchive(const std::string &path);

// After the archive was replaced: gives it back the permissions (and, when
// we may, the owner) the old file had. A new archive gets 0666 less the
// process's file-creation mask, as any newly created file would.
void RestoreArchiveMode(const std::string &path, const ArchiveFacts &before);

// Replaces the archive by one without entries, keeping its comment, through
// a temporary file beside it that is renamed over it only once complete.
// libzip would delete the file instead. False with error set on failure.
bool WriteEmptyArchive(const std::string &path, const std::string &comment,
                       const ArchiveFacts &before, std::string &error);

} // namespace writer

#endif
