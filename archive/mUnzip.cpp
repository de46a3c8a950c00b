#include "archive/mUnzip.h"

#include "archive/ArchiveError.h"
#include "archive/EngineNameLists.h"
#include "archive/cUnzip.h"
#include "platform/os/DynamicLibrary.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

// The component's side of the call-backs: its owner and its listing.
struct UnzipModuleAccess {
    static cUnzipEvents *Owner(cUnzip &oUnzip) { return oUnzip.m_pOwner; }
    static void AddListEntry(cUnzip &oUnzip, const std::string &sName, const std::string &sFolder,
                             const ArchiveDate &dDate, std::int32_t lSize, std::uint32_t lCRC,
                             bool bEncrypted, std::int32_t lRatio, const std::string &sMethod) {
        oUnzip.AddListEntry(sName, sFolder, dDate, lSize, lCRC, bEncrypted, lRatio, sMethod);
    }
};

namespace {

cUnzip *g_pCurrentUnzip = nullptr;
bool g_bUnzipPasswordDeclined = false;

// Longest entry path and method name read from the listing call-back.
constexpr std::size_t kListingTextLimit = 256;
// Messages and names outside 2 to 31999 bytes are ignored.
constexpr std::uint32_t kShortestMessage = 2;
constexpr std::uint32_t kLongestMessage = 31999;
// Most bytes of a password handed to the engine.
constexpr std::size_t kLongestPassword = 254;
constexpr std::int32_t kDefaultOverwriteResponse = 100;

DynamicLibrary &ReaderLibrary() {
    static DynamicLibrary tLibrary(kUnzipEngineLibrary);
    return tLibrary;
}

template <typename Proc> Proc BindReaderEntry(const char *pName) {
    DynamicLibrary &tLibrary = ReaderLibrary();
    if (!tLibrary.Load())
        throw ArchiveError::LibraryError(tLibrary.FileName());
    void *pAddress = tLibrary.EntryPoint(pName);
    if (pAddress == nullptr)
        throw ArchiveError::EntryPointError(pName, tLibrary.FileName());
    return reinterpret_cast<Proc>(pAddress);
}

cUnzipEvents *CurrentOwner() {
    return g_pCurrentUnzip != nullptr ? UnzipModuleAccess::Owner(*g_pCurrentUnzip) : nullptr;
}

// A zero-terminated copy of sText that the engine may read (and write) during a call.
std::vector<char> EngineText(const std::string &sText) {
    std::vector<char> vText(sText.begin(), sText.end());
    vText.push_back('\0');
    return vText;
}

// The text in an engine buffer up to its first zero byte.
std::string TextFrom(const std::vector<char> &vText) {
    return std::string(vText.data(), strnlen(vText.data(), vText.size()));
}

std::string TrimSpaces(const std::string &sText) {
    const std::size_t lFirst = sText.find_first_not_of(' ');
    if (lFirst == std::string::npos)
        return std::string();
    const std::size_t lLast = sText.find_last_not_of(' ');
    return sText.substr(lFirst, lLast - lFirst + 1);
}

// Zip archives count years from 1980; a two-digit year is taken in 1980 to 2079.
std::int64_t FourDigitYear(std::uint32_t lYear) {
    if (lYear >= 100)
        return lYear;
    return lYear >= 80 ? 1900 + lYear : 2000 + lYear;
}

} // namespace

cUnzip *CurrentUnzip() {
    return g_pCurrentUnzip;
}

void ReleaseCurrentUnzip(const cUnzip *pUnzip) {
    if (g_pCurrentUnzip == pUnzip)
        g_pCurrentUnzip = nullptr;
}

bool UnzipPasswordDeclined() {
    return g_bUnzipPasswordDeclined;
}

