#include "archive/cUnzip.h"

#include "archive/ArchiveError.h"
#include "archive/mUnzip.h"

#include <cstring>
#include <limits>

// ---- Events: nothing handled by default.

void cUnzipEvents::Cancel(const std::string &, bool &) {}
void cUnzipEvents::OverwritePrompt(const std::string &, std::int32_t &) {}
void cUnzipEvents::PasswordRequest(std::string &, bool &) {}
void cUnzipEvents::Progress(std::int32_t, const std::string &) {}

cUnzip::~cUnzip() {
    ReleaseCurrentUnzip(this);
}

// ---- Option properties.

bool cUnzip::ExtractOnlyNewer() const {
    return m_tCommand.tFields.ExtractOnlyNewer != 0;
}
void cUnzip::SetExtractOnlyNewer(bool bState) {
    m_tCommand.tFields.ExtractOnlyNewer = bState ? 1 : 0;
}
bool cUnzip::SpaceToUnderScore() const {
    return m_tCommand.tFields.SpaceToUnderscore != 0;
}
void cUnzip::SetSpaceToUnderScore(bool bState) {
    m_tCommand.tFields.SpaceToUnderscore = bState ? 1 : 0;
}
bool cUnzip::PromptToOverwrite() const {
    return m_tCommand.tFields.PromptToOverwrite != 0;
}
void cUnzip::SetPromptToOverwrite(bool bState) {
    m_tCommand.tFields.PromptToOverwrite = bState ? 1 : 0;
}
std::int32_t cUnzip::MessageLevel() const {
    return m_tCommand.tFields.MessageLevel;
}
void cUnzip::SetMessageLevel(std::int32_t eLevel) {
    m_tCommand.tFields.MessageLevel = eLevel;
}
bool cUnzip::TestZip() const {
    return m_tCommand.tFields.TestArchive != 0;
}
void cUnzip::SetTestZip(bool bState) {
    m_tCommand.tFields.TestArchive = bState ? 1 : 0;
}
bool cUnzip::UseFolderNames() const {
    return m_tCommand.tFields.UseFolderNames != 0;
}
void cUnzip::SetUseFolderNames(bool bState) {
    m_tCommand.tFields.UseFolderNames = bState ? 1 : 0;
}
bool cUnzip::OverwriteExisting() const {
    return m_tCommand.tFields.OverwriteExisting != 0;
}
void cUnzip::SetOverwriteExisting(bool bState) {
    m_tCommand.tFields.OverwriteExisting = bState ? 1 : 0;
}
bool cUnzip::ConvertCRToCRLF() const {
    return m_tCommand.tFields.ConvertCRToCRLF != 0;
}
void cUnzip::SetConvertCRToCRLF(bool bState) {
    m_tCommand.tFields.ConvertCRToCRLF = bState ? 1 : 0;
}
bool cUnzip::CaseSensitiveFileNames() const {
    return m_tCommand.tFields.CaseSensitive != 0;
}
void cUnzip::SetCaseSensitiveFileNames(bool bState) {
    m_tCommand.tFields.CaseSensitive = bState ? 1 : 0;
}

// ---- Archive and target.

void cUnzip::SetZipFile(const std::string &sFile) {
    m_sZipFile = sFile;
    m_lCount = 0;
    // Released, not only emptied: the next listing may be of a much smaller archive.
    std::vector<ListEntry>().swap(m_vListing);
    std::string().swap(m_sListingText);
    m_vMethods.clear();
}

std::string cUnzip::UnzipFolder() {
    m_tCommand.sTargetFolder = m_sUnzipFolder;
    return m_sUnzipFolder;
}

void cUnzip::SetUnzipFolder(const std::string &sFolder) {
    m_sUnzipFolder = sFolder;
}

// ---- Listing.

const cUnzip::ListEntry &cUnzip::Entry(std::int32_t lIndex) const {
    if (lIndex < 1 || lIndex > m_lCount)
        throw ArchiveError::SubscriptError();
    return m_vListing[static_cast<std::size_t>(lIndex - 1)];
}

