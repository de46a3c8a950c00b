#include "archive/mZip.h"

#include "archive/ArchiveError.h"
#include "archive/EngineCalls.h"
#include "archive/EngineNameLists.h"
#include "archive/cZip.h"
#include "platform/os/DynamicLibrary.h"

#include <algorithm>
#include <atomic>
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
// The engine's byte-progress entry point, once an engine call has bound it; an
// engine without one leaves it null.
std::atomic<ZpByteProgressProc> g_pByteProgress{nullptr};

DynamicLibrary &WriterLibrary() {
    static DynamicLibrary tLibrary(PAK_WRITER_LIBRARY);
    return tLibrary;
}

template <typename Proc> Proc BindWriterEntry(const char *pName) {
    return BindEntryPoint<Proc>(WriterLibrary(), pName);
}

cZipEvents *CurrentOwner() {
    return g_pCurrentZip != nullptr ? ZipModuleAccess::Owner(*g_pCurrentZip) : nullptr;
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

    // Specifications are resolved against the base folder, which the engine receives
    // as its root. The process's current folder is left alone: a job runs on a
    // thread of its own while the window's thread resolves relative paths too.
    const std::string sBasePath = oZip.BasePath();
    if (!TrimSpaces(sBasePath).empty()) {
        std::error_code ec;
        if (!std::filesystem::is_directory(sBasePath, ec))
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
            tOptions.sRootFolder = TextFrom(vRootFolder);
    }

    EngineNameListBuffer tNames;
    tNames.FillEndedByNullThenEmpty(vSpecs);

    std::vector<char> vArchivePath = EngineText(oZip.ZipFile());
    const auto pArchive = BindWriterEntry<ZpArchiveProc>("ZpArchive");
    g_pByteProgress.store(
        reinterpret_cast<ZpByteProgressProc>(WriterLibrary().EntryPoint("ZpByteProgress")));
    return pArchive(static_cast<std::int32_t>(vSpecs.size()), vArchivePath.data(), tNames.Slots());
}

void ResetZipByteProgress() {
    AskByteProgress(g_pByteProgress.load(), nullptr, nullptr);
}

bool ZipByteProgress(std::uint64_t &lDone, std::uint64_t &lTotal) {
    return AskByteProgress(g_pByteProgress.load(), &lDone, &lTotal);
}

std::int32_t ZipReplaceChar(std::string &sText, char cFind, char cReplace) {
    return ReplaceCharAfterFirst(sText, cFind, cReplace);
}

std::int32_t OnZipPrint(char *pBuffer, std::uint32_t lCount) {
    try {
        if (pBuffer == nullptr || !IsEngineMessageCount(lCount))
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
    return AnswerPasswordRequest(pBuffer, lSize, g_bZipPasswordDeclined,
                                 [](std::string &sPassword, bool &bCancel) {
                                     if (cZipEvents *pOwner = CurrentOwner())
                                         pOwner->PasswordRequest(sPassword, bCancel);
                                 });
}

char *OnZipComment(char *pBuffer) {
    if (pBuffer != nullptr)
        pBuffer[0] = '\0';
    return pBuffer;
}

std::int32_t OnZipService(char *pName, std::uint32_t lCount) {
    try {
        if (pName == nullptr || !IsEngineMessageCount(lCount))
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
