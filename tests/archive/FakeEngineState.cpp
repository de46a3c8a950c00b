#include "tests/archive/FakeEngine.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

FakeEngineState g_tState;

std::optional<std::string> TextOrNull(const char *pText) {
    return pText != nullptr ? std::optional<std::string>(pText) : std::nullopt;
}

FakeNameSlots SlotsOf(char **pNames) {
    FakeNameSlots vSlots;
    if (pNames == nullptr)
        return vSlots;
    for (std::size_t i = 0; i < ENGINE_NAME_LIST_SLOTS; ++i)
        vSlots.push_back(TextOrNull(pNames[i]));
    return vSlots;
}

std::string CurrentFolder() {
    char aFolder[PATH_MAX];
    return getcwd(aFolder, sizeof aFolder) != nullptr ? std::string(aFolder) : std::string();
}

std::int32_t FieldAtOffset(const std::vector<unsigned char> &vRecord, std::size_t lOffset) {
    std::int32_t lValue = 0;
    if (lOffset + sizeof lValue <= vRecord.size())
        std::memcpy(&lValue, vRecord.data() + lOffset, sizeof lValue);
    return lValue;
}

template <typename Record>
void ApplyWrites(Record *pRecord, const std::vector<FakeFieldWrite> &vWrites,
                 std::size_t (*pActual)(std::size_t)) {
    for (const FakeFieldWrite &tWrite : vWrites)
        std::memcpy(reinterpret_cast<unsigned char *>(pRecord) + pActual(tWrite.lPublishedOffset),
                    &tWrite.lValue, sizeof tWrite.lValue);
}

// The whole buffer as bytes.
std::string BufferText(const std::vector<char> &vBuffer) {
    return std::string(vBuffer.begin(), vBuffer.end());
}

// Text followed by a zero byte, in a buffer the routine may read.
std::vector<char> ZeroEnded(const std::string &sBytes) {
    std::vector<char> vText(sBytes.begin(), sBytes.end());
    vText.push_back('\0');
    return vText;
}

std::vector<FakeCallbackOutcome> RunUnzipScript(const UnzipCallbackTable &tTable) {
    std::vector<FakeCallbackOutcome> vOutcomes;
    for (const FakeCallback &tCall : g_tState.vUnzipScript) {
        FakeCallbackOutcome tOutcome;
        // Exactly the bytes scripted, no more, so that a read past them shows.
        std::vector<char> vBytes(tCall.sBytes.begin(), tCall.sBytes.end());
        std::vector<char> vZeroEnded = ZeroEnded(tCall.sBytes);
        switch (tCall.eKind) {
        case FakeCallback::Kind::Print:
            tOutcome.bSlotWasNull = tTable.Print == nullptr;
            if (tTable.Print)
                tOutcome.lReturned =
                    tTable.Print(tCall.bNullPointer ? nullptr : vBytes.data(), tCall.lCount);
            break;
        case FakeCallback::Kind::Overwrite:
            tOutcome.bSlotWasNull = tTable.Overwrite == nullptr;
            if (tTable.Overwrite)
                tOutcome.lReturned =
                    tTable.Overwrite(tCall.bNullPointer ? nullptr : vZeroEnded.data());
            break;
        case FakeCallback::Kind::Password: {
            tOutcome.bSlotWasNull = tTable.Password == nullptr;
            std::vector<char> vBuffer(static_cast<std::size_t>(std::max(tCall.lBufferSize, 0)),
                                      tCall.cFill);
            char aPrompt[] = "Password:";
            char aEntry[] = "secret.txt";
            if (tTable.Password)
                tOutcome.lReturned = tTable.Password(tCall.bNullPointer ? nullptr : vBuffer.data(),
                                                     tCall.lBufferSize, aPrompt, aEntry);
            tOutcome.sBuffer = BufferText(vBuffer);
            break;
        }
        case FakeCallback::Kind::Listing: {
            tOutcome.bSlotWasNull = tTable.Listing == nullptr;
            std::vector<char> vMethod = ZeroEnded(tCall.sMethod);
            if (tTable.Listing)
                tTable.Listing(tCall.lPackedSize, tCall.lSize, tCall.lRatio, tCall.lMonth,
                               tCall.lDay, tCall.lYear, tCall.lHour, tCall.lMinute, tCall.lSecond,
                               tCall.bNullPointer ? nullptr : vBytes.data(), vMethod.data(),
                               tCall.lCRC, tCall.lAttributes);
            break;
        }
        case FakeCallback::Kind::Service:
            tOutcome.bSlotWasNull = tTable.Service == nullptr;
            if (tTable.Service)
                tOutcome.lReturned =
                    tTable.Service(tCall.bNullPointer ? nullptr : vBytes.data(), tCall.lCount);
            break;
        case FakeCallback::Kind::Comment:
            tOutcome.bSlotWasNull = true; // the unzip table has no comment routine
            break;
        }
        vOutcomes.push_back(std::move(tOutcome));
    }
    return vOutcomes;
}

