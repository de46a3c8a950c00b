// The kept versions of the game's archives: the way back from a write that went wrong.
//
// Before Keplo's Save Changes, or Pelterbox's install or compress, writes an archive of
// the game, the archive as it is is kept (KeptWrite):
//   - the original: at the first write ever, once, and never replaced afterwards;
//   - the previous version: at every write, replacing the one before.
// An archive that a write creates is recorded as well (its kept state is None: there
// was no archive), so that undoing the write takes it out of the game again.
//
// A version is kept by a hard link where the kept folder and the game share a file
// system (no byte is copied: the engine writes a new file and renames it over the old
// one, which the link keeps), by a copy otherwise. Putting a version back (RestoreKept)
// checks it first, keeps the archive as it is then as the new previous version (so a
// restore is undone like a write) and replaces the archive through a temporary file
// renamed over it, so that it is the old archive or the restored one at any moment.
//
//     KeptWrite keeping(GameFolder(), sArchivePath, "Keplo");
//     if (!keeping.Keep(&progress)) ... ask whether to write without it
//     const JobOutcome written = m_jobs.Pack(...);
//     keeping.Finish(!written.IsFailed());
#pragma once

#include "archive/jobs/JobOutcome.h"
#include "support/kept/KeptFolder.h"
#include "support/kept/KeptPlaces.h"
#include "support/kept/KeptRecord.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What is kept of one archive.
struct KeptArchive {
    KeptPlace place;
    std::string sFolder; // its kept folder
    std::optional<KeptRecord> original;
    std::optional<KeptRecord> previous;
    // The archive is not as the last write recorded here left it: something else (a
    // game patch, say) changed it since.
    bool bChangedOutside = false;

    const std::optional<KeptRecord> &Version(KeptKind eKind) const {
        return eKind == KeptKind::Original ? original : previous;
    }
    // Where the kept file of a version lies.
    std::string FilePath(KeptKind eKind) const;
};

// What is kept of the archive; nothing kept reads as no records.
KeptArchive ReadKept(const KeptPlace &place);
// Every archive of the game with a kept version, by key.
std::vector<KeptArchive> ListKept(const std::string &sGameFolder);

// Keeping one archive around one write of it.
class KeptWrite {
public:
    // sProgram is about to write sArchivePath. Nothing is kept of a file that is not
    // an archive in one of the game's GameData folders.
    KeptWrite(const std::string &sGameFolder, const std::string &sArchivePath,
              std::string sProgram);
    ~KeptWrite();
    KeptWrite(const KeptWrite &) = delete;
    KeptWrite &operator=(const KeptWrite &) = delete;

    // Whether the archive is one of the game's, whose versions are kept.
    bool Applies() const { return m_place.has_value(); }
    const std::optional<KeptPlace> &Place() const { return m_place; }

    // Keeps the archive as it is now, before the write (the slow part, which may run
    // on another thread; pProgress moves while a copy is made). True when it is kept,
    // or nothing is to be kept. False when it could not be kept (the kept folder
    // cannot be written, the disk is full): Reason() says why, and OriginalLost()
    // whether the original is among what was not kept.
    bool Keep(KeptProgress *pProgress = nullptr);
    bool OriginalLost() const { return m_bOriginalLost; }
    const std::string &Reason() const { return m_sReason; }

    // After the write: bWritten when the archive was written (wholly or in part), false
    // when the write left it as it was. Records the archive as the write left it.
    void Finish(bool bWritten);

private:
    bool Fail(const std::string &sWhat, int nError);

    std::optional<KeptPlace> m_place;
    std::string m_sProgram;
    bool m_bPending = false;     // the previous version waits for Finish
    bool m_bOriginalNew = false; // the original was kept by this write
    bool m_bOriginalLost = false;
    std::string m_sReason;
};

// How a kept version is checked before it is put back: every entry of the archive at
// sPath read and checked against its CRC (ArchiveJobs::Test). Done when all pass.
using KeptCheck = std::function<JobOutcome(const std::string &sPath)>;

struct KeptOutcome {
    enum class Kind {
        Done,
        NothingKept, // no such version is kept
        Damaged,     // the kept version is missing or damaged: nothing was changed
        Failed,      // it could not be put back: the archive is as it was
    };
    Kind eKind = Kind::Done;
    std::string sReason;
    // The file the reason is about: the kept file or the archive.
    std::string sPath;

    bool IsDone() const { return eKind == Kind::Done; }
};

// Puts the kept version eKind of the archive back, after checking it, and keeps the
// archive as it was as the new previous version. sProgram is the one asking.
KeptOutcome RestoreKept(const KeptPlace &place, KeptKind eKind, const KeptCheck &fnCheck,
                        const std::string &sProgram, KeptProgress *pProgress = nullptr);

// Drops every kept version of the archive: removes the files Keplo kept for it, and
// nothing else, from its kept folder, then the folders it leaves empty.
KeptOutcome ForgetKept(const KeptPlace &place);

// Called at each step of a restore ("copied": the kept version lies beside the archive;
// "kept": the archive as it is is kept; "applied": the archive is replaced), so that
// tests can stop a restore at any of them. Null (the default) does nothing.
using KeptStepHook = void (*)(const char *sStep);
void SetKeptStepHookForTests(KeptStepHook pHook);
