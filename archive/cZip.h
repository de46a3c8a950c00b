// cZip: builds or updates a zip archive from files below a base folder, chosen by
// file specifications such as "*", or deletes entries from an archive, through
// the zip engine library libpakwriter.so (loaded by name on first use). Its
// companion module mZip (mZip.h) makes the engine call and receives the
// engine's call-backs.
//
// Errors are raised as ArchiveError (ArchiveError.h). Texts are UTF-8.
#pragma once

#include "engine/include/PakEngine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The owner of a cZip: receives its events, each a synchronous call made while an
// engine call runs. Every method does nothing by default, and the in/out
// parameters' starting values are then the answer.
class cZipEvents {
public:
    virtual ~cZipEvents() = default;

    // The engine reports the file it is working on; set bCancel to stop it.
    virtual void Cancel(const std::string &sMsg, bool &bCancel);
    // The engine needs a password. An empty password (after trimming spaces) or a
    // set bCancel declines, and no further request is made during the same call.
    virtual void PasswordRequest(std::string &sPassword, bool &bCancel);
    // The engine printed a message; lCount is always 1.
    virtual void Progress(std::int32_t lCount, const std::string &sMsg);
};

// The component's own copy of the engine's options record: the integer fields in
// the record's layout (their text pointers stay null) and the root folder, which
// stays a null pointer for the engine until BasePath is written.
struct ZipOptions {
    ZipOptionsRecord tFields{};
    std::optional<std::string> sRootFolder;
};

class cZip {
public:
    // Writes StoreDirectories, StoreFolderNames and RecurseSubDirs false.
    cZip();
    ~cZip();
    cZip(const cZip &) = delete;
    cZip &operator=(const cZip &) = delete;

    // The one owner that receives the events (not owned); nullptr for none.
    void SetOwner(cZipEvents *pOwner) { m_pOwner = pOwner; }
    cZipEvents *Owner() const { return m_pOwner; }

    // ---- Properties. None is validated.
    const std::string &ZipFile() const { return m_sZipFile; }
    void SetZipFile(const std::string &sFileName) { m_sZipFile = sFileName; }
    // The folder the specifications are resolved against, handed to the engine as its
    // root; a Zip or Delete fails with error 76 when it is not blank and no folder.
    // The process's current folder never changes.
    std::string BasePath() const;
    void SetBasePath(const std::string &sBasePath);
    bool Encrypt() const;
    void SetEncrypt(bool bState);
    bool IncludeSystemAndHiddenFiles() const;
    void SetIncludeSystemAndHiddenFiles(bool bState);
    bool StoreVolumeLabel() const;
    void SetStoreVolumeLabel(bool bState);
    bool StoreDirectories() const; // stored negated ("no folder entries")
    void SetStoreDirectories(bool bState);
    bool StoreFolderNames() const; // stored negated ("drop folder names")
    void SetStoreFolderNames(bool bState);
    bool RecurseSubDirs() const; // stored as 2 or 0
    void SetRecurseSubDirs(bool bState);
    bool UpdateOnlyIfNewer() const;
    void SetUpdateOnlyIfNewer(bool bState);
    bool FreshenFiles() const;
    void SetFreshenFiles(bool bState);
    // 0, 1 or 2 (the default); writing any other value changes nothing.
    std::int32_t MessageLevel() const;
    void SetMessageLevel(std::int32_t eLevel);
    bool ConvertCRLFToLF() const;
    void SetConvertCRLFToLF(bool bState);
    bool ConvertLFToCRLF() const;
    void SetConvertLFToCRLF(bool bState);
    bool AllowAppend() const; // true only when the stored value is exactly 1
    void SetAllowAppend(bool bState);

    // ---- File specifications: names or wildcard patterns relative to BasePath.
    void ClearFileSpecs();
    void AddFileSpec(const std::string &sSpec);
    std::int32_t FileSpecCount() const { return static_cast<std::int32_t>(m_vSpecs.size()); }
    // 1-based; any other index raises error 9 (subscript out of range).
    std::string FileSpec(std::int32_t nIndex) const;

    // The most specifications one Zip or Delete takes: the name list's slots less
    // the null and the empty text that end it.
    static constexpr std::int32_t kMostFileSpecs = ENGINE_NAME_LIST_SLOTS - 2;

    // ---- Operations. At most kMostFileSpecs (1022) specifications; more raise error 9
    // before the archive is touched. The engine's result is not returned (see LastEngineResult).
    void Zip();
    // Removes the entries named by the specifications from the archive.
    void Delete();

    // Addition: the result of the engine call made by the last Zip or Delete
    // (0 = finished without complaint, see engine/include/PakEngine.h); 0 before any
    // call, and -1 when the last Zip or Delete failed with an error before the
    // engine returned. Lets a caller refuse to throw away the files it packed
    // when the archive was not written.
    std::int32_t LastEngineResult() const { return m_lLastEngineResult; }

private:
    void RunEngine();

    cZipEvents *m_pOwner = nullptr;
    std::string m_sZipFile;
    ZipOptions m_tOptions;
    std::vector<std::string> m_vSpecs; // specification i at m_vSpecs[i - 1]
    std::int32_t m_lLastEngineResult = 0;

    friend struct ZipModuleAccess;
};
