#include "platform/os/ProgramFolder.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/UserFolders.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsWritableFolder(const std::string &sPath) {
    struct stat st {};
    return stat(sPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           access(sPath.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::string ProgramFolder() {
    char sBuffer[PATH_MAX];
    ssize_t lLength = readlink("/proc/self/exe", sBuffer, sizeof sBuffer);
    if (lLength <= 0 || static_cast<size_t>(lLength) >= sizeof sBuffer) {
        return {};
    }
    std::string sExe(sBuffer, static_cast<size_t>(lLength));
    std::string::size_type lSlash = sExe.rfind('/');
    if (lSlash == std::string::npos) {
        return {};
    }
    // A program in the root folder lies in "/", which has no form without the "/".
    return lSlash == 0 ? std::string("/") : sExe.substr(0, lSlash);
}

std::string PrivateLibraryFolder() {
    const std::string sFolder = ProgramFolder();
    if (sFolder.empty()) {
        return {};
    }
    const std::string::size_type lSlash = sFolder.rfind('/');
    const std::string sParent = lSlash == 0 ? std::string() : sFolder.substr(0, lSlash);
    return sParent + "/lib/keplo";
}

bool IsInstalledCopy() {
    const std::string sLibraries = PrivateLibraryFolder();
    return !sLibraries.empty() && FolderExists(sLibraries);
}

std::string DefaultWorkFolder() {
    std::string sFolder = ProgramFolder();
    if (!sFolder.empty() && !IsInstalledCopy()) {
        std::string sTemp = (sFolder == "/" ? std::string() : sFolder) + "/temp";
        // An installed copy may ship a writable temp folder in a read-only program folder.
        if (IsWritableFolder(sTemp) || IsWritableFolder(sFolder)) {
            return sTemp;
        }
    }
    std::string sData = DataHome();
    if (sData.empty()) {
        return sFolder.empty() ? std::string() : sFolder + "/temp";
    }
    return sData + "/Keplo/temp";
}
