#include "support/RegStore.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/FileLock.h"
#include "platform/os/Log.h"
#include "platform/os/UserFolders.h"
#include "support/RegFileFormat.h"

#include <cerrno>
#include <cstring>
#include <ctime>

std::string RegistryFilePath() {
    std::string sConfig = ConfigHome();
    if (sConfig.empty()) {
        return {};
    }
    return sConfig + "/Halvane/registry.reg";
}

namespace regstore {

namespace {

void SetError(std::string *psError, const std::string &sText) {
    if (psError != nullptr) {
        *psError = sText;
    }
}

std::string FolderOf(const std::string &sPath) {
    return sPath.substr(0, sPath.rfind('/'));
}

// A name beside the store that no earlier damaged copy uses.
std::string DamagedCopyPath(const std::string &sPath) {
    std::time_t lNow = std::time(nullptr);
    std::tm tmNow{};
    gmtime_r(&lNow, &tmNow);
    char aStamp[32];
    std::strftime(aStamp, sizeof aStamp, "%Y%m%dT%H%M%SZ", &tmNow);
    std::string sBase = sPath + ".damaged-" + aStamp;
    std::string sCandidate = sBase;
    for (int i = 1; PathExists(sCandidate); ++i) {
        sCandidate = sBase + "-" + std::to_string(i);
    }
    return sCandidate;
}

StoreRead ParseStore(FileReadStatus eStatus, const std::string &sBytes, RegDocument &doc,
                     std::string *psError) {
    doc.keys.clear();
    if (eStatus == FileReadStatus::Missing) {
        return StoreRead::Missing;
    }
    if (eStatus == FileReadStatus::Failed) {
        SetError(psError, std::strerror(errno));
        return StoreRead::Unreadable;
    }
    // An empty file holds no settings; there is nothing in it worth keeping aside.
    if (sBytes.empty()) {
        return StoreRead::Read;
    }
    RegFileParse parse = ParseRegFile(sBytes);
    std::string sError = parse.sError;
    if (!parse.bOk || !BuildDocument(parse.sections, doc, sError)) {
        doc.keys.clear();
        SetError(psError, sError);
        return StoreRead::Damaged;
    }
    return StoreRead::Read;
}

} // namespace

StoreRead ReadStore(RegDocument &doc, std::string *psError) {
    std::string sPath = RegistryFilePath();
    if (sPath.empty()) {
        doc.keys.clear();
        SetError(psError, "no home folder to hold the settings store");
        return StoreRead::Unreadable;
    }
    std::string sBytes;
    FileReadStatus eStatus = ReadWholeFile(sPath, sBytes);
    return ParseStore(eStatus, sBytes, doc, psError);
}

namespace {

StoreUpdate Update(const std::function<bool(RegDocument &)> &fnChange, std::string *psError,
                   std::string *psKeptAside);

} // namespace

StoreUpdate UpdateStore(const std::function<bool(RegDocument &)> &fnChange, std::string *psError,
                        std::string *psKeptAside) {
    std::string sError;
    const StoreUpdate eResult = Update(fnChange, &sError, psKeptAside);
    if (eResult == StoreUpdate::Failed) {
        LogLine(LogArea::Store, "the settings store was not written: " + sError);
        SetError(psError, sError);
    }
    return eResult;
}

namespace {

StoreUpdate Update(const std::function<bool(RegDocument &)> &fnChange, std::string *psError,
                   std::string *psKeptAside) {
    std::string sPath = RegistryFilePath();
    if (sPath.empty()) {
        SetError(psError, "no home folder to hold the settings store");
        return StoreUpdate::Failed;
    }
    if (!CreateFolderPath(FolderOf(sPath))) {
        SetError(psError,
                 "cannot create the folder " + FolderOf(sPath) + ": " + std::strerror(errno));
        return StoreUpdate::Failed;
    }
    FileLock lock(sPath + ".lock");
    if (!lock.Held()) {
        SetError(psError, "cannot lock " + sPath + ".lock: " + std::strerror(errno));
        return StoreUpdate::Failed;
    }
    // Every writer holds the lock while its temporary file exists, so any such file
    // found now was left by a writer that died.
    RemoveLeftoverTempFiles(sPath);

    std::string sBytes;
    FileReadStatus eStatus = ReadWholeFile(sPath, sBytes);
    RegDocument doc;
    std::string sReadError;
    StoreRead eRead = ParseStore(eStatus, sBytes, doc, &sReadError);
    if (eRead == StoreRead::Unreadable) {
        SetError(psError, "cannot read " + sPath + ": " + sReadError);
        return StoreUpdate::Failed;
    }
    if (!fnChange(doc)) {
        return StoreUpdate::Unchanged;
    }
    if (eRead == StoreRead::Damaged) {
        std::string sCopy = DamagedCopyPath(sPath);
        if (!ReplaceFileAtomically(sCopy, sBytes)) {
            SetError(psError, "cannot keep the damaged store aside as " + sCopy);
            return StoreUpdate::Failed;
        }
        SetError(psKeptAside, sCopy);
    }
    if (!ReplaceFileAtomically(sPath, FormatRegFile(doc))) {
        SetError(psError, "cannot write " + sPath + ": " + std::strerror(errno));
        return StoreUpdate::Failed;
    }
    return StoreUpdate::Written;
}

} // namespace

} // namespace regstore
