#include "platform/os/ProgramSearch.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string SearchPath() {
    if (const char *sPath = std::getenv("PATH"))
        return sPath;
    const size_t lLength = confstr(_CS_PATH, nullptr, 0);
    if (lLength == 0)
        return {};
    std::vector<char> aBuffer(lLength);
    confstr(_CS_PATH, aBuffer.data(), lLength);
    return aBuffer.data();
}

bool IsExecutableFile(const std::string &sPath) {
    struct stat st {};
    return stat(sPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(sPath.c_str(), X_OK) == 0;
}

} // namespace

std::string FolderOnPathHolding(const std::string &sName) {
    if (sName.empty() || sName.find('/') != std::string::npos)
        return {};
    const std::string sSearch = SearchPath();
    size_t lStart = 0;
    while (lStart <= sSearch.size()) {
        size_t lColon = sSearch.find(':', lStart);
        if (lColon == std::string::npos)
            lColon = sSearch.size();
        std::string sFolder = sSearch.substr(lStart, lColon - lStart);
        lStart = lColon + 1;
        if (sFolder.empty() || sFolder[0] != '/')
            continue;
        while (sFolder.size() > 1 && sFolder.back() == '/')
            sFolder.pop_back();
        if (IsExecutableFile((sFolder == "/" ? std::string() : sFolder) + "/" + sName))
            return sFolder;
    }
    return {};
}
