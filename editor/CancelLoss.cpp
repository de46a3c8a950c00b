#include "editor/CancelLoss.h"

#include "editor/ChangeScan.h"
#include "editor/ExtractSnapshot.h"
#include "editor/ListedEntries.h"
#include "editor/SnapshotFile.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The folders whose loose files Cancel deletes, below the sub-folder: the sub-folder
// itself ("") and the folder of every entry the tree shows.
std::set<std::string> EmptiedFolders(const ListedEntries &entries) {
    std::set<std::string> folders{std::string()};
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        if (!entries.Shown(i))
            continue;
        // A folder that climbs out of the sub-folder is never touched.
        if (const std::optional<std::string> sFolder = EntryPath(entries.Folder(i)))
            folders.insert(*sFolder);
    }
    return folders;
}

bool IsRegularFile(const fs::path &path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() == fs::file_type::regular;
}

} // namespace

CancelLoss FilesCancelThrowsAway(const std::string &sSubFolder, const ListedEntries &listed) {
    const std::vector<std::string> entries = listed.Paths();
    CancelLoss loss;
    // Files the user put beside the unpacked ones, where Cancel deletes them too.
    for (const std::string &sFolder : EmptiedFolders(listed)) {
        const fs::path folder =
            sFolder.empty() ? fs::path(sSubFolder) : fs::path(sSubFolder) / sFolder;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string sName = it->path().filename().string();
            const std::string sRelative = sFolder.empty() ? sName : sFolder + "/" + sName;
            if (!sName.starts_with('.') && IsRegularFile(it->path()) &&
                !std::binary_search(entries.begin(), entries.end(), sRelative))
                ++loss.nFiles;
        }
    }
    if (std::optional<ExtractSnapshot> snapshot = LoadExtractSnapshot(sSubFolder)) {
        const std::vector<bool> changed = ChangeScan(std::move(*snapshot)).ChangedEntries();
        loss.nFiles += static_cast<std::size_t>(std::count(changed.begin(), changed.end(), true));
        return loss;
    }
    loss.bKnown = false;
    for (const std::string &sEntry : entries)
        if (IsRegularFile(fs::path(sSubFolder) / sEntry))
            ++loss.nFiles;
    return loss;
}