std::int32_t RunUnzipEngine(cUnzip &oUnzip, UnzipCommand &tCommand,
                            const std::vector<std::string> &vIncludeNames,
                            const std::vector<std::string> &vExcludeNames) {
    try {
        g_pCurrentUnzip = &oUnzip;

        UnzipCallbackTable tCallbacks{};
        tCallbacks.Print = &OnUnzipPrint;
        tCallbacks.Sound = nullptr;
        tCallbacks.Overwrite = &OnUnzipOverwrite;
        tCallbacks.Password = &OnUnzipPassword;
        tCallbacks.Listing = &OnUnzipListEntry;
        tCallbacks.Service = &OnUnzipService;

        EngineNameListBuffer tInclude;
        tInclude.FillEndedByEmpty(vIncludeNames);
        EngineNameListBuffer tExclude;
        tExclude.FillEndedByEmpty(vExcludeNames);

        g_bUnzipPasswordDeclined = false;

        const auto pUnzip = BindReaderEntry<Wiz_SingleEntryUnzipProc>("Wiz_SingleEntryUnzip");

        std::vector<char> vArchivePath = EngineText(tCommand.sArchivePath);
        std::vector<char> vTargetFolder = EngineText(tCommand.sTargetFolder);
        UnzipCommandRecord tRecord = tCommand.tFields;
        tRecord.ArchivePath = vArchivePath.data();
        tRecord.TargetFolder = vTargetFolder.data();

        const std::int32_t lResult =
            pUnzip(static_cast<std::int32_t>(vIncludeNames.size()), tInclude.Slots(),
                   static_cast<std::int32_t>(vExcludeNames.size()), tExclude.Slots(), &tRecord,
                   &tCallbacks);

        // Take the engine's form back; its texts are read from our own buffers
        // only, never through a pointer the engine may have replaced.
        tCommand.tFields = tRecord;
        tCommand.tFields.ArchivePath = nullptr;
        tCommand.tFields.TargetFolder = nullptr;
        tCommand.sArchivePath = TextFrom(vArchivePath);
        tCommand.sTargetFolder = TextFrom(vTargetFolder);
        return lResult;
    } catch (const ArchiveError &e) {
        g_pCurrentUnzip = nullptr;
        throw ArchiveError(e.Number(), e.Description(), ExecutableName() + ".RunUnzipEngine");
    } catch (const std::bad_alloc &) {
        g_pCurrentUnzip = nullptr;
        throw ArchiveError(7, "Out of memory", ExecutableName() + ".RunUnzipEngine");
    }
}

void CallUnzipVersion(UnzipVersionRecord &tVersion) {
    const auto pVersion = BindReaderEntry<UzpVersion2Proc>("UzpVersion2");
    pVersion(&tVersion);
}

std::int32_t UnzipReplaceChar(std::string &sText, char cFind, char cReplace) {
    std::int32_t lAfterLast = 1;
    for (std::size_t i = 1; i < sText.size(); ++i) {
        if (sText[i] == cFind) {
            sText[i] = cReplace;
            lAfterLast = static_cast<std::int32_t>(i + 2);
        }
    }
    return lAfterLast;
}

void SplitArchivePath(const std::string &sPath, std::string &sFolder, std::string &sName) {
    std::string sText = sPath.substr(0, sPath.find('\0'));
    const std::int32_t lAfterLast = UnzipReplaceChar(sText, '/', '\\');
    if (lAfterLast > 1) {
        sFolder = sText.substr(0, static_cast<std::size_t>(lAfterLast - 2));
        sName = sText.substr(static_cast<std::size_t>(lAfterLast - 1));
    } else {
        sFolder.clear();
        sName = sText;
    }
}

std::int32_t OnUnzipPrint(char *pBuffer, std::uint32_t lCount) {
    try {
        if (pBuffer == nullptr || lCount < kShortestMessage || lCount > kLongestMessage)
            return 0;
        std::string sMsg(pBuffer, lCount);
        UnzipReplaceChar(sMsg, '/', '\\');
        if (cUnzipEvents *pOwner = CurrentOwner())
            pOwner->Progress(1, sMsg);
    } catch (...) {
    }
    return 0;
}

