#include "editor/ListedEntries.h"

#include "editor/ExtractSnapshot.h"
#include "editor/FileTypes.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

void ListedEntries::Reserve(std::size_t lEntries, std::size_t lNameBytes) {
    m_entries.reserve(lEntries);
    m_names.reserve(lNameBytes);
}

void ListedEntries::Add(std::string_view sFolder, std::string_view sName) {
    // A zip archive's names are at most 65,535 bytes long, folders included.
    if (sName.size() > std::numeric_limits<std::uint16_t>::max())
        throw std::length_error("entry name too long");
    // Entries mostly come folder by folder: the last entry's folder is tried first.
    std::uint32_t lFolder;
    if (!m_entries.empty() && Folder(m_entries.size() - 1) == sFolder) {
        lFolder = m_entries.back().lFolder;
    } else if (const auto known = m_folderNumbers.find(sFolder); known != m_folderNumbers.end()) {
        lFolder = known->second;
    } else {
        lFolder = static_cast<std::uint32_t>(m_folders.size());
        m_folders.emplace_back(sFolder);
        m_folderNumbers.emplace(m_folders.back(), lFolder);
    }
    m_entries.push_back({m_names.size(), lFolder, static_cast<std::uint16_t>(sName.size()),
                         static_cast<std::uint8_t>(TreeIconNumberOfName(sName))});
    m_names.append(sName);
}

std::string_view ListedEntries::Name(std::size_t lEntry) const {
    const Entry &entry = m_entries[lEntry];
    return std::string_view(m_names).substr(entry.lNameStart, entry.nNameLength);
}

std::string_view ListedEntries::Folder(std::size_t lEntry) const {
    return m_folders[m_entries[lEntry].lFolder];
}

std::optional<std::uint32_t> ListedEntries::FolderNumberOf(std::string_view sText) const {
    const auto found = m_folderNumbers.find(sText);
    if (found == m_folderNumbers.end())
        return std::nullopt;
    return found->second;
}

std::string ListedEntries::Line(std::size_t lEntry) const {
    const std::string_view sFolder = Folder(lEntry);
    const std::string_view sName = Name(lEntry);
    std::string sLine;
    sLine.reserve(sFolder.size() + 1 + sName.size());
    sLine.append(sFolder).append(1, '\\').append(sName);
    return sLine;
}

QStringList ListedEntries::Lines() const {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(Count()));
    for (std::size_t i = 0; i < Count(); ++i)
        lines << TreeText(Line(i));
    return lines;
}

std::optional<std::string> ListedEntries::Path(std::size_t lEntry) const {
    return EntryPath(Line(lEntry));
}

std::vector<std::string> ListedEntries::Paths() const {
    std::vector<std::string> paths;
    paths.reserve(Count());
    for (std::size_t i = 0; i < Count(); ++i)
        if (std::optional<std::string> sPath = Path(i))
            paths.push_back(std::move(*sPath));
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

std::size_t ListedEntries::Find(std::string_view sPath) const {
    // The same text with "\" for "/": the separators of a line.
    std::string sLine(sPath);
    std::replace(sLine.begin(), sLine.end(), '/', '\\');
    const std::size_t lSeparator = sLine.rfind('\\');
    const std::string_view sFolder =
        lSeparator == std::string::npos ? std::string_view() : std::string_view(sLine).substr(0, lSeparator);
    const std::string_view sName = lSeparator == std::string::npos
                                       ? std::string_view(sLine)
                                       : std::string_view(sLine).substr(lSeparator + 1);
    const std::optional<std::uint32_t> lFolder = FolderNumberOf(sFolder);
    if (!lFolder)
        return npos;
    for (std::size_t i = 0; i < Count(); ++i)
        if (m_entries[i].lFolder == *lFolder && Name(i) == sName)
            return i;
    return npos;
}

QString ListedEntries::TreeText(std::string_view sText) {
    return QString::fromUtf8(sText.data(), static_cast<qsizetype>(sText.size()));
}
