// cUnzip: lists the entries of a zip archive and extracts all of them or a chosen
// subset into a folder, through the unzip engine library libpakreader.so (loaded
// by name on first use). Its companion module mUnzip (mUnzip.h) makes the engine
// call and receives the engine's call-backs.
//
// Errors are raised as ArchiveError (ArchiveError.h). Texts are UTF-8.
#pragma once

#include "archive/ArchiveDate.h"
#include "engine/include/PakEngine.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The owner of a cUnzip: receives its events, each a synchronous call made while
// an engine call runs. Every method does nothing by default, and the in/out
// parameters' starting values are then the answer.
class cUnzipEvents {
public:
    virtual ~cUnzipEvents() = default;

    // The engine reports the entry it is working on; set bCancel to stop it.
    virtual void Cancel(const std::string &sMsg, bool &bCancel);
    // A file about to be written exists already. eResponse starts at 100 (keep
    // the file); the engine's answers are listed in engine/include/PakEngine.h.
    virtual void OverwritePrompt(const std::string &sName, std::int32_t &eResponse);
    // An encrypted entry needs a password. An empty password (after trimming
    // spaces) or a set bCancel declines, and no further request is made during
    // the same engine call.
    virtual void PasswordRequest(std::string &sPassword, bool &bCancel);
    // The engine printed a message; lCount is always 1.
    virtual void Progress(std::int32_t lCount, const std::string &sMsg);
};

// The component's own copy of the engine's command record: the integer fields in
// the record's layout (their text pointers stay null) and the two texts.
struct UnzipCommand {
    UnzipCommandRecord tFields{};
    std::string sArchivePath;
    std::string sTargetFolder;
};

class cUnzip {
public:
    cUnzip() = default;
    ~cUnzip();
    cUnzip(const cUnzip &) = delete;
    cUnzip &operator=(const cUnzip &) = delete;

    // The one owner that receives the events (not owned); nullptr for none.
    void SetOwner(cUnzipEvents *pOwner) { m_pOwner = pOwner; }
    cUnzipEvents *Owner() const { return m_pOwner; }

    // ---- Option properties, stored in the command record (booleans as 1/0;
    // any non-zero stored value reads true). None is validated.
    bool ExtractOnlyNewer() const;
    void SetExtractOnlyNewer(bool bState);
    bool SpaceToUnderScore() const;
    void SetSpaceToUnderScore(bool bState);
    bool PromptToOverwrite() const;
    void SetPromptToOverwrite(bool bState);
    std::int32_t MessageLevel() const;
    void SetMessageLevel(std::int32_t eLevel);
    bool TestZip() const;
    void SetTestZip(bool bState);
    bool UseFolderNames() const;
    void SetUseFolderNames(bool bState);
    bool OverwriteExisting() const;
    void SetOverwriteExisting(bool bState);
    bool ConvertCRToCRLF() const;
    void SetConvertCRToCRLF(bool bState);
    bool CaseSensitiveFileNames() const;
    void SetCaseSensitiveFileNames(bool bState);

    // ---- Archive and target.
    // Writing the archive path empties the listing.
    const std::string &ZipFile() const { return m_sZipFile; }
    void SetZipFile(const std::string &sFile);
    // Reading also copies the folder into the command record's target field.
    std::string UnzipFolder();
    void SetUnzipFolder(const std::string &sFolder);