std::int32_t OnUnzipOverwrite(char *pName) {
    try {
        std::int32_t eResponse = kDefaultOverwriteResponse;
        std::string sName = pName != nullptr ? std::string(pName) : std::string();
        UnzipReplaceChar(sName, '/', '\\');
        if (cUnzipEvents *pOwner = CurrentOwner())
            pOwner->OverwritePrompt(sName, eResponse);
        return eResponse;
    } catch (...) {
        return kDefaultOverwriteResponse;
    }
}

std::int32_t OnUnzipPassword(char *pBuffer, std::int32_t lSize, char *, char *) {
    try {
        if (g_bUnzipPasswordDeclined)
            return 1;
        // Nowhere to put a password: the request cannot be answered.
        if (pBuffer == nullptr || lSize < 1)
            return 1;

        std::string sPassword;
        bool bCancel = false;
        try {
            if (cUnzipEvents *pOwner = CurrentOwner())
                pOwner->PasswordRequest(sPassword, bCancel);
        } catch (...) {
            sPassword.clear();
            bCancel = true;
        }
        sPassword = TrimSpaces(sPassword);
        if (sPassword.empty() || bCancel) {
            g_bUnzipPasswordDeclined = true;
            return 1;
        }

        // At most 254 bytes, and never past the buffer the engine handed in; the
        // zero byte after them ends the password.
        std::size_t lBytes = std::min(sPassword.size(), kLongestPassword);
        lBytes = std::min(lBytes, static_cast<std::size_t>(lSize) - 1);
        std::memcpy(pBuffer, sPassword.data(), lBytes);
        pBuffer[lBytes] = '\0';
        return 0;
    } catch (...) {
        g_bUnzipPasswordDeclined = true;
        return 1;
    }
}

void OnUnzipListEntry(std::uint32_t, std::uint32_t lSize, std::int32_t lRatio, std::uint32_t lMonth,
                      std::uint32_t lDay, std::uint32_t lYear, std::uint32_t lHour,
                      std::uint32_t lMinute, std::uint32_t, char *pPath, char *pMethod,
                      std::uint32_t lCRC, std::uint32_t lAttributes) {
    try {
        const std::string sPath = pPath != nullptr
                                      ? std::string(pPath, strnlen(pPath, kListingTextLimit))
                                      : std::string();
        std::string sFolder;
        std::string sName;
        SplitArchivePath(sPath, sFolder, sName);

        // The date parts are 16-bit values in 32-bit slots.
        const ArchiveDate dDate =
            ArchiveDate::FromParts(FourDigitYear(lYear & 0xFFFFu), lMonth & 0xFFFFu, lDay & 0xFFFFu,
                                   lHour & 0xFFFFu, lMinute & 0xFFFFu, 0);
        const std::string sMethod = pMethod != nullptr
                                        ? std::string(pMethod, strnlen(pMethod, kListingTextLimit))
                                        : std::string();
        const bool bEncrypted = (lAttributes & 64u) == 64u;
        const std::int32_t lWideRatio =
            static_cast<std::int16_t>(static_cast<std::uint32_t>(lRatio) & 0xFFFFu);

        if (g_pCurrentUnzip != nullptr)
            UnzipModuleAccess::AddListEntry(*g_pCurrentUnzip, sName, sFolder, dDate,
                                            static_cast<std::int32_t>(lSize), lCRC, bEncrypted,
                                            lWideRatio, sMethod);
    } catch (...) {
    }
}

std::int32_t OnUnzipService(char *pName, std::uint32_t lCount) {
    try {
        if (pName == nullptr || lCount < kShortestMessage || lCount > kLongestMessage)
            return 0;
        std::string sName(pName, strnlen(pName, lCount));
        UnzipReplaceChar(sName, '\\', '/');
        bool bCancel = false;
        if (cUnzipEvents *pOwner = CurrentOwner())
            pOwner->Cancel(sName, bCancel);
        return bCancel ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
