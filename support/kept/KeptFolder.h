// The kept folders on disk. Every folder below the kept root is reached part by part
// from an open folder, never through a symbolic link (a link or a file where a folder
// should be is refused), and every file in it is opened, linked, renamed and removed
// relative to its open folder, so that nothing is ever read from or written to outside
// the kept folder, whatever links lie in it.
#pragma once

#include "support/kept/KeptPlaces.h"
#include "support/kept/KeptRecord.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

// How far a copy has come, read from another thread (a window's progress bar).
struct KeptProgress {
    std::atomic<std::uint64_t> lDone{0};
    std::atomic<std::uint64_t> lTotal{0};
};

// An open folder below the kept root.
class KeptDir {
public:
    KeptDir() = default;
    KeptDir(int nFd, std::string sPath) : m_nFd(nFd), m_sPath(std::move(sPath)) {}
    ~KeptDir();
    KeptDir(KeptDir &&other) noexcept;
    KeptDir &operator=(KeptDir &&other) noexcept;
    KeptDir(const KeptDir &) = delete;
    KeptDir &operator=(const KeptDir &) = delete;

    bool IsOpen() const { return m_nFd >= 0; }
    int Fd() const { return m_nFd; }
    // Its path, for messages.
    const std::string &Path() const { return m_sPath; }
    std::string PathOf(const std::string &sName) const { return m_sPath + "/" + sName; }

    // The folder sName in this one, made when missing with bCreate; not open (errno
    // set) when it cannot be reached, is a link or is no folder.
    KeptDir Sub(const std::string &sName, bool bCreate) const;

private:
    int m_nFd = -1;
    std::string m_sPath;
};

// The kept root (made with bCreate), then the game's folder in it, then the archive's.
KeptDir OpenKeptRoot(bool bCreate);
KeptDir OpenGameKept(const std::string &sGameFolder, bool bCreate);
KeptDir OpenArchiveKept(const KeptDir &game, const std::string &sKey, bool bCreate);

// An exclusive lock on the game's kept folder, held while the object lives, so that
// Keplo, Pelterbox and keplo-kept never change one kept folder at once.
class KeptLock {
public:
    explicit KeptLock(const KeptDir &game);
    ~KeptLock();
    KeptLock(const KeptLock &) = delete;
    KeptLock &operator=(const KeptLock &) = delete;
    bool Held() const { return m_nFd >= 0; }

private:
    int m_nFd = -1;
};

// The stamp of sName in the folder (a link is not followed).
FileStamp StampInKept(const KeptDir &dir, const std::string &sName);
// The record sName of the folder; nothing when it is missing, a link or damaged.
std::optional<KeptRecord> ReadKeptRecord(const KeptDir &dir, const std::string &sName);
// Writes the record crash-safely (a new file renamed over the old one, flushed). 0 or errno.
int WriteKeptRecord(const KeptDir &dir, const std::string &sName, const KeptRecord &record);

// Puts the file at sFrom (a link there followed) into the folder as sName, replacing
// what is there: by a hard link where the file system allows, else by a copy made
// beside it and renamed into place once whole. eHow tells which. 0 or errno.
int KeepFileIn(const KeptDir &dir, const std::string &sFrom, const std::string &sName,
               KeptProgress *pProgress, KeptHow &eHow);

// Copies the open file nFromFd into a new file nToFd from their starts, moving
// pProgress by the bytes copied. 0 or errno.
int CopyFileData(int nFromFd, int nToFd, KeptProgress *pProgress);

// Links sFrom to a second name sTo inside the folder, replacing sTo. 0 or errno.
int LinkInKept(const KeptDir &dir, const std::string &sFrom, const std::string &sTo);
// Removes the temporary files that a keep cut short left in the folder. Only safe
// under the game's KeptLock, which every writer of the folder holds.
void RemoveKeptTempFiles(const KeptDir &dir);

// Renames sFrom to sTo inside the folder, replacing sTo. 0 or errno.
int RenameInKept(const KeptDir &dir, const std::string &sFrom, const std::string &sTo);
// Removes sName (a link itself, never what it leads to). 0, also when nothing was
// there, or errno.
int RemoveInKept(const KeptDir &dir, const std::string &sName);
// Flushes the folder's list of names to the disk.
void SyncKept(const KeptDir &dir);

// Makes linking an archive into a kept folder fail as it does between two file
// systems, so that every version is kept by a copy; for tests. Links inside the kept
// folder are still made.
void SetKeptLinkingFailsForTests(bool bFails);
