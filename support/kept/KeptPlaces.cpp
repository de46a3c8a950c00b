#include "support/kept/KeptPlaces.h"

#include "platform/os/UserFolders.h"
#include "support/Utf8.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <locale>
#include <sys/stat.h>

namespace {

std::string LastPart(std::string sPath) {
    while (sPath.size() > 1 && sPath.back() == '/')
        sPath.pop_back();
    const std::string::size_type lSlash = sPath.rfind('/');
    return lSlash == std::string::npos ? sPath : sPath.substr(lSlash + 1);
}

std::string FolderPart(const std::string &sPath) {
    const std::string::size_type lSlash = sPath.rfind('/');
    if (lSlash == std::string::npos)
        return ".";
    return lSlash == 0 ? std::string("/") : sPath.substr(0, lSlash);
}

std::string RealPath(const std::string &sPath) {
    char *sReal = realpath(sPath.c_str(), nullptr);
    if (!sReal)
        return {};
    std::string sResult(sReal);
    std::free(sReal);
    return sResult;
}

std::uint64_t Fnv1a(const std::string &sText) {
    std::uint64_t lHash = 0xcbf29ce484222325ull;
    for (const char c : sText) {
        lHash ^= static_cast<unsigned char>(c);
        lHash *= 0x100000001b3ull;
    }
    return lHash;
}

// The next code point of UTF-8 text, or the byte itself where the text is not UTF-8.
std::uint32_t NextCodePoint(const std::string &sText, std::size_t &lAt) {
    const auto b0 = static_cast<unsigned char>(sText[lAt]);
    std::size_t nMore = 0;
    std::uint32_t lCode = b0;
    if (b0 >= 0xC0 && b0 < 0xE0) {
        nMore = 1;
        lCode = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 < 0xF0) {
        nMore = 2;
        lCode = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 < 0xF8) {
        nMore = 3;
        lCode = b0 & 0x07u;
    }
    if (nMore == 0 || lAt + nMore >= sText.size()) {
        ++lAt;
        return b0;
    }
    for (std::size_t i = 1; i <= nMore; ++i) {
        const auto b = static_cast<unsigned char>(sText[lAt + i]);
        if ((b & 0xC0) != 0x80) {
            ++lAt;
            return b0;
        }
        lCode = (lCode << 6) | (b & 0x3Fu);
    }
    lAt += nMore + 1;
    return lCode;
}

// The lower case of code points beyond ASCII, from the C library's Unicode tables
// (C.UTF-8); ASCII alone where those are missing.
const std::ctype<wchar_t> *UnicodeCase() {
    static const std::ctype<wchar_t> *s_pCase = []() -> const std::ctype<wchar_t> * {
        try {
            static const std::locale s_locale("C.UTF-8");
            return &std::use_facet<std::ctype<wchar_t>>(s_locale);
        } catch (...) {
            return nullptr;
        }
    }();
    return s_pCase;
}

} // namespace

std::string KeptPlace::FileName() const {
    return LastPart(sKey);
}

std::string KeptPlace::Folder() const {
    return FolderPart(ArchivePath());
}

std::string KeptRoot() {
    const std::string sData = DataHome();
    return sData.empty() || sData == "/.local/share" ? std::string() : sData + "/Keplo/kept";
}