std::vector<FakeCallbackOutcome> RunZipScript(const ZipCallbackTable &tTable) {
    std::vector<FakeCallbackOutcome> vOutcomes;
    for (const FakeCallback &tCall : g_tState.vZipScript) {
        FakeCallbackOutcome tOutcome;
        std::vector<char> vBytes(tCall.sBytes.begin(), tCall.sBytes.end());
        switch (tCall.eKind) {
        case FakeCallback::Kind::Print:
            tOutcome.bSlotWasNull = tTable.Print == nullptr;
            if (tTable.Print)
                tOutcome.lReturned =
                    tTable.Print(tCall.bNullPointer ? nullptr : vBytes.data(), tCall.lCount);
            break;
        case FakeCallback::Kind::Password: {
            tOutcome.bSlotWasNull = tTable.Password == nullptr;
            std::vector<char> vBuffer(static_cast<std::size_t>(std::max(tCall.lBufferSize, 0)),
                                      tCall.cFill);
            char aPrompt[] = "Password:";
            char aEntry[] = "secret.txt";
            if (tTable.Password)
                tOutcome.lReturned = tTable.Password(tCall.bNullPointer ? nullptr : vBuffer.data(),
                                                     tCall.lBufferSize, aPrompt, aEntry);
            tOutcome.sBuffer = BufferText(vBuffer);
            break;
        }
        case FakeCallback::Kind::Service:
            tOutcome.bSlotWasNull = tTable.Service == nullptr;
            if (tTable.Service)
                tOutcome.lReturned =
                    tTable.Service(tCall.bNullPointer ? nullptr : vBytes.data(), tCall.lCount);
            break;
        case FakeCallback::Kind::Comment: {
            tOutcome.bSlotWasNull = tTable.Comment == nullptr;
            std::vector<char> vBuffer = ZeroEnded(tCall.sComment);
            if (tTable.Comment)
                tOutcome.bReturnedBuffer = tTable.Comment(vBuffer.data()) == vBuffer.data();
            tOutcome.sBuffer = BufferText(vBuffer);
            break;
        }
        case FakeCallback::Kind::Overwrite:
        case FakeCallback::Kind::Listing:
            tOutcome.bSlotWasNull = true; // the zip table has no such routine
            break;
        }
        vOutcomes.push_back(std::move(tOutcome));
    }
    return vOutcomes;
}

} // namespace

// ---- Script helpers.

FakeCallback FakeCallback::Print(std::string sBytes, std::uint32_t lCount) {
    FakeCallback tCall;
    tCall.eKind = Kind::Print;
    tCall.sBytes = std::move(sBytes);
    tCall.lCount = lCount;
    return tCall;
}

FakeCallback FakeCallback::PrintText(const std::string &sText) {
    return Print(sText, static_cast<std::uint32_t>(sText.size()));
}

FakeCallback FakeCallback::Overwrite(std::string sName) {
    FakeCallback tCall;
    tCall.eKind = Kind::Overwrite;
    tCall.sBytes = std::move(sName);
    return tCall;
}

FakeCallback FakeCallback::Password(std::int32_t lBufferSize) {
    FakeCallback tCall;
    tCall.eKind = Kind::Password;
    tCall.lBufferSize = lBufferSize;
    return tCall;
}

FakeCallback FakeCallback::Listing(std::string sPath, std::uint32_t lSize, std::int32_t lRatio) {
    FakeCallback tCall;
    tCall.eKind = Kind::Listing;
    tCall.sBytes = std::move(sPath);
    tCall.sBytes.push_back('\0');
    tCall.lSize = lSize;
    tCall.lRatio = lRatio;
    return tCall;
}

FakeCallback FakeCallback::Service(std::string sName, std::uint32_t lCount) {
    FakeCallback tCall;
    tCall.eKind = Kind::Service;
    tCall.sBytes = std::move(sName);
    tCall.lCount = lCount;
    return tCall;
}

FakeCallback FakeCallback::ServiceText(const std::string &sName) {
    return Service(sName + std::string(1, '\0'), static_cast<std::uint32_t>(sName.size() + 1));
}

FakeCallback FakeCallback::Comment() {
    FakeCallback tCall;
    tCall.eKind = Kind::Comment;
    return tCall;
}

// ---- Layout.

std::size_t ActualUnzipCommandOffset(std::size_t lPublishedOffset) {
    if (lPublishedOffset == 60)
        return offsetof(UnzipCommandRecord, ArchivePath);
    if (lPublishedOffset == 64)
        return offsetof(UnzipCommandRecord, TargetFolder);
    return lPublishedOffset;
}

