#include "editor/UnpackedFiles.h"

#include <QStringList>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::optional<std::string> PathBelow(const std::string &sFolder, const QString &sText) {
    QString sRelative = sText;
    sRelative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString &sPart : sRelative.split(QLatin1Char('/')))
        if (sPart == QLatin1String(".."))
            return std::nullopt;
    while (sRelative.startsWith(QLatin1Char('/')))
        sRelative.remove(0, 1);
    return sFolder + "/" + sRelative.toStdString();
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