cUnzip::ListEntry &cUnzip::Entry(std::int32_t lIndex) {
    return const_cast<ListEntry &>(static_cast<const cUnzip *>(this)->Entry(lIndex));
}

std::string_view cUnzip::FolderOf(const ListEntry &tEntry) const {
    return std::string_view(m_sListingText).substr(tEntry.lTextStart, tEntry.nFolderLength);
}
std::string_view cUnzip::NameOf(const ListEntry &tEntry) const {
    return std::string_view(m_sListingText)
        .substr(tEntry.lTextStart + tEntry.nFolderLength, tEntry.nNameLength);
}

std::string cUnzip::Filename(std::int32_t lIndex) const {
    return std::string(NameOf(Entry(lIndex)));
}
std::string cUnzip::FileDirectory(std::int32_t lIndex) const {
    return std::string(FolderOf(Entry(lIndex)));
}
std::int32_t cUnzip::FileSize(std::int32_t lIndex) const {
    return Entry(lIndex).lSize;
}

std::int32_t cUnzip::FilePackedSize(std::int32_t lIndex) const {
    const ListEntry &tEntry = Entry(lIndex);
    const std::int64_t lProduct = static_cast<std::int64_t>(tEntry.lSize) * tEntry.lRatio;
    if (lProduct > std::numeric_limits<std::int32_t>::max() ||
        lProduct < std::numeric_limits<std::int32_t>::min())
        throw ArchiveError::OverflowError();
    return static_cast<std::int32_t>(lProduct / 100);
}

std::int32_t cUnzip::FileCompressionRatio(std::int32_t lIndex) const {
    return Entry(lIndex).lRatio;
}
std::uint64_t cUnzip::FileBytes(std::int32_t lIndex) const {
    return static_cast<std::uint32_t>(Entry(lIndex).lSize);
}
std::uint64_t cUnzip::FilePackedBytes(std::int32_t lIndex) const {
    return Entry(lIndex).lPackedSize;
}
ArchiveDate cUnzip::FileDate(std::int32_t lIndex) const {
    const ListEntry &tEntry = Entry(lIndex);
    return ArchiveDate{tEntry.lYear,   tEntry.nMonth,  tEntry.nDay,
                       tEntry.nHour,   tEntry.nMinute, tEntry.nSecond};
}
std::uint32_t cUnzip::FileCRC(std::int32_t lIndex) const {
    return Entry(lIndex).lCRC;
}
std::string cUnzip::FileCompressionMethod(std::int32_t lIndex) const {
    return m_vMethods[Entry(lIndex).nMethod];
}
bool cUnzip::FileEncrypted(std::int32_t lIndex) const {
    return Entry(lIndex).bEncrypted;
}
bool cUnzip::FileSelected(std::int32_t lIndex) const {
    return Entry(lIndex).bSelected;
}
void cUnzip::SetFileSelected(std::int32_t lIndex, bool bState) {
    Entry(lIndex).bSelected = bState;
}

