// Facts about the archive file on disk, and keeping its permissions and
// owner across a rewrite.
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

} // namespace writer

#endif
