#include "engine/writer/EntryIndex.h"

#include "engine/common/EntryPath.h"

#include <algorithm>

namespace writer {

namespace {

// True for a name made of parts that are neither empty, "." nor "..",
// with "/" alone between them and no drive letter: the reader keeps it as
// it is.
bool IsPlainName(std::string_view name) {
    if (name.empty() || name[0] == '/' || name.find('\\') != std::string_view::npos ||
        (name.size() >= 2 && name[1] == ':'))
        return false;
    for (size_t start = 0;;) {
        const size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == name.size())
            return true;
        start = end + 1;
    }
}

bool LooksHidden(std::string_view key) {
    return key.rfind('.', 0) == 0 || key.find("/.") != std::string_view::npos;
}

} // namespace

std::string_view EntryKey(std::string_view storedName, std::string &storage) {
    if (IsPlainName(storedName))
        return storedName;
    std::vector<std::string> parts;
    storage.clear();
    if (engine::SplitEntryPath(storedName, parts) != engine::PathVerdict::Safe)
        return std::string_view();
    for (const std::string &part : parts) {
        if (!storage.empty())
            storage.push_back('/');
        storage += part;
    }
    return storage;
}

bool IsFolderName(std::string_view name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

EntryIndex::EntryIndex(const std::vector<ExistingEntry> &entries) {
    m_files.reserve(entries.size());
    std::string storage;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string_view key = EntryKey(entries[i].name, storage);
        if (key.empty())
            continue;
        if (key.data() == storage.data())
            key = m_keys.emplace_back(storage); // a deque keeps its strings in place
        if (IsFolderName(entries[i].name)) {
            m_folders.push_back(key);
            continue;
        }
        m_files.emplace_back(key, i);
        if (LooksHidden(key))
            m_hidden.emplace(key);
    }
    std::sort(m_files.begin(), m_files.end());
    std::sort(m_folders.begin(), m_folders.end());
}

std::vector<size_t> EntryIndex::FilesAt(std::string_view key) const {
    std::vector<size_t> places;
    auto at = std::lower_bound(m_files.begin(), m_files.end(), std::make_pair(key, size_t{0}));
    for (; at != m_files.end() && at->first == key; ++at)
        places.push_back(at->second);
    return places;
}

bool EntryIndex::HasFolder(std::string_view key) const {
    return std::binary_search(m_folders.begin(), m_folders.end(), key);
}

} // namespace writer
