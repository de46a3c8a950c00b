// The entries of a listed archive, in archive order: the window's entry list. Each
// entry is kept once and compactly: its folder (every distinct folder text is kept
// once), its file name in one shared block of text, and the icon number the tree
// gives its type (none for the hidden types). Texts are UTF-8, exactly as the unzip
// component reports them; folders keep their "\" separators.
//
// The entry-list line of an entry is its folder, "\", then its file name; the path
// of its unpacked file below the archive sub-folder is that line with "/" between
// folders.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ListedEntries {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    ListedEntries() = default;
    // Moved, never copied: the folder index points into the folder texts.
    ListedEntries(ListedEntries &&) = default;
    ListedEntries &operator=(ListedEntries &&) = default;
    ListedEntries(const ListedEntries &) = delete;
    ListedEntries &operator=(const ListedEntries &) = delete;

    // Appends one entry: sFolder exactly as the listing reports it ("\" between
    // folders, empty at the archive's root), sName its file name.
    void Add(std::string_view sFolder, std::string_view sName);
    void Reserve(std::size_t lEntries, std::size_t lNameBytes);

    std::size_t Count() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }

    std::string_view Name(std::size_t lEntry) const;
    std::string_view Folder(std::size_t lEntry) const;
    // The number of the entry's folder among the distinct folders (0, 1, ... in the
    // order they first occur).
    std::uint32_t FolderNumber(std::size_t lEntry) const { return m_entries[lEntry].lFolder; }
    // The icon number of the entry's type (TreeIcon in FileTypes.h); 0 for the hidden
    // types, which the tree leaves out.
    int IconNumber(std::size_t lEntry) const { return m_entries[lEntry].nIcon; }
    bool Shown(std::size_t lEntry) const { return m_entries[lEntry].nIcon != 0; }

    std::size_t FolderCount() const { return m_folders.size(); }
    std::string_view FolderText(std::uint32_t lFolder) const { return m_folders[lFolder]; }
    // The number of the folder whose text is exactly sText; nothing when no entry lies
    // in such a folder.
    std::optional<std::uint32_t> FolderNumberOf(std::string_view sText) const;

    // The entry-list line: folder + "\" + file name.
    std::string Line(std::size_t lEntry) const;
    // Every line, in archive order.
    QStringList Lines() const;
    // The path of the entry's unpacked file below the archive sub-folder ("/" between
    // folders); nothing for one that climbs out of it or names a folder.
    std::optional<std::string> Path(std::size_t lEntry) const;
    // The paths of every entry's unpacked file, sorted, each once.
    std::vector<std::string> Paths() const;

    // The entry whose line or path is sPath ("\" or "/" between folders, as Path gives
    // it or as the line reads), the first in archive order; npos when none is. It
    // looks at every entry.
    std::size_t Find(std::string_view sPath) const;

    // A name or folder as the tree shows it.
    static QString TreeText(std::string_view sText);

private:
    struct Entry {
        std::uint64_t lNameStart;
        std::uint32_t lFolder;
        std::uint16_t nNameLength;
        std::uint8_t nIcon;
    };

    std::vector<Entry> m_entries;
    std::string m_names; // every file name, one after the other
    // Every distinct folder text, and its number by text; the deque keeps the texts
    // where they are as it grows, so the map's keys stay valid.
    std::deque<std::string> m_folders;
    std::unordered_map<std::string_view, std::uint32_t> m_folderNumbers;
};
