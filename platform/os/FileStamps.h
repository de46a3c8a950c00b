// What the file system says about a file without reading it (its size, times, inode
// and device), the file system's own clock, and a walk over a folder tree: enough to
// tell later whether a file may have been changed since it was looked at.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A time stamp of the file system, to the nanosecond.
struct StampTime {
    std::int64_t lSeconds = 0;
    std::int64_t lNanoseconds = 0;

    bool operator==(const StampTime &) const = default;
    bool operator<(const StampTime &other) const {
        return lSeconds != other.lSeconds ? lSeconds < other.lSeconds
                                          : lNanoseconds < other.lNanoseconds;
    }
    bool operator>(const StampTime &other) const { return other < *this; }
    // This time moved by lNanoseconds (which may be negative).
    StampTime Plus(std::int64_t lNanoseconds) const;
};

enum class StampKind : std::uint8_t {
    Missing, // nothing there, or it could not be looked at
    Regular, // a regular file
    Folder,
    Link,  // a symbolic link (never followed)
    Other, // a pipe, device or socket
};

struct FileStamp {
    StampKind eKind = StampKind::Missing;
    std::int64_t lSize = 0;
    StampTime tModified;
    StampTime tChanged; // the inode's change time, which no program can set back
    std::uint64_t lInode = 0;
    std::uint64_t lDevice = 0;

    bool operator==(const FileStamp &) const = default;
};

// The stamp of sPath itself, or with bFollowLink of what a link there leads to.
FileStamp StampOf(const std::string &sPath, bool bFollowLink = false);
// The stamp of sName in the open folder nFolderFd (a link is not followed). When it
// reads Missing, errno says why (ENOENT: nothing there).
FileStamp StampIn(int nFolderFd, const char *sName);

// "Now" on the clock of the file system that holds sFolder: the change time of a
// hidden file made there for the purpose and removed at once. Being the file
// system's own stamp, it compares with its files' stamps even when that clock is
// another machine's. Nothing when no file can be made there.
std::optional<StampTime> FileSystemNow(const std::string &sFolder);

// How far apart two change times of the file system that holds sFolder must be to
// be told apart, in nanoseconds: the kernel's clock tick on the local file systems
// that keep nanosecond stamps, a second where stamps turn out to hold whole seconds.
// Nothing for any other file system (network, FAT, FUSE), whose stamps are not
// trusted to show every change.
std::optional<std::int64_t> ChangeTimeGranularity(const std::string &sFolder);

// One item met by WalkFolderTree.
struct FolderItem {
    int nFolderFd;                // the open folder that holds it: use with StampIn
    const std::string &sRelative; // its path below the root, "/" between parts
    const char *sName;            // its name in that folder
    StampKind eKind;              // Regular, Folder, Link or Other
};

// Called for every item of a folder; for a folder, true walks into it.
using FolderVisitor = std::function<bool(const FolderItem &)>;

// Visits every item below sRoot, depth first, in the order the folders list them;
// links are reported and never followed. False when sRoot or a folder walked into
// could not be read (what could be read is still visited).
bool WalkFolderTree(const std::string &sRoot, const FolderVisitor &visit);