    // ---- The listing, filled by Directory. Indices run from 1 to FileCount; any
    // other index raises error 9 (subscript out of range).
    std::int32_t FileCount() const { return m_lCount; }
    std::string Filename(std::int32_t lIndex) const;
    // The entry's folder inside the archive, "\" between folders, no trailing "\";
    // empty for an entry at the archive's root.
    std::string FileDirectory(std::int32_t lIndex) const;
    std::int32_t FileSize(std::int32_t lIndex) const;
    // Size * ratio / 100, truncated toward zero; error 6 (overflow) when the product
    // does not fit in 32 bits.
    std::int32_t FilePackedSize(std::int32_t lIndex) const;
    std::int32_t FileCompressionRatio(std::int32_t lIndex) const;
    // The entry's size and packed size in bytes as the engine reports them, read as
    // the unsigned numbers they are: sizes of 2 GiB and more come out right.
    std::uint64_t FileBytes(std::int32_t lIndex) const;
    std::uint64_t FilePackedBytes(std::int32_t lIndex) const;
    ArchiveDate FileDate(std::int32_t lIndex) const;
    std::uint32_t FileCRC(std::int32_t lIndex) const;
    std::string FileCompressionMethod(std::int32_t lIndex) const;
    bool FileEncrypted(std::int32_t lIndex) const;
    bool FileSelected(std::int32_t lIndex) const;
    void SetFileSelected(std::int32_t lIndex, bool bState);

    // ---- Operations.
    // Lists the archive: the engine reports each entry, and every entry with a
    // file name is appended to the listing (a second call appends again).
    void Directory();
    // Extracts the selected entries (every entry when all, none or no listing is
    // selected) into UnzipFolder. True when the engine returned a non-zero result
    // (a warning or a failure), false when it returned 0 or no archive is set.
    bool Unzip();
    // The result of the engine call made by the last Directory or Unzip (0 = finished
    // without complaint, see engine/include/PakEngine.h); 0 before any call and after
    // an Unzip with no archive set, -1 when the last call failed with an error before
    // the engine returned.
    std::int32_t LastEngineResult() const { return m_lLastEngineResult; }

    // The engine's version: major, minor and patch numbers and its extra text
    // padded to 10 characters. dDate is left as passed.
    void GetVersion(std::int32_t &lMajor, std::int32_t &lMinor, std::int32_t &lRevision,
                    ArchiveDate &dDate, std::string &sExtraInfo);

private:
    // One listed entry, compact: an archive may hold hundreds of thousands. Its
    // folder and name lie one after the other in m_sListingText; its method is a
    // number in m_vMethods.
    struct ListEntry {
        std::uint64_t lTextStart;
        std::int32_t lSize;
        std::int32_t lRatio;
        std::uint32_t lPackedSize;
        std::uint32_t lCRC;
        std::int32_t lYear;
        std::uint16_t nFolderLength;
        std::uint16_t nNameLength;
        std::uint16_t nMethod;
        std::uint8_t nMonth, nDay, nHour, nMinute, nSecond;
        bool bEncrypted;
        bool bSelected;
    };

    std::string_view FolderOf(const ListEntry &tEntry) const;
    std::string_view NameOf(const ListEntry &tEntry) const;
    // The path the engine knows an entry by: folder + "/" + name with "/"
    // separators, or the name alone for an entry at the root.
    std::string ArchivePathOf(const ListEntry &tEntry) const;

    const ListEntry &Entry(std::int32_t lIndex) const;
    ListEntry &Entry(std::int32_t lIndex);

    // Called by mUnzip's call-back routines while this component's engine call runs.
    friend struct UnzipModuleAccess;
    void AddListEntry(const std::string &sName, const std::string &sFolder,
                      const ArchiveDate &dDate, std::int32_t lSize, std::uint32_t lCRC,
                      bool bEncrypted, std::int32_t lRatio, const std::string &sMethod,
                      std::uint32_t lPackedSize);

    cUnzipEvents *m_pOwner = nullptr;
    std::string m_sZipFile;
    std::string m_sUnzipFolder;
    std::vector<ListEntry> m_vListing; // entry i at m_vListing[i - 1]
    std::string m_sListingText;          // every entry's folder and name
    std::vector<std::string> m_vMethods; // every method named in the listing, once
    std::int32_t m_lCount = 0;
    UnzipCommand m_tCommand;
    std::int32_t m_lLastEngineResult = 0;
};