std::size_t ActualZipOptionsOffset(std::size_t lPublishedOffset) {
    switch (lPublishedOffset) {
    case 0:
        return offsetof(ZipOptionsRecord, Text0);
    case 4:
        return offsetof(ZipOptionsRecord, RootFolder);
    case 8:
        return offsetof(ZipOptionsRecord, Text8);
    default:
        return offsetof(ZipOptionsRecord, Reserved12) + (lPublishedOffset - 12);
    }
}

std::int32_t FakeUnzipCall::Field(std::size_t lPublishedOffset) const {
    return FieldAtOffset(vRecord, ActualUnzipCommandOffset(lPublishedOffset));
}

std::int32_t FakeZipOptionsCall::Field(std::size_t lPublishedOffset) const {
    return FieldAtOffset(vRecord, ActualZipOptionsOffset(lPublishedOffset));
}

// ---- State.

FakeEngineState &FakeEngine() {
    return g_tState;
}

void FakeEngineReset() {
    g_tState = FakeEngineState();
}

// ---- Entry points.

std::int32_t FakeWizSingleEntryUnzip(std::int32_t lIncludeCount, char **pInclude,
                                     std::int32_t lExcludeCount, char **pExclude,
                                     UnzipCommandRecord *pCommand, UnzipCallbackTable *pCallbacks) {
    FakeUnzipCall tCall;
    tCall.lIncludeCount = lIncludeCount;
    tCall.vInclude = SlotsOf(pInclude);
    tCall.lExcludeCount = lExcludeCount;
    tCall.vExclude = SlotsOf(pExclude);
    if (pCommand != nullptr) {
        const auto *pBytes = reinterpret_cast<const unsigned char *>(pCommand);
        tCall.vRecord.assign(pBytes, pBytes + sizeof(UnzipCommandRecord));
        tCall.sArchivePath = TextOrNull(pCommand->ArchivePath);
        tCall.sTargetFolder = TextOrNull(pCommand->TargetFolder);
    }
    if (pCallbacks != nullptr)
        tCall.tCallbacks = *pCallbacks;
    tCall.sCurrentFolder = CurrentFolder();
    if (pCallbacks != nullptr)
        tCall.vOutcomes = RunUnzipScript(*pCallbacks);
    if (pCommand != nullptr)
        ApplyWrites(pCommand, g_tState.vCommandWrites, &ActualUnzipCommandOffset);
    g_tState.vUnzipCalls.push_back(std::move(tCall));
    return g_tState.lUnzipResult;
}

std::int32_t FakeUzpVersion2(UnzipVersionRecord *pVersion) {
    g_tState.vVersionRecordsSeen.push_back(*pVersion);
    std::memcpy(pVersion->FirstText, g_tState.aVersionFirstText, sizeof pVersion->FirstText);
    std::memcpy(pVersion->Version4, g_tState.aVersion4, sizeof pVersion->Version4);
    return 0;
}

std::int32_t FakeZpInit(ZipCallbackTable *pCallbacks) {
    g_tState.vInitCalls.push_back(pCallbacks != nullptr ? *pCallbacks : ZipCallbackTable{});
    return 1;
}

std::int32_t FakeZpSetOptions(ZipOptionsRecord *pOptions) {
    FakeZipOptionsCall tCall;
    if (pOptions != nullptr) {
        const auto *pBytes = reinterpret_cast<const unsigned char *>(pOptions);
        tCall.vRecord.assign(pBytes, pBytes + sizeof(ZipOptionsRecord));
        tCall.bText0Null = pOptions->Text0 == nullptr;
        tCall.sRootFolder = TextOrNull(pOptions->RootFolder);
        tCall.bText8Null = pOptions->Text8 == nullptr;
        ApplyWrites(pOptions, g_tState.vOptionsWrites, &ActualZipOptionsOffset);
    }
    g_tState.vOptionsCalls.push_back(std::move(tCall));
    return 1;
}

std::int32_t FakeZpGetOptions(ZipOptionsRecord *pOptions) {
    if (pOptions != nullptr)
        *pOptions = ZipOptionsRecord{};
    return 1;
}

std::int32_t FakeZpArchive(std::int32_t lSpecCount, char *pArchivePath, char **pNames) {
    FakeZipArchiveCall tCall;
    tCall.lSpecCount = lSpecCount;
    tCall.sArchivePath = TextOrNull(pArchivePath);
    tCall.vNames = SlotsOf(pNames);
    tCall.sCurrentFolder = CurrentFolder();
    if (!g_tState.vInitCalls.empty())
        tCall.vOutcomes = RunZipScript(g_tState.vInitCalls.back());
    g_tState.vArchiveCalls.push_back(std::move(tCall));
    return g_tState.lZipResult;
}
