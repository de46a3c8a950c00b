// What Extract unpacked, as the file system saw it right afterwards: for every file
// of the entry list its size, both times, inode and device. Later, a file that still
// shows exactly these, stamped clearly before the snapshot was taken, cannot have been
// written since; every other file may have been. Keplo keeps the snapshot of each
// archive sub-folder in its state folder until Save or Cancel, so it outlives a
// restart as the unpacked files do.
#pragma once

#include "platform/os/FileStamps.h"

#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SnapshotEntry {
    std::string sPath; // below the archive sub-folder, "/" between parts
    FileStamp stamp;   // Missing when Extract left no regular file there
};

struct ExtractSnapshot {
    std::string sSubFolder;
    FileStamp archive;         // the archive file as it was when it was unpacked
    StampTime tTaken;          // the file system's time just before the files were looked at
    std::int64_t lGranularity; // nanoseconds between change times it can tell apart
    std::vector<SnapshotEntry> entries; // sorted by path, each path once

    // True only when now shows a regular file whose size, both times, inode and
    // device all equal the snapshot's and whose change time lies more than the
    // granularity before the snapshot: an edit in the snapshot's own instant could
    // otherwise leave every stamp as it was.
    bool Unchanged(const SnapshotEntry &entry, const FileStamp &now) const;
};

// The path below the archive sub-folder of the file that an entry-list line (or a
// node's folder, "\" and its text) names, as the file system spells it: "/"
// between parts, empty and "." parts left out. Nothing for a line that climbs out
// of the folder or names a folder. The line in UTF-8.
std::optional<std::string> EntryPath(std::string_view sLine);

// Takes the snapshot of the files at sPaths below sSubFolder, once their change
// times lie clearly in the past on the file system's own clock (that is a matter of
// milliseconds). Nothing when that file system's stamps cannot be relied on.
std::optional<ExtractSnapshot> TakeExtractSnapshot(const std::string &sSubFolder,
                                                   const FileStamp &archive,
                                                   std::vector<std::string> sPaths);

// Called once the snapshot's time is fixed and before any file is looked at: lets
// tests change files in the snapshot's own instant. Null (the default) does nothing.
using SnapshotHook = void (*)(const std::string &sSubFolder);
void SetSnapshotHookForTests(SnapshotHook pHook);
