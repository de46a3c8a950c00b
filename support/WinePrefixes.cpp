#include "support/WinePrefixes.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/UserFolders.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace wine {

namespace {

// The path made absolute against the current folder, without a trailing "/".
std::string Absolute(std::string sPath) {
    if (!sPath.empty() && sPath[0] != '/') {
        char *pCurrent = getcwd(nullptr, 0);
        if (pCurrent == nullptr) {
            return {};
        }
        sPath = std::string(pCurrent) + "/" + sPath;
        std::free(pCurrent);
    }
    while (sPath.size() > 1 && sPath.back() == '/') {
        sPath.pop_back();
    }
    return sPath;
}

// The folders inside sParent (not hidden), in name order.
std::vector<std::string> SubFolders(const std::string &sParent) {
    std::vector<std::string> folders;
    DIR *pDir = opendir(sParent.c_str());
    if (pDir == nullptr) {
        return folders;
    }
    while (const dirent *pEntry = readdir(pDir)) {
        std::string sName = pEntry->d_name;
        if (!sName.empty() && sName[0] != '.' && FolderExists(sParent + "/" + sName)) {
            folders.push_back(sParent + "/" + sName);
        }
    }
    closedir(pDir);
    std::sort(folders.begin(), folders.end());
    return folders;
}

class PrefixList {
public:
    // Adds sFolder unless it, or the folder it leads to, is listed already.
    void Add(const std::string &sFolder, const std::string &sSource) {
        if (sFolder.empty()) {
            return;
        }
        char *pReal = realpath(sFolder.c_str(), nullptr);
        std::string sIdentity = pReal != nullptr ? pReal : sFolder;
        std::free(pReal);
        if (std::find(m_identities.begin(), m_identities.end(), sIdentity) != m_identities.end()) {
            return;
        }
        m_identities.push_back(sIdentity);
        m_prefixes.push_back(Prefix{sFolder, sSource});
    }

    // Adds each folder inside sParent that holds a registry file.
    void AddLauncherPrefixes(const std::string &sParent, const std::string &sSource) {
        for (const std::string &sFolder : SubFolders(sParent)) {
            if (PathExists(sFolder + "/system.reg")) {
                Add(sFolder, sSource);
            }
        }
    }

    std::vector<Prefix> Take() { return std::move(m_prefixes); }

private:
    std::vector<std::string> m_identities;
    std::vector<Prefix> m_prefixes;
};

} // namespace

std::vector<Prefix> PrefixesToSearch() {
    PrefixList list;
    const char *pWinePrefix = std::getenv("WINEPREFIX");
    if (pWinePrefix != nullptr && pWinePrefix[0] != '\0' && FolderExists(pWinePrefix)) {
        list.Add(Absolute(pWinePrefix), "$WINEPREFIX");
    }
    const std::string sHome = HomeFolder();
    if (!sHome.empty() && FolderExists(sHome + "/.wine")) {
        list.Add(sHome + "/.wine", "~/.wine");
    }
    if (!sHome.empty()) {
        list.AddLauncherPrefixes(sHome + "/Games", "Lutris");
    }
    // Bottles keeps its bottles in the user's data folder, which may be set elsewhere.
    const std::string sData = DataHome();
    if (!sData.empty()) {
        list.AddLauncherPrefixes(sData + "/bottles/bottles", "Bottles");
    }
    if (!sHome.empty()) {
        list.AddLauncherPrefixes(sHome + "/.local/share/bottles/bottles", "Bottles");
        list.AddLauncherPrefixes(sHome + "/.var/app/com.usebottles.bottles/data/bottles/bottles",
                                 "Bottles (Flatpak)");
        list.AddLauncherPrefixes(sHome + "/.PlayOnLinux/wineprefix", "PlayOnLinux");
    }
    return list.Take();
}

std::string SystemRegistryFile(const Prefix &prefix) {
    return prefix.sFolder + "/system.reg";
}

} // namespace wine
