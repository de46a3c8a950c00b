#include "archive/jobs/ArchiveJobs.h"

#include "archive/ArchiveError.h"
#include "archive/mUnzip.h"
#include "archive/mZip.h"
#include "engine/include/PakEngine.h"
#include "platform/os/AtomicFile.h"
#include "platform/os/Log.h"
#include "platform/os/ProgramFolder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// A name beside sPath that nothing uses, for an archive that is to take sPath's place.
std::string UnusedPathBeside(const std::string &sPath) {
    const std::string::size_type lSlash = sPath.rfind('/');
    const std::string sFolder = lSlash == std::string::npos ? "" : sPath.substr(0, lSlash + 1);
    const std::string sName = lSlash == std::string::npos ? sPath : sPath.substr(lSlash + 1);
    const std::string sStem = sFolder + "." + sName + ".new-" + std::to_string(getpid());
    for (int i = 0;; ++i) {
        const std::string sCandidate = sStem + "-" + std::to_string(i);
        if (!PathExists(sCandidate))
            return sCandidate;
    }
}

// What a component's error means to the player: its own text, and for a library
// that cannot be loaded, where it was looked for.
std::string ReasonOf(const ArchiveError &error, const std::string &sBaseFolder) {
    switch (error.Number()) {
    case ArchiveError::LibraryNotLoaded: {
        const std::string sFolder = ProgramFolder();
        std::string sWhere = sFolder.empty() ? std::string()
                                             : "in " + sFolder + ", in " + PrivateLibraryFolder() +
                                                   " and ";
        return error.Description() + " (the engine library was looked for " + sWhere +
               "on the system's library path)";
    }
    case ArchiveError::PathNotFound:
        return error.Description() + ": the folder " + sBaseFolder + " cannot be reached";
    default:
        return error.Description();
    }
}

// The engine's messages reach the components' events with "\" for "/" after the
// first character; the player reads them, and the names in them, with "/" again.
std::string WithSlashes(std::string sText) {
    for (char &c : sText)
        if (c == '\\')
            c = '/';
    return sText;
}

void LogJob(const std::string &sLine) {
    LogLine(LogArea::Archive, sLine);
}

} // namespace

ArchiveJobs::ArchiveJobs(cUnzip &oUnzip, cZip &oZip) : m_cUnzip(oUnzip), m_cZ(oZip) {
    m_cUnzip.SetOwner(this);
    m_cZ.SetOwner(this);
}

ArchiveJobs::~ArchiveJobs() {
    if (m_cUnzip.Owner() == this)
        m_cUnzip.SetOwner(nullptr);
    if (m_cZ.Owner() == this)
        m_cZ.SetOwner(nullptr);
}

void ArchiveJobs::Cancel(const std::string &, bool &) {
    m_lReached.fetch_add(1, std::memory_order_relaxed);
}

void ArchiveJobs::Progress(std::int32_t, const std::string &sMsg) {
    const std::string sLine = WithSlashes(sMsg);
    m_report.Add(sLine);
    LogLine(LogArea::Engine, sLine);
}

JobOutcome ArchiveJobs::List(const std::string &sArchive, JobRunner &runner) {
    JobOutcome outcome = Run(
        "list", sArchive, runner,
        [&] {
            m_cUnzip.SetZipFile(sArchive);
            m_cUnzip.Directory();
            return m_cUnzip.LastEngineResult();
        },
        [](std::uint64_t &, std::uint64_t &) { return false; }, 0);
    if (outcome.lResult < 0)
        // Whatever was listed before the failure is no listing of this archive.
        m_cUnzip.SetZipFile(sArchive);
    else if (outcome.lResult != ENGINE_OK)
        outcome.eKind = m_cUnzip.FileCount() > 0 ? JobOutcome::Kind::Partly
                                                 : JobOutcome::Kind::Failed;
    Log("list", sArchive, outcome);
    return outcome;
}

JobOutcome ArchiveJobs::Unpack(const std::string &sArchive, const std::string &sFolder,
                               UnpackLayout eLayout, JobRunner &runner) {
    if (m_cUnzip.ZipFile() != sArchive)
        m_cUnzip.SetZipFile(sArchive);
    for (std::int32_t i = 1; i <= m_cUnzip.FileCount(); ++i)
        m_cUnzip.SetFileSelected(i, true);
    return RunUnpack("unpack", sArchive, sFolder, eLayout, runner,
                     static_cast<std::uint64_t>(m_cUnzip.FileCount()));
}

