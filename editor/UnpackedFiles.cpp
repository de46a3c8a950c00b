#include "editor/UnpackedFiles.h"

#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::optional<std::string> PathBelow(const std::string &sFolder, std::string_view sText) {
    std::string sPath = sFolder + "/";
    const std::size_t lRelative = sPath.size();
    sPath.append(sText);
    std::replace(sPath.begin() + static_cast<std::ptrdiff_t>(lRelative), sPath.end(), '\\', '/');
    for (std::size_t lStart = lRelative; lStart <= sPath.size();) {
        std::size_t lEnd = sPath.find('/', lStart);
        if (lEnd == std::string::npos)
            lEnd = sPath.size();
        if (std::string_view(sPath).substr(lStart, lEnd - lStart) == "..")
            return std::nullopt;
        lStart = lEnd + 1;
    }
    const std::size_t lFirst = sPath.find_first_not_of('/', lRelative);
    sPath.erase(lRelative, (lFirst == std::string::npos ? sPath.size() : lFirst) - lRelative);
    return sPath;
}

std::optional<std::string> PathBelow(const std::string &sFolder, const QString &sText) {
    return PathBelow(sFolder, std::string_view(sText.toStdString()));
}

void MakeOwnerWritable(const std::string &sPath) {
    std::error_code error;
    if (fs::symlink_status(sPath, error).type() != fs::file_type::regular)
        return;
    fs::permissions(sPath, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
}

namespace {

// Removes the empty folders below folder; true when folder itself is empty now.
bool EmptyFoldersRemoved(const fs::path &folder) {
    std::error_code error;
    bool bEmpty = true;
    std::vector<fs::path> subFolders;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_symlink(typeError) || !it->is_directory(typeError))
            bEmpty = false;
        else
            subFolders.push_back(it->path());
    }
    if (error)
        return false;
    for (const fs::path &subFolder : subFolders) {
        std::error_code removeError;
        if (!EmptyFoldersRemoved(subFolder) || !fs::remove(subFolder, removeError))
            bEmpty = false;
    }
    return bEmpty;
}

} // namespace

void RemoveEmptyFolders(const std::string &sFolder) {
    std::error_code error;
    if (fs::symlink_status(sFolder, error).type() != fs::file_type::directory)
        return;
    if (EmptyFoldersRemoved(sFolder))
        fs::remove(sFolder, error);
}