std::string GameKeptName(const std::string &sGameFolder) {
    // Every spelling of the game's folder (through links, say) names one kept folder.
    const std::string sReal = RealPath(sGameFolder);
    std::string sFolder = sReal.empty() ? sGameFolder : sReal;
    while (sFolder.size() > 1 && sFolder.back() == '/')
        sFolder.pop_back();
    std::string sName = LastPart(sFolder);
    // The name is only a help to the eye: anything odd in it becomes "_".
    for (char &c : sName)
        if (c == '.' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    if (sName.empty() || sName == "/")
        sName = "game";
    char sHash[17];
    std::snprintf(sHash, sizeof sHash, "%016llx", static_cast<unsigned long long>(Fnv1a(sFolder)));
    return sName + "-" + sHash;
}

bool IsKeptKey(const std::string &sKey) {
    if (sKey.rfind("GameData/", 0) != 0)
        return false;
    int nParts = 0;
    std::string::size_type lStart = 0;
    for (;;) {
        const std::string::size_type lEnd = sKey.find('/', lStart);
        const std::string sPart = sKey.substr(lStart, lEnd - lStart);
        if (sPart.empty() || sPart == "." || sPart == ".." ||
            sPart.find('\0') != std::string::npos)
            return false;
        ++nParts;
        if (lEnd == std::string::npos)
            break;
        lStart = lEnd + 1;
    }
    return nParts == 3;
}

std::optional<std::string> KeptKeyOf(const std::string &sGameFolder,
                                     const std::string &sArchivePath) {
    if (sGameFolder.empty() || sArchivePath.empty())
        return std::nullopt;
    const std::string sGameData = RealPath(sGameFolder + "/GameData");
    if (sGameData.empty())
        return std::nullopt;
    // The archive's folder by its own name, when it lies in GameData (a mod's folder may
    // be a link to another disk); else wherever the path leads.
    const std::string sFolder = FolderPart(sArchivePath);
    struct stat st {};
    if (RealPath(FolderPart(sFolder)) == sGameData && stat(sFolder.c_str(), &st) == 0 &&
        S_ISDIR(st.st_mode)) {
        const std::string sKey = "GameData/" + LastPart(sFolder) + "/" + LastPart(sArchivePath);
        if (IsKeptKey(sKey))
            return sKey;
    }
    const std::string sReal = RealPath(sFolder);
    if (sReal.empty() || FolderPart(sReal) != sGameData)
        return std::nullopt;
    const std::string sKey = "GameData/" + LastPart(sReal) + "/" + LastPart(sArchivePath);
    if (!IsKeptKey(sKey))
        return std::nullopt;
    return sKey;
}

std::string FoldNameCase(const std::string &sText) {
    const std::ctype<wchar_t> *pCase = UnicodeCase();
    std::string sFolded;
    sFolded.reserve(sText.size());
    for (std::size_t lAt = 0; lAt < sText.size();) {
        std::uint32_t lCode = NextCodePoint(sText, lAt);
        if (lCode < 0x80)
            lCode = static_cast<std::uint32_t>(lCode >= 'A' && lCode <= 'Z' ? lCode + 32 : lCode);
        else if (pCase)
            lCode = static_cast<std::uint32_t>(pCase->tolower(static_cast<wchar_t>(lCode)));
        AppendUtf8(sFolded, lCode);
    }
    return sFolded;
}

std::string UnpackedFolderOf(const std::string &sWorkFolder, const std::string &sArchiveFileName) {
    if (sWorkFolder.empty() || sArchiveFileName.size() <= 4)
        return {};
    const std::string sStem = FoldNameCase(sArchiveFileName.substr(0, sArchiveFileName.size() - 4));
    DIR *pWork = opendir(sWorkFolder.c_str());
    if (!pWork)
        return {};
    std::string sFound;
    while (const dirent *pEntry = readdir(pWork)) {
        const std::string sName = pEntry->d_name;
        if (sName == "." || sName == ".." || FoldNameCase(sName) != sStem)
            continue;
        const std::string sPath = sWorkFolder + "/" + sName;
        struct stat st {};
        if (lstat(sPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        // A folder left empty holds no edits.
        if (DIR *pFolder = opendir(sPath.c_str())) {
            bool bHolds = false;
            while (const dirent *pInner = readdir(pFolder)) {
                const std::string sInner = pInner->d_name;
                if (sInner != "." && sInner != "..") {
                    bHolds = true;
                    break;
                }
            }
            closedir(pFolder);
            if (bHolds) {
                sFound = sPath;
                break;
            }
        }
    }
    closedir(pWork);
    return sFound;
}

std::string UnpackedFolderOf(const std::string &sWorkFolder, const KeptPlace &place) {
    if (sWorkFolder.empty())
        return {};
    // "GameData/<folder>/<file>"
    const std::string sFolder = LastPart(place.Folder());
    if (sFolder == "base")
        return UnpackedFolderOf(sWorkFolder, place.FileName());
    return UnpackedFolderOf(sWorkFolder + "/.mods/" + sFolder, place.FileName());
}
