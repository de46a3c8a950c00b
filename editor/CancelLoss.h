// What Cancel would throw away of the user's work in an archive sub-folder: the
// files changed or added since Extract among those it removes (the entries' files,
// and the files directly in the sub-folder and in the folders the tree shows as
// categories). Extract's snapshot tells changed files from untouched ones without
// reading them; without one, nothing can be told apart.
#pragma once

#include <cstddef>
#include <string>

class ListedEntries;

struct CancelLoss {
    // False when there is no snapshot of the folder: every file Cancel removes may
    // hold an edit.
    bool bKnown = true;
    // The files changed or added since Extract; without a snapshot, every file that
    // Cancel removes.
    std::size_t nFiles = 0;
};

// Looks at sSubFolder, unpacked from an archive whose entries are entries, as Cancel
// would remove it. Reads no file's contents.
CancelLoss FilesCancelThrowsAway(const std::string &sSubFolder, const ListedEntries &entries);