JobOutcome ArchiveJobs::RunUnpack(const char *sJob, const std::string &sArchive,
                                  const std::string &sFolder, UnpackLayout eLayout,
                                  JobRunner &runner, std::uint64_t lEntries) {
    m_cUnzip.SetPromptToOverwrite(false);
    m_cUnzip.SetTestZip(false);
    m_cUnzip.SetUseFolderNames(eLayout == UnpackLayout::Folders);
    m_cUnzip.SetUnzipFolder(sFolder);
    JobOutcome outcome = Run(
        sJob, sArchive, runner,
        [&] {
            m_cUnzip.Unzip();
            return m_cUnzip.LastEngineResult();
        },
        &UnzipByteProgress, lEntries);
    // Entries reached mean the archive could be read: whatever the engine complained
    // of, it went on with the others.
    if (outcome.lResult > 0)
        outcome.eKind = m_lReached.load() > 0 ? JobOutcome::Kind::Partly
                                              : JobOutcome::Kind::Failed;
    Log(sJob, sArchive, outcome);
    return outcome;
}

JobOutcome ArchiveJobs::UnpackEntries(const std::string &sArchive, const std::string &sFolder,
                                      const std::vector<std::int32_t> &vEntries,
                                      JobRunner &runner) {
    const std::int32_t lCount = m_cUnzip.FileCount();
    const bool bListed = !sArchive.empty() && m_cUnzip.ZipFile() == sArchive;
    const bool bInListing = std::all_of(vEntries.begin(), vEntries.end(),
                                        [&](std::int32_t l) { return l >= 1 && l <= lCount; });
    if (!bListed || !bInListing || vEntries.empty()) {
        JobOutcome refused;
        refused.eKind = JobOutcome::Kind::Failed;
        refused.lResult = -1;
        refused.sReason = !bListed ? "the archive is not the one listed last"
                                   : "no entry of the listing was asked for";
        m_start = std::chrono::steady_clock::now();
        Log("unpack entries", sArchive, refused);
        return refused;
    }
    // Whatever happens, the next unpacking of the listing takes every entry again, and
    // names are compared as before. Meanwhile a name selects only its own entry, not
    // one that differs from it in letter case.
    struct SelectAllAfter {
        cUnzip &oUnzip;
        bool bCaseSensitive;
        ~SelectAllAfter() {
            for (std::int32_t i = 1; i <= oUnzip.FileCount(); ++i)
                oUnzip.SetFileSelected(i, true);
            oUnzip.SetCaseSensitiveFileNames(bCaseSensitive);
        }
    } selectAll{m_cUnzip, m_cUnzip.CaseSensitiveFileNames()};
    m_cUnzip.SetCaseSensitiveFileNames(true);
    for (std::int32_t i = 1; i <= lCount; ++i)
        m_cUnzip.SetFileSelected(i, false);
    for (const std::int32_t lEntry : vEntries)
        m_cUnzip.SetFileSelected(lEntry, true);
    return RunUnpack("unpack entries", sArchive, sFolder, UnpackLayout::Folders, runner,
                     static_cast<std::uint64_t>(vEntries.size()));
}

JobOutcome ArchiveJobs::Test(const std::string &sArchive, JobRunner &runner) {
    if (m_cUnzip.ZipFile() != sArchive)
        m_cUnzip.SetZipFile(sArchive);
    for (std::int32_t i = 1; i <= m_cUnzip.FileCount(); ++i)
        m_cUnzip.SetFileSelected(i, true);
    m_cUnzip.SetPromptToOverwrite(false);
    JobOutcome outcome = Run(
        "test", sArchive, runner,
        [&] {
            // The component is the window's: whatever happens, its next unpacking
            // writes files again.
            struct TestMode {
                cUnzip &oUnzip;
                explicit TestMode(cUnzip &o) : oUnzip(o) { oUnzip.SetTestZip(true); }
                ~TestMode() { oUnzip.SetTestZip(false); }
            } testMode(m_cUnzip);
            m_cUnzip.Unzip();
            return m_cUnzip.LastEngineResult();
        },
        &UnzipByteProgress, static_cast<std::uint64_t>(m_cUnzip.FileCount()));
    if (outcome.lResult > 0) {
        // Entries reached mean the archive could be read; the engine complained once
        // of each entry that failed.
        const std::uint64_t lComplaints = m_report.Complaints().size();
        if (m_lReached.load() > 0) {
            outcome.eKind = JobOutcome::Kind::Partly;
            outcome.lFailedEntries = std::max<std::uint64_t>(lComplaints, 1);
        } else {
            outcome.eKind = JobOutcome::Kind::Failed;
        }
    }
    Log("test", sArchive, outcome);
    return outcome;
}

