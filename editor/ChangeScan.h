// What changed in an archive sub-folder since Extract, told from its snapshot
// without reading any file: the entries' files that may have been written since,
// for the tree's marks, and everything Save must hand the zip component.
#pragma once

#include "editor/ExtractSnapshot.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ChangeScan {
public:
    explicit ChangeScan(ExtractSnapshot snapshot);

    const ExtractSnapshot &Snapshot() const { return m_snapshot; }
    // The index of the snapshot's entry at sPath, or npos.
    std::size_t Find(std::string_view sPath) const;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Per entry of the snapshot: true when something is there that may have been
    // written since Extract; false for a file clearly untouched, and for one that is
    // gone or has become a folder.
    // With wanted, only the entries it sets are looked at; the others read false.
    std::vector<bool> ChangedEntries(const std::vector<bool> *pWanted = nullptr) const;

    // The folders that hold the entries' files and every folder between them and the
    // archive sub-folder, as paths below it ("" for the sub-folder itself).
    const std::vector<std::string> &Folders() const { return m_sFolders; }

    // What a Save must write for the sub-folder to be packed as "*" packs it.
    struct SaveFiles {
        // False when the folder holds something a list of files cannot stand for
        // exactly (a link, a special file, a folder that cannot be read, a name
        // that is not UTF-8 or that holds "\"): "*" must then decide.
        bool bComplete = true;
        // The changed entries' files and the added files that "*" takes, below the
        // sub-folder, in the order the folders list them.
        std::vector<std::string> files;
    };
    SaveFiles FilesToSave() const;

private:
    enum class EntryState : std::uint8_t {
        NotLooked, // not wanted
        Gone,      // nothing there (its folder included)
        Untouched, // clearly the file Extract left
        Changed,   // a regular file that may have been written since
        NowFolder, // a folder where the file was
        Odd,       // a link, a special file, or a folder that cannot be read
    };
    struct FolderEntries;

    std::vector<EntryState> EntryStates(const std::vector<bool> *pWanted) const;
    template <class Wanted>
    void LookAtFolder(const FolderEntries &folder, const Wanted &wanted,
                      std::vector<EntryState> &states) const;

    // Whether a walk over the folder takes the item at sRelative whose own name
    // starts with ".": as the zip engine does, only when an entry lies there or below.
    bool HiddenItemTaken(const std::string &sRelative) const;

    struct FolderEntries {
        std::string sFolder;                   // below the sub-folder
        std::vector<std::size_t> entryIndexes; // the snapshot's entries directly in it
    };

    ExtractSnapshot m_snapshot;
    std::vector<FolderEntries> m_byFolder;
    std::vector<std::string> m_sFolders;
};
