#include "archive/mZip.h"

#include "archive/ArchiveError.h"
#include "archive/EngineNameLists.h"
#include "archive/cZip.h"
#include "platform/os/DynamicLibrary.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

// The component's side of the call-backs: its owner.
struct ZipModuleAccess {
    static cZipEvents *Owner(cZip &oZip) { return oZip.m_pOwner; }
};

namespace {

cZip *g_pCurrentZip = nullptr;
bool g_bZipPasswordDeclined = false;

// Messages and names outside 2 to 31999 bytes are ignored.
constexpr std::uint32_t kShortestMessage = 2;
constexpr std::uint32_t kLongestMessage = 31999;
// Most bytes of a password handed to the engine.
constexpr std::size_t kLongestPassword = 254;

DynamicLibrary &WriterLibrary() {
    static DynamicLibrary tLibrary(kZipEngineLibrary);
    return tLibrary;
}

template <typename Proc> Proc BindWriterEntry(const char *pName) {
    DynamicLibrary &tLibrary = WriterLibrary();
    if (!tLibrary.Load())
        throw ArchiveError::LibraryError(tLibrary.FileName());
    void *pAddress = tLibrary.EntryPoint(pName);
    if (pAddress == nullptr)
        throw ArchiveError::EntryPointError(pName, tLibrary.FileName());
    return reinterpret_cast<Proc>(pAddress);
}

cZipEvents *CurrentOwner() {
    return g_pCurrentZip != nullptr ? ZipModuleAccess::Owner(*g_pCurrentZip) : nullptr;
}

std::vector<char> EngineText(const std::string &sText) {
    std::vector<char> vText(sText.begin(), sText.end());
    vText.push_back('\0');
    return vText;
}

std::string TrimSpaces(const std::string &sText) {
    const std::size_t lFirst = sText.find_first_not_of(' ');
    if (lFirst == std::string::npos)
        return std::string();
    const std::size_t lLast = sText.find_last_not_of(' ');
    return sText.substr(lFirst, lLast - lFirst + 1);
}

// The routines handed to ZpInit. The table lives as long as the program, so an
// engine that keeps the table's address rather than copying it stays safe.
ZipCallbackTable &CallbackTable() {
    static ZipCallbackTable tTable{&OnZipPrint, &OnZipPassword, &OnZipComment, &OnZipService};
    return tTable;
}

} // namespace

cZip *CurrentZip() {
    return g_pCurrentZip;
}

void ReleaseCurrentZip(const cZip *pZip) {
    if (g_pCurrentZip == pZip)
        g_pCurrentZip = nullptr;
}

bool ZipPasswordDeclined() {
    return g_bZipPasswordDeclined;
}

std::int32_t RunZipEngine(cZip &oZip, ZipOptions &tOptions,
                          const std::vector<std::string> &vSpecs) {
    g_bZipPasswordDeclined = false;
    g_pCurrentZip = &oZip;

    // Specifications are resolved against the base folder, which is made the
    // current folder; it stays so afterwards.
    const std::string sBasePath = oZip.BasePath();
    if (!TrimSpaces(sBasePath).empty()) {
        std::error_code ec;
        std::filesystem::current_path(sBasePath, ec);
        if (ec)
            throw ArchiveError::PathError();
    }

    const auto pInit = BindWriterEntry<ZpInitProc>("ZpInit");
    pInit(&CallbackTable());

    const auto pSetOptions = BindWriterEntry<ZpSetOptionsProc>("ZpSetOptions");
    {
        std::vector<char> vRootFolder;
        ZipOptionsRecord tRecord = tOptions.tFields;
        tRecord.Text0 = nullptr;
        tRecord.Text8 = nullptr;
        tRecord.RootFolder = nullptr;
        if (tOptions.sRootFolder) {
            vRootFolder = EngineText(*tOptions.sRootFolder);
            tRecord.RootFolder = vRootFolder.data();
        }
        pSetOptions(&tRecord);

        // Take the engine's form back; the root folder is read from our own buffer
        // only, never through a pointer the engine may have replaced.
        tOptions.tFields = tRecord;
        tOptions.tFields.Text0 = nullptr;
        tOptions.tFields.Text8 = nullptr;
        tOptions.tFields.RootFolder = nullptr;
        if (tOptions.sRootFolder)
            tOptions.sRootFolder =
                std::string(vRootFolder.data(), strnlen(vRootFolder.data(), vRootFolder.size()));
    }

    EngineNameListBuffer tNames;
    tNames.FillEndedByNullThenEmpty(vSpecs);

    std::vector<char> vArchivePath = EngineText(oZip.ZipFile());
    const auto pArchive = BindWriterEntry<ZpArchiveProc>("ZpArchive");
    return pArchive(static_cast<std::int32_t>(vSpecs.size()), vArchivePath.data(), tNames.Slots());
}

std::int32_t ZipReplaceChar(std::string &sText, char cFind, char cReplace) {
    std::int32_t lAfterLast = 1;
    for (std::size_t i = 1; i < sText.size(); ++i) {
        if (sText[i] == cFind) {
            sText[i] = cReplace;
            lAfterLast = static_cast<std::int32_t>(i + 2);
        }
    }
    return lAfterLast;
}

std::int32_t OnZipPrint(char *pBuffer, std::uint32_t lCount) {
    try {
        if (pBuffer == nullptr || lCount < kShortestMessage || lCount > kLongestMessage)
            return 0;
        std::string sMsg(pBuffer, strnlen(pBuffer, lCount));
        ZipReplaceChar(sMsg, '/', '\\');
        if (cZipEvents *pOwner = CurrentOwner())
            pOwner->Progress(1, sMsg);
    } catch (...) {
    }
    return 0;
}

std::int32_t OnZipPassword(char *pBuffer, std::int32_t lSize, char *, char *) {
    try {
        if (g_bZipPasswordDeclined)
            return 1;
        // Nowhere to put a password: the request cannot be answered.
        if (pBuffer == nullptr || lSize < 1)
            return 1;

        std::string sPassword;
        bool bCancel = false;
        try {
            if (cZipEvents *pOwner = CurrentOwner())
                pOwner->PasswordRequest(sPassword, bCancel);
        } catch (...) {
            sPassword.clear();
            bCancel = true;
        }
        sPassword = TrimSpaces(sPassword);
        if (sPassword.empty() || bCancel) {
            g_bZipPasswordDeclined = true;
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
        g_bZipPasswordDeclined = true;
        return 1;
    }
}

char *OnZipComment(char *pBuffer) {
    if (pBuffer != nullptr)
        pBuffer[0] = '\0';
    return pBuffer;
}

std::int32_t OnZipService(char *pName, std::uint32_t lCount) {
    try {
        if (pName == nullptr || lCount < kShortestMessage || lCount > kLongestMessage)
            return 0;
        const std::string sName(pName, strnlen(pName, lCount));
        bool bCancel = false;
        if (cZipEvents *pOwner = CurrentOwner())
            pOwner->Cancel(sName, bCancel);
        return bCancel ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
