#include "platform/os/FileStamps.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

StampTime FromTimespec(const timespec &t) {
    return {static_cast<std::int64_t>(t.tv_sec), static_cast<std::int64_t>(t.tv_nsec)};
}

StampKind KindOf(mode_t lMode) {
    if (S_ISREG(lMode))
        return StampKind::Regular;
    if (S_ISDIR(lMode))
        return StampKind::Folder;
    if (S_ISLNK(lMode))
        return StampKind::Link;
    return StampKind::Other;
}

FileStamp FromStat(const struct stat &st) {
    FileStamp stamp;
    stamp.eKind = KindOf(st.st_mode);
    stamp.lSize = static_cast<std::int64_t>(st.st_size);
    stamp.tModified = FromTimespec(st.st_mtim);
    stamp.tChanged = FromTimespec(st.st_ctim);
    stamp.lInode = static_cast<std::uint64_t>(st.st_ino);
    stamp.lDevice = static_cast<std::uint64_t>(st.st_dev);
    return stamp;
}

// File systems (statfs magic numbers) that stamp every change of an inode with the
// kernel's clock to the nanosecond.
bool KeepsNanosecondStamps(long lType) {
    switch (static_cast<unsigned long>(lType) & 0xFFFFFFFFul) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // xfs
    case 0x9123683E: // btrfs
    case 0x01021994: // tmpfs
    case 0xF2F52010: // f2fs
    case 0x794C7630: // overlay
    case 0x2FC12FC1: // zfs
    case 0xCA451A4E: // bcachefs
        return true;
    default:
        return false;
    }
}

struct DirCloser {
    void operator()(DIR *pDir) const { closedir(pDir); }
};

bool WalkFolder(int nFolderFd, const std::string &sRelative, const FolderVisitor &visit) {
    DIR *pDir = fdopendir(nFolderFd);
    if (pDir == nullptr) {
        close(nFolderFd);
        return false;
    }
    std::unique_ptr<DIR, DirCloser> dir(pDir);
    bool bAllRead = true;
    std::string sItem;
    for (;;) {
        errno = 0;
        const dirent *pEntry = readdir(pDir);
        if (pEntry == nullptr) {
            if (errno != 0)
                bAllRead = false;
            break;
        }
        const char *sName = pEntry->d_name;
        if (sName[0] == '.' && (sName[1] == '\0' || (sName[1] == '.' && sName[2] == '\0')))
            continue;
        StampKind eKind;
        switch (pEntry->d_type) {
        case DT_REG:
            eKind = StampKind::Regular;
            break;
        case DT_DIR:
            eKind = StampKind::Folder;
            break;
        case DT_LNK:
            eKind = StampKind::Link;
            break;
        case DT_UNKNOWN:
            eKind = StampIn(dirfd(pDir), sName).eKind;
            if (eKind == StampKind::Missing)
                continue; // gone while we looked
            break;
        default:
            eKind = StampKind::Other;
            break;
        }
        sItem.assign(sRelative);
        if (!sItem.empty())
            sItem.push_back('/');
        sItem.append(sName);
        if (!visit(FolderItem{dirfd(pDir), sItem, sName, eKind}) || eKind != StampKind::Folder)
            continue;
        const int nSubFd =
            openat(dirfd(pDir), sName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (nSubFd < 0) {
            bAllRead = false;
            continue;
        }
        // sItem is reused by the loop: the folder's own path goes down as a copy.
        if (!WalkFolder(nSubFd, std::string(sItem), visit))
            bAllRead = false;
    }
    return bAllRead;
}

} // namespace

StampTime StampTime::Plus(std::int64_t lDelta) const {
    std::int64_t lSec = lSeconds + lDelta / kNanosecondsPerSecond;
    std::int64_t lNsec = lNanoseconds + lDelta % kNanosecondsPerSecond;
    if (lNsec < 0) {
        lNsec += kNanosecondsPerSecond;
        --lSec;
    } else if (lNsec >= kNanosecondsPerSecond) {
        lNsec -= kNanosecondsPerSecond;
        ++lSec;
    }
    return {lSec, lNsec};
}

FileStamp StampOf(const std::string &sPath, bool bFollowLink) {
    struct stat st {};
    if ((bFollowLink ? stat(sPath.c_str(), &st) : lstat(sPath.c_str(), &st)) != 0)
        return {};
    return FromStat(st);
}

FileStamp StampIn(int nFolderFd, const char *sName) {
    struct stat st {};
    if (fstatat(nFolderFd, sName, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return FromStat(st);
}

std::optional<StampTime> FileSystemNow(const std::string &sFolder) {
    static std::atomic<unsigned> s_nProbe{0};
    const std::string sProbe =
        sFolder + "/.keplo-clock-" + std::to_string(getpid()) + "-" + std::to_string(s_nProbe++);
    const int nFd = open(sProbe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (nFd < 0)
        return std::nullopt;
    struct stat st {};
    const bool bStamped = fstat(nFd, &st) == 0;
    close(nFd);
    unlink(sProbe.c_str());
    if (!bStamped)
        return std::nullopt;
    return FromTimespec(st.st_ctim);
}

std::optional<std::int64_t> ChangeTimeGranularity(const std::string &sFolder) {
    struct statfs fs {};
    if (statfs(sFolder.c_str(), &fs) != 0 || !KeepsNanosecondStamps(fs.f_type))
        return std::nullopt;
    // ext2 and ext3 made with small inodes keep whole seconds only; a stamp just
    // taken that falls exactly on a second is the sign of that.
    const std::optional<StampTime> tNow = FileSystemNow(sFolder);
    if (!tNow)
        return std::nullopt;
    if (tNow->lNanoseconds == 0)
        return kNanosecondsPerSecond;
    // Inodes are stamped from the kernel's coarse clock, which moves once per tick.
    timespec tick{};
    if (clock_getres(CLOCK_REALTIME_COARSE, &tick) != 0)
        return std::nullopt;
    const std::int64_t lTick = static_cast<std::int64_t>(tick.tv_sec) * kNanosecondsPerSecond +
                               static_cast<std::int64_t>(tick.tv_nsec);
    return std::max<std::int64_t>(lTick, 1);
}

bool WalkFolderTree(const std::string &sRoot, const FolderVisitor &visit) {
    const int nFd = open(sRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd < 0)
        return false;
    return WalkFolder(nFd, std::string(), visit);
}
