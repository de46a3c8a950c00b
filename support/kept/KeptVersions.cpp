#include "support/kept/KeptVersions.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

KeptStepHook g_pStepHook = nullptr;

void Step(const char *sStep) {
    if (g_pStepHook)
        g_pStepHook(sStep);
}

// The files of an archive's kept folder.
const std::string kOriginalFile = "original.vl2";
const std::string kOriginalRecord = "original.record";
const std::string kPreviousFile = "previous.vl2";
const std::string kPreviousRecord = "previous.record";
// The previous version of a write under way, which takes the place of the one above
// once the write is done.
const std::string kPendingFile = "previous.new";
const std::string kPendingRecord = "previous.new.record";

const std::string &FileOf(KeptKind eKind) {
    return eKind == KeptKind::Original ? kOriginalFile : kPreviousFile;
}
const std::string &RecordOf(KeptKind eKind) {
    return eKind == KeptKind::Original ? kOriginalRecord : kPreviousRecord;
}

std::string ErrorText(int nError) {
    return std::strerror(nError);
}

void SyncFolder(const std::string &sFolder) {
    const int nFd = open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd >= 0) {
        fsync(nFd);
        close(nFd);
    }
}

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Whether the program that wrote a pending record is still at its write.
bool StillRunning(std::int64_t lPid) {
    if (lPid <= 0 || lPid == getpid())
        return false;
    return kill(static_cast<pid_t>(lPid), 0) == 0 || errno == EPERM;
}

// The pending previous version takes the place of the previous one: its record with
// the archive as the write left it, its file (or, for "there was no archive", no file).
void CommitPending(const KeptDir &dir, const FileStamp &after) {
    std::optional<KeptRecord> pending = ReadKeptRecord(dir, kPendingRecord);
    if (!pending)
        return;
    if (!pending->after)
        pending->after = after;
    pending->lPendingPid = 0;
    if (WriteKeptRecord(dir, kPendingRecord, *pending) != 0)
        return;
    if (pending->eState == KeptState::File) {
        if (StampInKept(dir, kPendingFile).eKind != StampKind::Missing)
            RenameInKept(dir, kPendingFile, kPreviousFile);
    } else {
        RemoveInKept(dir, kPreviousFile);
    }
    RenameInKept(dir, kPendingRecord, kPreviousRecord);
    SyncKept(dir);
}

void DiscardPending(const KeptDir &dir) {
    RemoveInKept(dir, kPendingFile);
    RemoveInKept(dir, kPendingRecord);
}

// Mends what a keep, a write or a restore cut short left behind; under the lock.
void Recover(const KeptDir &dir, const KeptPlace &place) {
    RemoveKeptTempFiles(dir);
    const std::optional<KeptRecord> pending = ReadKeptRecord(dir, kPendingRecord);
    const bool bPendingFile = StampInKept(dir, kPendingFile).eKind == StampKind::Regular;
    if (!pending) {
        if (bPendingFile)
            RemoveInKept(dir, kPendingFile);
    } else if (!StillRunning(pending->lPendingPid)) {
        // The write went through when the archive is no longer what was kept.
        const FileStamp now = StampOf(place.ArchivePath(), true);
        const bool bWritten = pending->eState == KeptState::File
                                  ? !bPendingFile || !SameArchiveFile(now, pending->before)
                                  : now.eKind != StampKind::Missing;
        if (bWritten)
            CommitPending(dir, now);
        else
            DiscardPending(dir);
    }
    // An original without its record is one whose keeping was cut short.
    if (!ReadKeptRecord(dir, kOriginalRecord) &&
        StampInKept(dir, kOriginalFile).eKind != StampKind::Missing)
        RemoveInKept(dir, kOriginalFile);
}

KeptRecord NewRecord(const KeptPlace &place, KeptKind eKind, const FileStamp &now,
                     KeptHow eHow, const std::string &sProgram) {
    KeptRecord record;
    record.sKey = place.sKey;
    record.eKind = eKind;
    record.eState = now.eKind == StampKind::Regular ? KeptState::File : KeptState::None;
    record.eHow = eHow;
    record.sSource = place.ArchivePath();
    record.sProgram = sProgram;
    record.lKeptAt = Now();
    if (record.eState == KeptState::File)
        record.before = now;
    return record;
}