void cUnzip::AddListEntry(const std::string &sName, const std::string &sFolder,
                          const ArchiveDate &dDate, std::int32_t lSize, std::uint32_t lCRC,
                          bool bEncrypted, std::int32_t lRatio, const std::string &sMethod,
                          std::uint32_t lPackedSize) {
    // Folder entries of the archive have no name and are not listed.
    if (sName.empty())
        return;
    if (m_lCount == std::numeric_limits<std::int32_t>::max())
        throw ArchiveError::OverflowError();
    // The listing's texts come from buffers of at most 256 bytes; the dates' parts
    // from ArchiveDate::FromParts, each within its range.
    constexpr std::size_t kLengthLimit = std::numeric_limits<std::uint16_t>::max();
    if (sName.size() > kLengthLimit || sFolder.size() > kLengthLimit)
        throw ArchiveError::OverflowError();
    // Few methods occur, mostly one or two: the last one found is tried first.
    std::size_t lMethod = m_vMethods.size();
    while (lMethod > 0 && m_vMethods[lMethod - 1] != sMethod)
        --lMethod;
    if (lMethod == 0) {
        if (m_vMethods.size() > kLengthLimit)
            throw ArchiveError::OverflowError();
        m_vMethods.push_back(sMethod);
        lMethod = m_vMethods.size();
    }
    ListEntry tEntry{};
    tEntry.lTextStart = m_sListingText.size();
    tEntry.nFolderLength = static_cast<std::uint16_t>(sFolder.size());
    tEntry.nNameLength = static_cast<std::uint16_t>(sName.size());
    tEntry.lSize = lSize;
    tEntry.lRatio = lRatio;
    tEntry.lPackedSize = lPackedSize;
    tEntry.nMethod = static_cast<std::uint16_t>(lMethod - 1);
    tEntry.lYear = dDate.Year;
    tEntry.nMonth = static_cast<std::uint8_t>(dDate.Month);
    tEntry.nDay = static_cast<std::uint8_t>(dDate.Day);
    tEntry.nHour = static_cast<std::uint8_t>(dDate.Hour);
    tEntry.nMinute = static_cast<std::uint8_t>(dDate.Minute);
    tEntry.nSecond = static_cast<std::uint8_t>(dDate.Second);
    tEntry.lCRC = lCRC;
    tEntry.bEncrypted = bEncrypted;
    tEntry.bSelected = true;
    m_vListing.push_back(tEntry);
    m_sListingText.append(sFolder).append(sName);
    ++m_lCount;
}

std::string cUnzip::ArchivePathOf(const ListEntry &tEntry) const {
    if (tEntry.nFolderLength == 0)
        return std::string(NameOf(tEntry));
    std::string sPath(FolderOf(tEntry));
    sPath.append("/").append(NameOf(tEntry));
    for (char &c : sPath)
        if (c == '\\')
            c = '/';
    return sPath;
}

// ---- Operations.

void cUnzip::Directory() {
    m_tCommand.sArchivePath = m_sZipFile;
    m_tCommand.sTargetFolder.clear();
    m_tCommand.tFields.ListOnly = 1;
    m_lLastEngineResult = -1;
    m_lLastEngineResult = RunUnzipEngine(*this, m_tCommand, {}, {});
}

bool cUnzip::Unzip() {
    m_lLastEngineResult = 0;
    if (m_sZipFile.empty())
        return false;

    std::vector<std::string> vInclude;
    for (const ListEntry &tEntry : m_vListing)
        if (tEntry.bSelected)
            vInclude.push_back(ArchivePathOf(tEntry));
    // Every entry selected: an empty list, which the engine takes as "everything".
    if (vInclude.size() == m_vListing.size())
        vInclude.clear();

    m_tCommand.sArchivePath = m_sZipFile;
    m_tCommand.tFields.ListOnly = 0;
    m_tCommand.sTargetFolder = m_sUnzipFolder;
    m_lLastEngineResult = -1;
    m_lLastEngineResult = RunUnzipEngine(*this, m_tCommand, vInclude, {});
    return m_lLastEngineResult != 0;
}

void cUnzip::GetVersion(std::int32_t &lMajor, std::int32_t &lMinor, std::int32_t &lRevision,
                        ArchiveDate &, std::string &sExtraInfo) {
    UnzipVersionRecord tVersion{};
    tVersion.Length = static_cast<std::int32_t>(sizeof(UnzipVersionRecord));
    tVersion.Flags = 0;
    std::memset(tVersion.FirstText, ' ', sizeof tVersion.FirstText - 1);
    std::memset(tVersion.SecondText, ' ', sizeof tVersion.SecondText - 1);
    std::memset(tVersion.ThirdText, ' ', sizeof tVersion.ThirdText - 1);
    CallUnzipVersion(tVersion);

    sExtraInfo.assign(tVersion.FirstText, strnlen(tVersion.FirstText, sizeof tVersion.FirstText));
    sExtraInfo.resize(10, ' ');
    lMajor = tVersion.Version4[0];
    lMinor = tVersion.Version4[1];
    lRevision = tVersion.Version4[2];
}
