#include "archive/mUnzip.h"

#include "archive/ArchiveError.h"
#include "archive/EngineCalls.h"
#include "archive/EngineNameLists.h"
#include "archive/cUnzip.h"
#include "platform/os/DynamicLibrary.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

// The component's side of the call-backs: its owner and its listing.
struct UnzipModuleAccess {
    static cUnzipEvents *Owner(cUnzip &oUnzip) { return oUnzip.m_pOwner; }
    static void AddListEntry(cUnzip &oUnzip, const std::string &sName, const std::string &sFolder,
                             const ArchiveDate &dDate, std::int32_t lSize, std::uint32_t lCRC,
                             bool bEncrypted, std::int32_t lRatio, const std::string &sMethod,
                             std::uint32_t lPackedSize) {
        oUnzip.AddListEntry(sName, sFolder, dDate, lSize, lCRC, bEncrypted, lRatio, sMethod,
                            lPackedSize);
    }
};

namespace {

cUnzip *g_pCurrentUnzip = nullptr;
bool g_bUnzipPasswordDeclined = false;
// The engine's byte-progress entry point, once an engine call has bound it; an
// engine without one leaves it null.
std::atomic<UzpByteProgressProc> g_pByteProgress{nullptr};

// Longest entry path and method name read from the listing call-back.
constexpr std::size_t kListingTextLimit = 256;
constexpr std::int32_t kDefaultOverwriteResponse = 100;

DynamicLibrary &ReaderLibrary() {
    static DynamicLibrary tLibrary(PAK_READER_LIBRARY);
    return tLibrary;
}

template <typename Proc> Proc BindReaderEntry(const char *pName) {
    return BindEntryPoint<Proc>(ReaderLibrary(), pName);
}

cUnzipEvents *CurrentOwner() {
    return g_pCurrentUnzip != nullptr ? UnzipModuleAccess::Owner(*g_pCurrentUnzip) : nullptr;
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
        g_pByteProgress.store(
            reinterpret_cast<UzpByteProgressProc>(ReaderLibrary().EntryPoint("UzpByteProgress")));

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

void ResetUnzipByteProgress() {
    AskByteProgress(g_pByteProgress.load(), nullptr, nullptr);
}

bool UnzipByteProgress(std::uint64_t &lDone, std::uint64_t &lTotal) {
    return AskByteProgress(g_pByteProgress.load(), &lDone, &lTotal);
}

void CallUnzipVersion(UnzipVersionRecord &tVersion) {
    const auto pVersion = BindReaderEntry<UzpVersion2Proc>("UzpVersion2");
    pVersion(&tVersion);
}

std::int32_t UnzipReplaceChar(std::string &sText, char cFind, char cReplace) {
    return ReplaceCharAfterFirst(sText, cFind, cReplace);
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
        if (pBuffer == nullptr || !IsEngineMessageCount(lCount))
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
    return AnswerPasswordRequest(pBuffer, lSize, g_bUnzipPasswordDeclined,
                                 [](std::string &sPassword, bool &bCancel) {
                                     if (cUnzipEvents *pOwner = CurrentOwner())
                                         pOwner->PasswordRequest(sPassword, bCancel);
                                 });
}

void OnUnzipListEntry(std::uint32_t lPackedSize, std::uint32_t lSize, std::int32_t lRatio, std::uint32_t lMonth,
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
                                            lWideRatio, sMethod, lPackedSize);
    } catch (...) {
    }
}

std::int32_t OnUnzipService(char *pName, std::uint32_t lCount) {
    try {
        if (pName == nullptr || !IsEngineMessageCount(lCount))
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
