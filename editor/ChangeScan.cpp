#include "editor/ChangeScan.h"

#include <QUtf8StringView>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <set>
#include <unistd.h>

namespace {

std::string_view FolderOf(std::string_view sPath) {
    const std::size_t lSlash = sPath.rfind('/');
    return lSlash == std::string_view::npos ? std::string_view() : sPath.substr(0, lSlash);
}

// What the zip engine cannot be handed as a file specification that names exactly
// this file: its own separator, or a name it would refuse.
bool UsableAsSpecification(const std::string &sRelative) {
    return sRelative.find('\\') == std::string::npos &&
           QUtf8StringView(sRelative.data(), static_cast<qsizetype>(sRelative.size()))
               .isValidUtf8();
}

} // namespace

ChangeScan::ChangeScan(ExtractSnapshot snapshot) : m_snapshot(std::move(snapshot)) {
    std::map<std::string, std::vector<std::size_t>, std::less<>> byFolder;
    std::set<std::string, std::less<>> folders{std::string()};
    for (std::size_t i = 0; i < m_snapshot.entries.size(); ++i) {
        std::string_view sFolder = FolderOf(m_snapshot.entries[i].sPath);
        byFolder[std::string(sFolder)].push_back(i);
        while (!sFolder.empty() && folders.emplace(sFolder).second)
            sFolder = FolderOf(sFolder);
    }
    for (auto &[sFolder, indexes] : byFolder)
        m_byFolder.push_back({sFolder, std::move(indexes)});
    m_sFolders.assign(folders.begin(), folders.end());
}

std::size_t ChangeScan::Find(std::string_view sPath) const {
    const auto &entries = m_snapshot.entries;
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), sPath,
        [](const SnapshotEntry &entry, std::string_view s) { return entry.sPath < s; });
    if (found == entries.end() || found->sPath != sPath)
        return npos;
    return static_cast<std::size_t>(found - entries.begin());
}

std::vector<ChangeScan::EntryState>
ChangeScan::EntryStates(const std::vector<bool> *pWanted) const {
    std::vector<EntryState> states(m_snapshot.entries.size(), EntryState::NotLooked);
    auto wanted = [pWanted](std::size_t i) { return !pWanted || (*pWanted)[i]; };
    for (const FolderEntries &folder : m_byFolder)
        if (std::any_of(folder.entryIndexes.begin(), folder.entryIndexes.end(), wanted))
            LookAtFolder(folder, wanted, states);
    return states;
}

template <class Wanted>
void ChangeScan::LookAtFolder(const FolderEntries &folder, const Wanted &wanted,
                              std::vector<EntryState> &states) const {
    const std::string sFolder = folder.sFolder.empty()
                                    ? m_snapshot.sSubFolder
                                    : m_snapshot.sSubFolder + "/" + folder.sFolder;
    // One open folder for all its files spares looking up its path for each; it is
    // opened only as a place to look things up in, which costs the least.
    const int nFd = open(sFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    // A folder that is gone took its files with it; one that cannot be opened
    // hides whether they changed.
    const EntryState eUnreachable =
        nFd < 0 && errno != ENOENT && errno != ENOTDIR ? EntryState::Odd : EntryState::Gone;
    const std::size_t lNameAt = folder.sFolder.empty() ? 0 : folder.sFolder.size() + 1;
    for (const std::size_t i : folder.entryIndexes) {
        if (!wanted(i))
            continue;
        if (nFd < 0) {
            states[i] = eUnreachable;
            continue;
        }
        const SnapshotEntry &entry = m_snapshot.entries[i];
        const FileStamp now = StampIn(nFd, entry.sPath.c_str() + lNameAt);
        switch (now.eKind) {
        case StampKind::Missing:
            // Only a name that is not there is gone; one that may not be looked
            // at could be anything.
            states[i] = errno == ENOENT || errno == ENOTDIR ? EntryState::Gone : EntryState::Odd;
            break;
        case StampKind::Regular:
            states[i] =
                m_snapshot.Unchanged(entry, now) ? EntryState::Untouched : EntryState::Changed;
            break;
        case StampKind::Folder:
            states[i] = EntryState::NowFolder;
            break;
        default:
            states[i] = EntryState::Odd;
            break;
        }
    }
    if (nFd >= 0)
        close(nFd);
}

std::vector<bool> ChangeScan::ChangedEntries(const std::vector<bool> *pWanted) const {
    const std::vector<EntryState> states = EntryStates(pWanted);
    std::vector<bool> changed(states.size(), false);
    for (std::size_t i = 0; i < states.size(); ++i)
        changed[i] = states[i] == EntryState::Changed || states[i] == EntryState::Odd;
    return changed;
}

bool ChangeScan::HiddenItemTaken(const std::string &sRelative) const {
    const auto &entries = m_snapshot.entries;
    const auto below = std::lower_bound(
        entries.begin(), entries.end(), sRelative,
        [](const SnapshotEntry &entry, const std::string &s) { return entry.sPath < s; });
    if (below == entries.end())
        return false;
    if (below->sPath == sRelative)
        return true;
    // The first path after sRelative + "/" starts with it when anything lies below.
    const auto inside = std::lower_bound(
        below, entries.end(), sRelative + "/",
        [](const SnapshotEntry &entry, const std::string &s) { return entry.sPath < s; });
    return inside != entries.end() && inside->sPath.starts_with(sRelative + "/");
}

ChangeScan::SaveFiles ChangeScan::FilesToSave() const {
    SaveFiles result;
    auto take = [&result](const std::string &sRelative) {
        if (UsableAsSpecification(sRelative))
            result.files.push_back(sRelative);
        else
            result.bComplete = false;
    };
    // The files Extract left: what their stamps say.
    const std::vector<EntryState> states = EntryStates(nullptr);
    for (std::size_t i = 0; i < states.size(); ++i) {
        const SnapshotEntry &entry = m_snapshot.entries[i];
        if (states[i] == EntryState::Odd)
            result.bComplete = false;
        else if (states[i] == EntryState::Changed && entry.stamp.eKind == StampKind::Regular)
            take(entry.sPath);
    }
    // Everything else below the folder that "*" takes is added; the folder's
    // listing tells it without looking at any file.
    const bool bAllRead = WalkFolderTree(m_snapshot.sSubFolder, [&](const FolderItem &item) {
        if (item.sName[0] == '.' && !HiddenItemTaken(item.sRelative))
            return false;
        switch (item.eKind) {
        case StampKind::Folder:
            return true;
        case StampKind::Regular: {
            const std::size_t i = Find(item.sRelative);
            if (i == npos || m_snapshot.entries[i].stamp.eKind != StampKind::Regular)
                take(item.sRelative);
            return false;
        }
        default:
            // Links and special files: what the engine makes of them is for it to say.
            result.bComplete = false;
            return false;
        }
    });
    if (!bAllRead)
        result.bComplete = false;
    return result;
}