JobOutcome ArchiveJobs::Pack(const PackRequest &request, JobRunner &runner) {
    // A blank base folder would make the engine pack whatever folder the process is in.
    if (request.sBaseFolder.find_first_not_of(" \t") == std::string::npos) {
        JobOutcome refused;
        refused.eKind = JobOutcome::Kind::Failed;
        refused.lResult = -1;
        refused.sReason = "no folder to pack was given (is a work folder set?)";
        m_start = std::chrono::steady_clock::now();
        Log("pack", request.sArchive, refused);
        return refused;
    }
    const std::string sTarget =
        request.bReplace ? UnusedPathBeside(request.sArchive) : request.sArchive;
    m_cZ.SetZipFile(sTarget);
    m_cZ.SetBasePath(request.sBaseFolder);
    m_cZ.ClearFileSpecs();
    if (request.vFiles.empty())
        m_cZ.AddFileSpec("*");
    for (const std::string &sFile : request.vFiles)
        m_cZ.AddFileSpec(sFile);
    m_cZ.SetStoreFolderNames(true);
    m_cZ.SetRecurseSubDirs(true);
    const auto lFiles = static_cast<std::uint64_t>(request.vFiles.size());
    JobOutcome outcome = Run(
        "pack", request.sArchive, runner,
        [&] {
            m_cZ.Zip();
            return m_cZ.LastEngineResult();
        },
        &ZipByteProgress, lFiles, request.sBaseFolder);
    // A warning: files were left out, and the archive was written with the others.
    if (outcome.lResult == ENGINE_WARNING)
        outcome.eKind = JobOutcome::Kind::Partly;
    else if (outcome.lResult != ENGINE_OK)
        outcome.eKind = JobOutcome::Kind::Failed;

    if (request.bReplace) {
        // The player knows the archive by its own name, not by the new one's.
        for (std::size_t lAt = outcome.sReason.find(sTarget); lAt != std::string::npos;
             lAt = outcome.sReason.find(sTarget, lAt + request.sArchive.size()))
            outcome.sReason.replace(lAt, sTarget.size(), request.sArchive);
        if (!outcome.IsFailed() && !RenameFile(sTarget, request.sArchive)) {
            outcome.eKind = JobOutcome::Kind::Failed;
            outcome.sReason = "the new archive could not take the place of " + request.sArchive +
                              ": " + std::strerror(errno);
        }
        if (outcome.IsFailed())
            std::remove(sTarget.c_str());
    }
    Log("pack", request.sArchive, outcome);
    return outcome;
}

JobOutcome ArchiveJobs::Run(const char *sJob, const std::string &sArchive, JobRunner &runner,
                            const std::function<std::int32_t()> &fnCall,
                            bool (*fnBytes)(std::uint64_t &, std::uint64_t &),
                            std::uint64_t lEntries, const std::string &sBaseFolder) {
    LogJob(std::string(sJob) + " started: " + sArchive);
    m_report.Clear();
    m_lReached.store(0);
    // Nothing the bar reads may come from the call before.
    ResetUnzipByteProgress();
    ResetZipByteProgress();
    m_start = std::chrono::steady_clock::now();

    JobOutcome outcome;
    try {
        std::int32_t lResult = 0;
        runner.Run([&] { lResult = fnCall(); },
                   [&]() -> JobFraction {
                       // An engine that counts bytes is read in bytes only (a total of
                       // 0: not known yet), never in a mix of bytes and entries.
                       std::uint64_t lDone = 0;
                       std::uint64_t lTotal = 0;
                       if (fnBytes(lDone, lTotal))
                           return {lDone, lTotal};
                       // Counted in entries until the engine's byte counts can be asked:
                       // without a count of entries, nothing is known yet.
                       if (lEntries == 0)
                           return {};
                       return {m_lReached.load(std::memory_order_relaxed), lEntries};
                   });
        outcome.lResult = lResult;
        outcome.sReason = m_report.Reason(lResult);
        outcome.vLeftOut = m_report.LeftOut();
    } catch (const ArchiveError &error) {
        outcome.eKind = JobOutcome::Kind::Failed;
        outcome.lResult = -1;
        outcome.sReason = ReasonOf(error, sBaseFolder);
    }
    return outcome;
}

void ArchiveJobs::Log(const char *sJob, const std::string &sArchive,
                      const JobOutcome &outcome) const {
    if (!LogEnabled(LogArea::Archive))
        return;
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    char sDuration[32];
    std::snprintf(sDuration, sizeof sDuration, "%.3f s", dSeconds);
    std::string sLine = std::string(sJob) + " " + KindText(outcome.eKind) + " in " + sDuration +
                        ": " + sArchive + " (engine result " + std::to_string(outcome.lResult) + ")";
    if (!outcome.sReason.empty())
        sLine += "\n" + outcome.sReason;
    LogJob(sLine);
}
