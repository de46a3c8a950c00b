#include "engine/writer/ArchiveFile.h"

#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace writer {

namespace {

// The process's file-creation mask, read without changing it (umask() would
// change it for every thread of the caller for a moment).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

} // namespace

ArchiveFacts InspectArchive(const std::string &path) {
    ArchiveFacts facts;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return facts;
    facts.exists = true;
    facts.regular = S_ISREG(info.st_mode);
    facts.mode = info.st_mode & 07777;
    facts.owner = info.st_uid;
    facts.group = info.st_gid;
    facts.device = info.st_dev;
    facts.inode = info.st_ino;
    return facts;
}

void RestoreArchiveMode(const std::string &path, const ArchiveFacts &before) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return;
    const mode_t wanted = before.exists ? before.mode : (0666 & ~CurrentUmask());
    if ((info.st_mode & 07777) != wanted)
        chmod(path.c_str(), wanted);
    if (before.exists && geteuid() == 0 &&
        (info.st_uid != before.owner || info.st_gid != before.group)) {
        if (chown(path.c_str(), before.owner, before.group) != 0) {
            // Not ours to insist on: the archive is complete either way.
        }
    }
}

} // namespace writer
