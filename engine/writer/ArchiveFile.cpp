#include "engine/writer/ArchiveFile.h"

#include "engine/common/EngineMessages.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

bool WriteAll(int fd, const uint8_t *data, size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
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

bool WriteEmptyArchive(const std::string &path, const std::string &comment,
                       const ArchiveFacts &before, std::string &error) {
    const size_t commentLength = std::min<size_t>(comment.size(), 0xFFFF);
    // End of central directory record: no entries, directory of size 0 at offset 0.
    std::vector<uint8_t> record(22 + commentLength, 0);
    const uint8_t signature[4] = {0x50, 0x4B, 0x05, 0x06};
    std::memcpy(record.data(), signature, 4);
    record[20] = static_cast<uint8_t>(commentLength & 0xFF);
    record[21] = static_cast<uint8_t>(commentLength >> 8);
    std::memcpy(record.data() + 22, comment.data(), commentLength);

    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = engine::ErrnoText(errno);
        return false;
    }
    bool ok = WriteAll(fd, record.data(), record.size()) && fsync(fd) == 0;
    if (!ok)
        error = engine::ErrnoText(errno);
    if (close(fd) != 0 && ok) {
        ok = false;
        error = engine::ErrnoText(errno);
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = engine::ErrnoText(errno);
    }
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    RestoreArchiveMode(path, before);
    return true;
}

} // namespace writer
