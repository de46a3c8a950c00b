#include "archive/cZip.h"

#include "archive/ArchiveError.h"
#include "archive/mZip.h"

// ---- Events: nothing handled by default.

void cZipEvents::Cancel(const std::string &, bool &) {}
void cZipEvents::PasswordRequest(std::string &, bool &) {}
void cZipEvents::Progress(std::int32_t, const std::string &) {}

cZip::cZip() {
    SetStoreDirectories(false);
    SetStoreFolderNames(false);
    SetRecurseSubDirs(false);
}

cZip::~cZip() {
    ReleaseCurrentZip(this);
}

// ---- Properties.

std::string cZip::BasePath() const {
    return m_tOptions.sRootFolder.value_or(std::string());
}
void cZip::SetBasePath(const std::string &sBasePath) {
    m_tOptions.sRootFolder = sBasePath;
}

bool cZip::Encrypt() const {
    return m_tOptions.tFields.Encrypt != 0;
}
void cZip::SetEncrypt(bool bState) {
    m_tOptions.tFields.Encrypt = bState ? 1 : 0;
}
bool cZip::IncludeSystemAndHiddenFiles() const {
    return m_tOptions.tFields.SystemAndHiddenFiles != 0;
}
void cZip::SetIncludeSystemAndHiddenFiles(bool bState) {
    m_tOptions.tFields.SystemAndHiddenFiles = bState ? 1 : 0;
}
bool cZip::StoreVolumeLabel() const {
    return m_tOptions.tFields.VolumeLabel != 0;
}
void cZip::SetStoreVolumeLabel(bool bState) {
    m_tOptions.tFields.VolumeLabel = bState ? 1 : 0;
}
bool cZip::StoreDirectories() const {
    return m_tOptions.tFields.NoFolderEntries == 0;
}
void cZip::SetStoreDirectories(bool bState) {
    m_tOptions.tFields.NoFolderEntries = bState ? 0 : 1;
}
bool cZip::StoreFolderNames() const {
    return m_tOptions.tFields.DropFolderNames == 0;
}
void cZip::SetStoreFolderNames(bool bState) {
    m_tOptions.tFields.DropFolderNames = bState ? 0 : 1;
}
bool cZip::RecurseSubDirs() const {
    return m_tOptions.tFields.Recurse != 0;
}
void cZip::SetRecurseSubDirs(bool bState) {
    m_tOptions.tFields.Recurse = bState ? 2 : 0;
}
bool cZip::UpdateOnlyIfNewer() const {
    return m_tOptions.tFields.UpdateOnlyIfNewer != 0;
}
void cZip::SetUpdateOnlyIfNewer(bool bState) {
    m_tOptions.tFields.UpdateOnlyIfNewer = bState ? 1 : 0;
}
bool cZip::FreshenFiles() const {
    return m_tOptions.tFields.Freshen != 0;
}
void cZip::SetFreshenFiles(bool bState) {
    m_tOptions.tFields.Freshen = bState ? 1 : 0;
}
bool cZip::ConvertCRLFToLF() const {
    return m_tOptions.tFields.ConvertCRLFToLF != 0;
}
void cZip::SetConvertCRLFToLF(bool bState) {
    m_tOptions.tFields.ConvertCRLFToLF = bState ? 1 : 0;
}
bool cZip::ConvertLFToCRLF() const {
    return m_tOptions.tFields.ConvertLFToCRLF != 0;
}
void cZip::SetConvertLFToCRLF(bool bState) {
    m_tOptions.tFields.ConvertLFToCRLF = bState ? 1 : 0;
}
bool cZip::AllowAppend() const {
    return m_tOptions.tFields.Append == 1;
}
void cZip::SetAllowAppend(bool bState) {
    m_tOptions.tFields.Append = bState ? 1 : 0;
}

std::int32_t cZip::MessageLevel() const {
    if (m_tOptions.tFields.MessageLevel0 != 0)
        return 0;
    if (m_tOptions.tFields.MessageLevel1 != 0)
        return 1;
    return 2;
}

void cZip::SetMessageLevel(std::int32_t eLevel) {
    switch (eLevel) {
    case 0:
        m_tOptions.tFields.MessageLevel0 = 1;
        m_tOptions.tFields.MessageLevel1 = 0;
        break;
    case 1:
        m_tOptions.tFields.MessageLevel0 = 0;
        m_tOptions.tFields.MessageLevel1 = 1;
        break;
    case 2:
        m_tOptions.tFields.MessageLevel0 = 0;
        m_tOptions.tFields.MessageLevel1 = 0;
        break;
    default:
        break;
    }
}

// ---- File specifications.

void cZip::ClearFileSpecs() {
    m_vSpecs.clear();
}

void cZip::AddFileSpec(const std::string &sSpec) {
    m_vSpecs.push_back(sSpec);
}

std::string cZip::FileSpec(std::int32_t nIndex) const {
    if (nIndex < 1 || nIndex > FileSpecCount())
        throw ArchiveError::SubscriptError();
    return m_vSpecs[static_cast<std::size_t>(nIndex - 1)];
}

// ---- Operations.

void cZip::RunEngine() {
    // Until the engine returns, the last call has no result that says "written".
    m_lLastEngineResult = -1;
    m_lLastEngineResult = RunZipEngine(*this, m_tOptions, m_vSpecs);
}

void cZip::Zip() {
    RunEngine();
}

void cZip::Delete() {
    m_tOptions.tFields.DeleteEntries = 1;
    try {
        RunEngine();
    } catch (...) {
        // A later Zip must add files again, whatever went wrong here.
        m_tOptions.tFields.DeleteEntries = 0;
        throw;
    }
    m_tOptions.tFields.DeleteEntries = 0;
}