// Keeps the archive as it is now as the pending previous version. 0 or errno.
int KeepPending(const KeptDir &dir, const KeptPlace &place, const FileStamp &now,
                const std::string &sProgram, KeptProgress *pProgress) {
    KeptHow eHow = KeptHow::Link;
    if (now.eKind == StampKind::Regular)
        if (const int nError =
                KeepFileIn(dir, place.ArchivePath(), kPendingFile, pProgress, eHow))
            return nError;
    KeptRecord pending = NewRecord(place, KeptKind::Previous, now, eHow, sProgram);
    pending.lPendingPid = getpid();
    if (const int nError = WriteKeptRecord(dir, kPendingRecord, pending)) {
        RemoveInKept(dir, kPendingFile);
        return nError;
    }
    return 0;
}

KeptOutcome Outcome(KeptOutcome::Kind eKind, std::string sReason, std::string sPath) {
    return KeptOutcome{eKind, std::move(sReason), std::move(sPath)};
}

// The temporary files a restore of sFileName cut short left beside the archive.
void RemoveRestoreLeftovers(const std::string &sFolder, const std::string &sFileName) {
    DIR *pDir = opendir(sFolder.c_str());
    if (!pDir)
        return;
    const std::string sPrefix = "." + sFileName + ".restore-";
    std::vector<std::string> names;
    while (const dirent *pEntry = readdir(pDir)) {
        const std::string sName = pEntry->d_name;
        if (sName.compare(0, sPrefix.size(), sPrefix) == 0)
            names.push_back(sName);
    }
    closedir(pDir);
    for (const std::string &sName : names)
        unlink((sFolder + "/" + sName).c_str());
}

// Copies the kept file nFromFd to a new hidden file beside the archive, with the kept
// version's time and the archive's permissions (the kept file's, when there is no
// archive), flushed to the disk. The temporary file's path, or errno.
int CopyBesideArchive(int nFromFd, const KeptRecord &record, const KeptPlace &place,
                      const FileStamp &now, KeptProgress *pProgress, std::string &sTemp) {
    const std::string sArchive = place.ArchivePath();
    sTemp = place.Folder() + "/." + place.FileName() + ".restore-XXXXXX";
    const int nTo = mkostemp(sTemp.data(), O_CLOEXEC);
    if (nTo < 0) {
        sTemp.clear();
        return errno;
    }
    struct stat stFrom {};
    fstat(nFromFd, &stFrom);
    struct stat stArchive {};
    const mode_t lMode = now.eKind == StampKind::Regular && stat(sArchive.c_str(), &stArchive) == 0
                             ? stArchive.st_mode & 07777
                             : stFrom.st_mode & 0666;
    int nError = CopyFileData(nFromFd, nTo, pProgress);
    const struct timespec times[2] = {
        {record.before.tModified.lSeconds, record.before.tModified.lNanoseconds},
        {record.before.tModified.lSeconds, record.before.tModified.lNanoseconds}};
    if (nError == 0 && (fchmod(nTo, lMode) != 0 || futimens(nTo, times) != 0 || fsync(nTo) != 0))
        nError = errno;
    if (close(nTo) != 0 && nError == 0)
        nError = errno;
    if (nError != 0) {
        unlink(sTemp.c_str());
        sTemp.clear();
    }
    return nError;
}

// The parts of a key: "GameData", the folder, the file name.
std::vector<std::string> KeyParts(const std::string &sKey) {
    std::vector<std::string> parts;
    std::string::size_type lStart = 0;
    for (;;) {
        const std::string::size_type lEnd = sKey.find('/', lStart);
        parts.push_back(sKey.substr(lStart, lEnd - lStart));
        if (lEnd == std::string::npos)
            return parts;
        lStart = lEnd + 1;
    }
}

