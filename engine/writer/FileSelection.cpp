#include "engine/writer/FileSelection.h"

#include "engine/common/EngineMessages.h"
#include "engine/common/Wildcard.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace writer {

namespace {

std::vector<std::string> SplitParts(const std::string &path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

struct DirCloser {
    void operator()(DIR *dir) const { closedir(dir); }
};

class Walker {
public:
    Walker(const PackOptions &options, const std::string &root,
           const std::vector<std::string> &specs, const ExcludedFile &archive,
           const std::set<std::string> &hiddenEntries, Selection &out)
        : m_options(options), m_root(root), m_specs(specs), m_archive(archive),
          m_hiddenEntries(hiddenEntries), m_out(out) {
        char resolved[PATH_MAX];
        if (realpath(root.c_str(), resolved) != nullptr)
            m_realRoot = resolved;
    }

    // Walks one folder; true when anything at or below it was selected.
    bool Walk(const std::string &fullFolder, const std::string &relativeFolder, bool wholeTree) {
        std::unique_ptr<DIR, DirCloser> dir(opendir(fullFolder.c_str()));
        if (!dir) {
            const std::string why = engine::ErrnoText(errno);
            if (relativeFolder.empty())
                m_out.failure = "cannot read the folder " + fullFolder + ": " + why;
            else
                m_out.skipped.push_back(relativeFolder + " (cannot read the folder: " + why + ")");
            return false;
        }
        std::vector<std::string> names;
        while (dirent *entry = readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        dir.reset();
        std::sort(names.begin(), names.end());

        bool anySelected = false;
        for (const std::string &name : names) {
            const std::string relative = relativeFolder + name;
            const std::string full = fullFolder + "/" + name;
            if (name[0] == '.' && !m_options.hiddenFiles && !NamedExactly(relative) &&
                !HoldsArchiveEntry(relative, name))
                continue;
            struct stat info {};
            if (lstat(full.c_str(), &info) != 0)
                continue; // vanished while we looked
            if (S_ISLNK(info.st_mode)) {
                if (!FollowLink(full, relative, name, wholeTree, info))
                    continue;
            }
            if (S_ISDIR(info.st_mode)) {
                anySelected |= VisitFolder(full, relative, name, wholeTree);
            } else if (Matches(relative, name, wholeTree)) {
                anySelected |= AddFile(full, relative, name, info);
            }
        }
        return anySelected;
    }

private:
    // True when the archive has an entry under this path (a file) or below it
    // (a folder).
    bool HoldsArchiveEntry(const std::string &relative, const std::string &name) const {
        if (m_hiddenEntries.empty())
            return false;
        if (m_hiddenEntries.count(m_options.dropFolderNames ? name : relative) != 0)
            return true;
        const std::string folder = relative + "/";
        const auto below = m_hiddenEntries.lower_bound(folder);
        return below != m_hiddenEntries.end() && below->compare(0, folder.size(), folder) == 0;
    }

    bool NamedExactly(const std::string &relative) const {
        return std::find(m_specs.begin(), m_specs.end(), relative) != m_specs.end();
    }

    bool SpecMatches(const std::string &spec, const std::string &relative,
                     const std::string &name) const {
        const bool hasFolder = spec.find('/') != std::string::npos;
        if (hasFolder || !m_options.recurse)
            return engine::WildcardMatch(spec, relative, false);
        return engine::WildcardMatch(spec, name, false);
    }

    bool Matches(const std::string &relative, const std::string &name, bool wholeTree) const {
        if (wholeTree)
            return true;
        for (const std::string &spec : m_specs)
            if (SpecMatches(spec, relative, name))
                return true;
        return false;
    }

    // Notes which specifications took something, to name those that did not.
    void MarkMatched(const std::string &relative, const std::string &name) {
        for (size_t i = 0; i < m_specs.size(); ++i)
            if (!m_out.specMatched[i] &&
                (SpecMatches(m_specs[i], relative, name) || m_specs[i] == relative))
                m_out.specMatched[i] = true;
    }

    // Only the folders that a specification may take something in are
    // walked: all of them when recursing with a specification that matches
    // names in every folder, else those that the folder parts of a
    // specification lead into (a whole tree named exactly is walked too).
    bool MayLeadInto(const std::string &relativeFolder) const {
        if (m_options.recurse &&
            std::any_of(m_specs.begin(), m_specs.end(), [](const std::string &spec) {
                return spec.find('/') == std::string::npos;
            }))
            return true;
        const std::vector<std::string> folder = SplitParts(relativeFolder);
        for (const std::string &spec : m_specs) {
            const std::vector<std::string> parts = SplitParts(spec);
            if (parts.size() <= folder.size())
                continue;
            bool all = true;
            for (size_t i = 0; i < folder.size() && all; ++i)
                all = engine::WildcardMatch(parts[i], folder[i], false);
            if (all)
                return true;
        }
        return false;
    }

    bool VisitFolder(const std::string &full, const std::string &relative, const std::string &name,
                     bool wholeTree) {
        const bool matched = Matches(relative, name, wholeTree);
        // A folder named exactly takes its whole tree when recursing.
        const bool takesTree = wholeTree || (m_options.recurse && NamedExactly(relative));
        const size_t folderPosition = m_out.items.size();
        bool below = false;
        if (takesTree || MayLeadInto(relative))
            below = Walk(full, relative + "/", takesTree);
        if (m_options.folderEntries && !m_options.dropFolderNames && (matched || below)) {
            SelectedItem folder;
            folder.isFolder = true;
            folder.relativePath = relative + "/";
            folder.entryName = folder.relativePath;
            folder.fullPath = full;
            struct stat info {};
            if (stat(full.c_str(), &info) == 0) {
                folder.modified = info.st_mtim;
                folder.mode = info.st_mode;
            }
            if (IsValidUtf8(folder.entryName))
                m_out.items.insert(
                    m_out.items.begin() + static_cast<std::ptrdiff_t>(folderPosition), folder);
        }
        if (matched || takesTree)
            MarkMatched(relative, name);
        return matched || below;
    }

    bool AddFile(const std::string &full, const std::string &relative, const std::string &name,
                 const struct stat &info) {
        if (!S_ISREG(info.st_mode)) {
            m_out.skipped.push_back(relative + " (not a regular file)");
            return false;
        }
        if (m_archive.exists && info.st_dev == m_archive.device && info.st_ino == m_archive.inode)
            return false; // the archive itself
        SelectedItem file;
        file.relativePath = relative;
        file.entryName = m_options.dropFolderNames ? name : relative;
        file.fullPath = full;
        file.size = static_cast<uint64_t>(info.st_size);
        file.modified = info.st_mtim;
        file.mode = info.st_mode;
        if (!IsValidUtf8(file.entryName)) {
            m_out.skipped.push_back(relative + " (the name is not valid UTF-8)");
            return false;
        }
        if (!m_takenNames.insert(file.entryName).second) {
            m_out.skipped.push_back(relative + " (another file already takes the name " +
                                    file.entryName + ")");
            return false;
        }
        m_out.items.push_back(std::move(file));
        MarkMatched(relative, name);
        return true;
    }

    // Replaces info by what the link leads to; false when the link is skipped.
    bool FollowLink(const std::string &full, const std::string &relative, const std::string &name,
                    bool wholeTree, struct stat &info) {
        char resolved[PATH_MAX];
        const bool inside = !m_realRoot.empty() && realpath(full.c_str(), resolved) != nullptr &&
                            std::string(resolved).rfind(m_realRoot + "/", 0) == 0;
        if (!inside) {
            if (Matches(relative, name, wholeTree))
                m_out.skipped.push_back(
                    relative + " (a symbolic link that leads out of the folder or nowhere)");
            return false;
        }
        if (stat(resolved, &info) != 0)
            return false;
        if (S_ISDIR(info.st_mode)) {
            if (Matches(relative, name, wholeTree))
                m_out.skipped.push_back(relative +
                                        " (a symbolic link to a folder is not followed)");
            return false;
        }
        return true;
    }

    const PackOptions &m_options;
    std::string m_root;
    std::string m_realRoot;
    const std::vector<std::string> &m_specs;
    ExcludedFile m_archive;
    const std::set<std::string> &m_hiddenEntries;
    Selection &m_out;
    std::set<std::string> m_takenNames;
};

} // namespace

std::string NormaliseSpecification(const std::string &spec) {
    std::string result;
    result.reserve(spec.size());
    for (char c : spec)
        result.push_back(c == '\\' ? '/' : c);
    while (result.rfind("./", 0) == 0)
        result.erase(0, 2);
    while (!result.empty() && result.back() == '/')
        result.pop_back();
    // Collapse doubled separators so that "a//b" names the same as "a/b".
    std::string collapsed;
    for (char c : result)
        if (!(c == '/' && !collapsed.empty() && collapsed.back() == '/'))
            collapsed.push_back(c);
    return collapsed;
}

Selection SelectFiles(const PackOptions &options, const std::string &rootFolder,
                      const std::vector<std::string> &specifications, const ExcludedFile &archive,
                      const std::set<std::string> &hiddenEntries) {
    Selection selection;
    selection.specMatched.assign(specifications.size(), false);
    Walker walker(options, rootFolder, specifications, archive, hiddenEntries, selection);
    walker.Walk(rootFolder, std::string(), false);
    return selection;
}

bool IsValidUtf8(const std::string &text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            value = c & 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        // Reject overlong forms, surrogates and values past Unicode's end.
        if ((length == 2 && value < 0x80) || (length == 3 && value < 0x800) ||
            (length == 4 && value < 0x10000) || value > 0x10FFFF ||
            (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace writer
