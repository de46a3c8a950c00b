#include "support/FileSteps.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

void RemoveFile(const std::string &sPath) {
    // unlink never takes a folder, and one call is all a file costs.
    ::unlink(sPath.c_str());
}

void DeleteLooseFiles(const std::string &sFolder) {
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(sFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string sName = it->path().filename().string();
        std::error_code typeError;
        if (!sName.empty() && sName.front() != '.' && !it->is_directory(typeError))
            files.push_back(it->path());
    }
    for (const fs::path &file : files) {
        std::error_code removeError;
        fs::remove(file, removeError);
    }
}

void RemoveFolder(const std::string &sFolder) {
    std::error_code error;
    if (fs::symlink_status(sFolder, error).type() != fs::file_type::directory)
        return;
    // remove() takes a folder only when it is empty.
    fs::remove(sFolder, error);
}