// The names of the folders in dir, without following links.
std::vector<std::string> FoldersIn(const KeptDir &dir) {
    std::vector<std::string> names;
    const int nFd = dup(dir.Fd());
    if (nFd < 0)
        return names;
    DIR *pDir = fdopendir(nFd);
    if (!pDir) {
        close(nFd);
        return names;
    }
    while (const dirent *pEntry = readdir(pDir)) {
        const std::string sName = pEntry->d_name;
        if (sName != "." && sName != ".." &&
            StampInKept(dir, sName).eKind == StampKind::Folder)
            names.push_back(sName);
    }
    closedir(pDir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::string KeptArchive::FilePath(KeptKind eKind) const {
    return sFolder + "/" + FileOf(eKind);
}

KeptArchive ReadKept(const KeptPlace &place) {
    KeptArchive kept;
    kept.place = place;
    kept.sFolder = KeptRoot() + "/" + GameKeptName(place.sGameFolder) + "/" + place.sKey;
    const KeptDir game = OpenGameKept(place.sGameFolder, false);
    const KeptDir dir = OpenArchiveKept(game, place.sKey, false);
    if (!dir.IsOpen())
        return kept;
    kept.original = ReadKeptRecord(dir, kOriginalRecord);
    kept.previous = ReadKeptRecord(dir, kPreviousRecord);
    // The last write recorded is the previous version's; before the first write
    // finished, there is none to compare with.
    const std::optional<KeptRecord> &last = kept.previous ? kept.previous : kept.original;
    if (last && last->after)
        kept.bChangedOutside = !SameArchiveFile(StampOf(place.ArchivePath(), true), *last->after);
    return kept;
}

std::vector<KeptArchive> ListKept(const std::string &sGameFolder) {
    std::vector<KeptArchive> list;
    const KeptDir game = OpenGameKept(sGameFolder, false);
    const KeptDir gameData = game.Sub("GameData", false);
    if (!gameData.IsOpen())
        return list;
    std::string sGame = sGameFolder;
    if (sGame.empty() || sGame.back() != '/')
        sGame += '/';
    for (const std::string &sFolder : FoldersIn(gameData)) {
        const KeptDir folder = gameData.Sub(sFolder, false);
        for (const std::string &sArchive : FoldersIn(folder)) {
            KeptArchive kept = ReadKept(KeptPlace{sGame, "GameData/" + sFolder + "/" + sArchive});
            if (kept.original || kept.previous)
                list.push_back(std::move(kept));
        }
    }
    return list;
}

KeptWrite::KeptWrite(const std::string &sGameFolder, const std::string &sArchivePath,
                     std::string sProgram)
    : m_sProgram(std::move(sProgram)) {
    std::string sGame = sGameFolder;
    if (!sGame.empty() && sGame.back() != '/')
        sGame += '/';
    if (const std::optional<std::string> sKey = KeptKeyOf(sGame, sArchivePath))
        m_place = KeptPlace{sGame, *sKey};
}

KeptWrite::~KeptWrite() {
    // A write that never reported back is taken as not done; Recover finds out
    // otherwise from the archive.
    if (m_bPending)
        Finish(false);
}

bool KeptWrite::Fail(const std::string &sWhat, int nError) {
    m_sReason = sWhat + ": " + ErrorText(nError);
    return false;
}

bool KeptWrite::Keep(KeptProgress *pProgress) {
    m_sReason.clear();
    m_bOriginalLost = false;
    if (!m_place)
        return true;
    const KeptPlace &place = *m_place;
    // Whether an original is kept already, should the folder turn out not to be writable.
    m_bOriginalLost = !ReadKept(place).original.has_value();

    const KeptDir game = OpenGameKept(place.sGameFolder, true);
    if (!game.IsOpen())
        return Fail("the kept folder " + KeptRoot() + "/" + GameKeptName(place.sGameFolder) +
                        " cannot be made",
                    errno);
    const KeptLock lock(game);
    if (!lock.Held())
        return Fail("the kept folder " + game.Path() + " cannot be locked", errno);
    const KeptDir dir = OpenArchiveKept(game, place.sKey, true);
    if (!dir.IsOpen())
        return Fail("the kept folder " + game.Path() + "/" + place.sKey + " cannot be made",
                    errno);
    Recover(dir, place);

    const FileStamp now = StampOf(place.ArchivePath(), true);
    // Something other than a file where the archive should be: the write fails on its
    // own, and there is nothing to keep.
    if (now.eKind != StampKind::Regular && now.eKind != StampKind::Missing) {
        m_bOriginalLost = false;
        return true;
    }

    KeptHow eOriginalHow = KeptHow::Link;
    if (!ReadKeptRecord(dir, kOriginalRecord)) {
        m_bOriginalLost = true;
        if (now.eKind == StampKind::Regular)
            if (const int nError = KeepFileIn(dir, place.ArchivePath(), kOriginalFile, pProgress,
                                              eOriginalHow))
                return Fail(dir.PathOf(kOriginalFile) + " cannot be written", nError);
        const KeptRecord original =
            NewRecord(place, KeptKind::Original, now, eOriginalHow, m_sProgram);
        if (const int nError = WriteKeptRecord(dir, kOriginalRecord, original)) {
            RemoveInKept(dir, kOriginalFile);
            return Fail(dir.PathOf(kOriginalRecord) + " cannot be written", nError);
        }
        m_bOriginalNew = true;
    }
    m_bOriginalLost = false;

    // A copy just made for the original serves the previous version as well.
    if (m_bOriginalNew && eOriginalHow == KeptHow::Copy && now.eKind == StampKind::Regular &&
        LinkInKept(dir, kOriginalFile, kPendingFile) == 0) {
        KeptRecord pending = NewRecord(place, KeptKind::Previous, now, KeptHow::Copy, m_sProgram);
        pending.lPendingPid = getpid();
        if (const int nError = WriteKeptRecord(dir, kPendingRecord, pending)) {
            RemoveInKept(dir, kPendingFile);
            return Fail(dir.PathOf(kPendingRecord) + " cannot be written", nError);
        }
    } else if (const int nError = KeepPending(dir, place, now, m_sProgram, pProgress)) {
        return Fail(dir.PathOf(kPreviousFile) + " cannot be written", nError);
    }
    m_bPending = true;
    return true;
}

void KeptWrite::Finish(bool bWritten) {
    if (!m_place || (!m_bPending && !m_bOriginalNew))
        return;
    const KeptPlace &place = *m_place;
    const KeptDir game = OpenGameKept(place.sGameFolder, false);
    const KeptLock lock(game);
    const KeptDir dir = OpenArchiveKept(game, place.sKey, false);
    const FileStamp after = StampOf(place.ArchivePath(), true);
    if (m_bPending) {
        if (bWritten)
            CommitPending(dir, after);
        else
            DiscardPending(dir);
    }
    if (m_bOriginalNew && bWritten) {
        if (std::optional<KeptRecord> original = ReadKeptRecord(dir, kOriginalRecord)) {
            original->after = after;
            WriteKeptRecord(dir, kOriginalRecord, *original);
        }
    }
    m_bPending = false;
    m_bOriginalNew = false;
}

KeptOutcome RestoreKept(const KeptPlace &place, KeptKind eKind, const KeptCheck &fnCheck,
                        const std::string &sProgram, KeptProgress *pProgress) {
    using Kind = KeptOutcome::Kind;
    const std::string sArchive = place.ArchivePath();
    const char *sWhich = eKind == KeptKind::Original ? "original" : "previous version";
    const KeptDir game = OpenGameKept(place.sGameFolder, false);
    if (!game.IsOpen())
        return Outcome(Kind::NothingKept, std::string("no ") + sWhich + " is kept", sArchive);
    const KeptLock lock(game);
    const KeptDir dir = OpenArchiveKept(game, place.sKey, false);
    if (!dir.IsOpen() || !lock.Held())
        return Outcome(Kind::NothingKept, std::string("no ") + sWhich + " is kept", sArchive);
    Recover(dir, place);
    RemoveRestoreLeftovers(place.Folder(), place.FileName());
    const std::optional<KeptRecord> record = ReadKeptRecord(dir, RecordOf(eKind));
    if (!record)
        return Outcome(Kind::NothingKept, std::string("no ") + sWhich + " is kept", sArchive);

    const FileStamp now = StampOf(sArchive, true);
    if (now.eKind != StampKind::Regular && now.eKind != StampKind::Missing)
        return Outcome(Kind::Failed, "something other than a file lies where the archive belongs",
                       sArchive);

    std::string sTemp;
    if (record->eState == KeptState::File) {
        const std::string sKept = dir.PathOf(FileOf(eKind));
        const int nKept = openat(dir.Fd(), FileOf(eKind).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (nKept < 0) {
            const int nError = errno;
            return Outcome(Kind::Damaged,
                           nError == ENOENT  ? "the kept file is missing"
                           : nError == ELOOP ? "the kept file is a symbolic link, which is never "
                                               "followed"
                                             : "the kept file cannot be read: " + ErrorText(nError),
                           sKept);
        }
        struct stat st {};
        std::string sProblem;
        if (fstat(nKept, &st) != 0 || !S_ISREG(st.st_mode))
            sProblem = "the kept file is not a file";
        else if (st.st_size != record->before.lSize)
            sProblem = "the kept file holds " + std::to_string(st.st_size) + " bytes where " +
                       std::to_string(record->before.lSize) + " were kept";
        if (sProblem.empty()) {
            // The check reads the very file that is copied below, whatever happens to
            // its name meanwhile.
            const std::string sOpen = "/proc/self/fd/" + std::to_string(nKept);
            JobOutcome checked = fnCheck(sOpen);
            if (!checked.IsDone()) {
                for (std::size_t lAt = checked.sReason.find(sOpen); lAt != std::string::npos;
                     lAt = checked.sReason.find(sOpen, lAt + sKept.size()))
                    checked.sReason.replace(lAt, sOpen.size(), sKept);
                sProblem = checked.sReason.empty() ? "the kept file is damaged" : checked.sReason;
            }
        }
        if (!sProblem.empty()) {
            close(nKept);
            return Outcome(Kind::Damaged, sProblem, sKept);
        }
        if (pProgress)
            pProgress->lTotal.fetch_add(static_cast<std::uint64_t>(st.st_size));
        const int nError = CopyBesideArchive(nKept, *record, place, now, pProgress, sTemp);
        close(nKept);
        if (nError != 0)
            return Outcome(Kind::Failed,
                           "the archive's folder cannot be written: " + ErrorText(nError), sArchive);
        Step("copied");
    } else if (now.eKind == StampKind::Missing) {
        // There was no archive, and there is none: nothing to change.
        return Outcome(Kind::Done, std::string(), sArchive);
    }

    // The archive as it is now becomes the previous version, so that this is undone
    // like any write.
    if (const int nError = KeepPending(dir, place, now, sProgram, pProgress)) {
        if (!sTemp.empty())
            unlink(sTemp.c_str());
        return Outcome(Kind::Failed,
                       "the archive as it is now cannot be kept: " + ErrorText(nError), sArchive);
    }
    Step("kept");
    // The one step that changes the archive: it is the old one before and the restored
    // one after.
    const bool bApplied = record->eState == KeptState::File ? rename(sTemp.c_str(), sArchive.c_str()) == 0
                                                          : unlink(sArchive.c_str()) == 0;
    if (!bApplied) {
        const int nError = errno;
        if (!sTemp.empty())
            unlink(sTemp.c_str());
        DiscardPending(dir);
        return Outcome(Kind::Failed, "the archive cannot be replaced: " + ErrorText(nError),
                       sArchive);
    }
    SyncFolder(place.Folder());
    Step("applied");
    CommitPending(dir, StampOf(sArchive, true));
    return Outcome(Kind::Done, std::string(), sArchive);
}

KeptOutcome ForgetKept(const KeptPlace &place) {
    using Kind = KeptOutcome::Kind;
    const KeptDir game = OpenGameKept(place.sGameFolder, false);
    const KeptLock lock(game);
    const KeptDir dir = OpenArchiveKept(game, place.sKey, false);
    if (!dir.IsOpen() || !lock.Held())
        return Outcome(Kind::NothingKept, "nothing is kept", place.ArchivePath());
    if (const auto pending = ReadKeptRecord(dir, kPendingRecord);
        pending && StillRunning(pending->lPendingPid))
        return Outcome(Kind::Failed, "a write of it is under way", place.ArchivePath());

    RemoveKeptTempFiles(dir);
    for (const std::string &sName : {kOriginalFile, kOriginalRecord, kPreviousFile,
                                     kPreviousRecord, kPendingFile, kPendingRecord})
        if (const int nError = RemoveInKept(dir, sName))
            return Outcome(Kind::Failed, dir.PathOf(sName) + " cannot be removed: " +
                                             ErrorText(nError),
                           dir.Path());
    SyncKept(dir);

    // The folders of the key, deepest first, each only when nothing else lies in it.
    const std::vector<std::string> parts = KeyParts(place.sKey);
    std::vector<KeptDir> chain;
    chain.push_back(game.Sub(parts[0], false));
    chain.push_back(chain.back().Sub(parts[1], false));
    std::string sLeft;
    for (std::size_t i = parts.size(); i-- > 0;) {
        const int nParent = i == 0 ? game.Fd() : chain[i - 1].Fd();
        if (nParent < 0 || unlinkat(nParent, parts[i].c_str(), AT_REMOVEDIR) != 0) {
            if (i == parts.size() - 1 && errno == ENOTEMPTY)
                sLeft = "files that Keplo did not keep are left in " + dir.Path();
            break;
        }
    }
    return Outcome(Kind::Done, sLeft, dir.Path());
}

void SetKeptStepHookForTests(KeptStepHook pHook) {
    g_pStepHook = pHook;
}
