// The entries of the archive being updated by the path the reader would
// extract each to, so that a file being packed finds the entry it replaces
// (names compared as the reader extracts them: "\" counts as "/", "." and
// empty parts are ignored).
#ifndef KEPLO_ENGINE_WRITER_ENTRY_INDEX_H
#define KEPLO_ENGINE_WRITER_ENTRY_INDEX_H

#include "engine/writer/ExistingArchive.h"

#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace writer {

// The key under which the reader would extract an entry: its safe parts
// joined by "/"; empty for a name the reader refuses. The key is the name
// itself for nearly every name; otherwise storage holds it.
std::string_view EntryKey(std::string_view storedName, std::string &storage);

bool IsFolderName(std::string_view name);

class EntryIndex {
public:
    EntryIndex() = default;
    explicit EntryIndex(const std::vector<ExistingEntry> &entries);

    // The file entries under this key, in the archive's order.
    std::vector<size_t> FilesAt(std::string_view key) const;
    bool HasFolder(std::string_view key) const;
    // The keys of file entries with a part starting with ".": files that
    // belong to the archive although they look hidden on disk.
    const std::set<std::string> &HiddenKeys() const { return m_hidden; }

private:
    std::deque<std::string> m_keys; // keys that are not the stored name itself
    std::vector<std::pair<std::string_view, size_t>> m_files; // by key, then place
    std::vector<std::string_view> m_folders;                  // sorted
    std::set<std::string> m_hidden;
};

} // namespace writer

#endif
