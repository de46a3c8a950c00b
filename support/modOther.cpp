#include "support/modOther.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/ProgramSearch.h"
#include "support/CaseBlind.h"

#include <cstring>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace {

bool IsHiddenName(std::string_view sName) {
    return !sName.empty() && sName[0] == '.';
}

bool IsRegularFile(const std::string &sPath) {
    struct stat st {};
    return stat(sPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Length in bytes of the UTF-8 character that starts at s[lPos].
size_t CharLength(std::string_view s, size_t lPos) {
    size_t lLength = 1;
    while (lPos + lLength < s.size() &&
           (static_cast<unsigned char>(s[lPos + lLength]) & 0xC0) == 0x80) {
        ++lLength;
    }
    return lLength;
}

// Matches a name against a pattern in which "*" stands for any run of characters and
// "?" for exactly one; every other character stands for itself.
bool WildMatch(std::string_view sPattern, std::string_view sName) {
    size_t p = 0;
    size_t n = 0;
    size_t lStarAt = std::string_view::npos;
    size_t lStarName = 0;
    while (n < sName.size()) {
        if (p < sPattern.size() && sPattern[p] == '*') {
            lStarAt = p++;
            lStarName = n;
        } else if (p < sPattern.size() && sPattern[p] == '?') {
            ++p;
            n += CharLength(sName, n);
        } else if (p < sPattern.size() && sPattern[p] == sName[n]) {
            ++p;
            ++n;
        } else if (lStarAt != std::string_view::npos) {
            p = lStarAt + 1;
            lStarName += CharLength(sName, lStarName);
            n = lStarName;
        } else {
            return false;
        }
    }
    while (p < sPattern.size() && sPattern[p] == '*') {
        ++p;
    }
    return p == sPattern.size();
}

std::string JoinPath(const std::string &sFolder, std::string_view sName) {
    return sFolder == "/" ? "/" + std::string(sName) : sFolder + "/" + std::string(sName);
}

bool AnyFileMatches(const std::string &sFolder, std::string_view sPattern) {
    DIR *pDir = opendir(sFolder.c_str());
    if (pDir == nullptr) {
        return false;
    }
    bool bFound = false;
    while (const dirent *pEntry = readdir(pDir)) {
        std::string_view sName = pEntry->d_name;
        if (!IsHiddenName(sName) && WildMatch(sPattern, sName) &&
            IsRegularFile(JoinPath(sFolder, sName))) {
            bFound = true;
            break;
        }
    }
    closedir(pDir);
    return bFound;
}

// The spelling on disk of sPart inside sFolder: the exact name when it exists, else the
// first (in byte order) of the names that match without regard to case; empty when none.
std::string NameOnDisk(const std::string &sFolder, const std::string &sPart) {
    struct stat st {};
    if (lstat(JoinPath(sFolder, sPart).c_str(), &st) == 0) {
        return sPart;
    }
    DIR *pDir = opendir(sFolder.c_str());
    if (pDir == nullptr) {
        return {};
    }
    std::string sBest;
    while (const dirent *pEntry = readdir(pDir)) {
        std::string sName = pEntry->d_name;
        if (SameCaseBlind(sName, sPart) && (sBest.empty() || sName < sBest)) {
            sBest = sName;
        }
    }
    closedir(pDir);
    return sBest;
}

} // namespace

std::int16_t FileExists(const std::string &sPath) {
    try {
        if (sPath.empty()) {
            return 0;
        }
        std::string::size_type lSlash = sPath.rfind('/');
        std::string sFolder = lSlash == std::string::npos ? "."
                              : lSlash == 0               ? "/"
                                                          : sPath.substr(0, lSlash);
        std::string sName = lSlash == std::string::npos ? sPath : sPath.substr(lSlash + 1);
        if (sName.empty()) {
            return 0;
        }
        if (sName.find_first_of("*?") == std::string::npos) {
            return (!IsHiddenName(sName) && IsRegularFile(sPath)) ? 1 : 0;
        }
        return AnyFileMatches(sFolder, sName) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

std::string GetLongFileName(const std::string &sPath) {
    if (sPath.empty() || sPath[0] != '/') {
        return {};
    }
    std::string sLong = "/";
    size_t lStart = 1;
    while (lStart <= sPath.size()) {
        size_t lSlash = sPath.find('/', lStart);
        if (lSlash == std::string::npos) {
            lSlash = sPath.size();
        }
        std::string sPart = sPath.substr(lStart, lSlash - lStart);
        lStart = lSlash + 1;
        if (sPart.empty()) {
            continue; // "//" and a trailing "/"
        }
        std::string sName;
        if (sPart == "." || sPart == "..") {
            if (!FolderExists(sLong)) {
                return {};
            }
            sName = sPart;
        } else {
            sName = NameOnDisk(sLong, sPart);
            if (sName.empty()) {
                return {};
            }
        }
        sLong = JoinPath(sLong, sName);
    }
    // A path written with a trailing "/" names a folder; given without it, the folder's
    // long form is joined with "/" by the caller.
    if (sPath.size() > 1 && sPath.back() == '/' && !FolderExists(sLong)) {
        return {};
    }
    return sLong;
}

std::string GetWinPath() {
    return FolderOnPathHolding("xdg-open");
}
