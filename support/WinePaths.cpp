#include "support/WinePaths.h"

#include "platform/os/AtomicFile.h"
#include "support/modOther.h"

#include <cstdlib>
#include <vector>

namespace wine {

namespace {

// The parts of the path below the drive, with "." and ".." applied as Windows applies
// them: by name, before anything is looked up.
std::vector<std::string> PartsBelowDrive(const std::string &sBelow) {
    std::vector<std::string> parts;
    std::string sPart;
    for (size_t i = 0; i <= sBelow.size(); ++i) {
        if (i < sBelow.size() && sBelow[i] != '\\' && sBelow[i] != '/') {
            sPart += sBelow[i];
            continue;
        }
        if (sPart == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!sPart.empty() && sPart != ".") {
            parts.push_back(sPart);
        }
        sPart.clear();
    }
    return parts;
}

// The real folder that a drive's link leads to; empty, with the reason, when none.
std::string DriveFolder(const std::string &sPrefix, char cDrive, std::string &sProblem) {
    const std::string sDrive = std::string(1, cDrive) + ":";
    const std::string sLink = GetLongFileName(sPrefix + "/dosdevices/" + sDrive);
    if (sLink.empty()) {
        sProblem = "the prefix has no drive " + std::string(1, static_cast<char>(cDrive - 32)) +
                   ": (no dosdevices/" + sDrive + ")";
        return {};
    }
    char *pReal = realpath(sLink.c_str(), nullptr);
    if (pReal == nullptr || !FolderExists(pReal)) {
        std::free(pReal);
        sProblem = sLink + " leads to no folder";
        return {};
    }
    std::string sReal(pReal);
    std::free(pReal);
    return sReal;
}

} // namespace

PrefixFolder FolderInPrefix(const std::string &sPrefix, const std::string &sWindowsPath) {
    PrefixFolder found;
    std::string sPath = sWindowsPath;
    // The long-path form "\\?\C:\..." names the same folder.
    if (sPath.rfind("\\\\?\\", 0) == 0) {
        sPath.erase(0, 4);
    }
    const char cLetter = sPath.empty() ? '\0' : sPath[0];
    const bool bLetter = (cLetter >= 'a' && cLetter <= 'z') || (cLetter >= 'A' && cLetter <= 'Z');
    if (sPath.size() < 2 || !bLetter || sPath[1] != ':' ||
        (sPath.size() > 2 && sPath[2] != '\\' && sPath[2] != '/')) {
        found.sProblem = "\"" + sWindowsPath + "\" is not a full path on a drive";
        return found;
    }
    const char cDrive = static_cast<char>(cLetter | 0x20);
    std::string sFolder = DriveFolder(sPrefix, cDrive, found.sProblem);
    if (sFolder.empty()) {
        return found;
    }
    for (const std::string &sPart : PartsBelowDrive(sPath.substr(2))) {
        sFolder += (sFolder == "/" ? "" : "/") + sPart;
    }
    const std::string sLong = GetLongFileName(sFolder);
    if (sLong.empty()) {
        found.sProblem = sFolder + " does not exist";
    } else if (!FolderExists(sLong)) {
        found.sProblem = sLong + " is not a folder";
    } else {
        found.sFolder = sLong;
    }
    return found;
}

} // namespace wine
