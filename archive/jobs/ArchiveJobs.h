// The archive jobs both programs run: listing an archive, unpacking it into a folder
// tree or flat into one folder, testing every entry of an archive against its CRC,
// and packing a folder into an archive, all or a list of its files, updating the
// archive or replacing it. Each job sets up the window's
// components, runs the engine call through the window's runner (with progress, on a
// thread of its own) and returns one outcome, always with the engine's own words.
// Every message the engine prints goes to the log (keplo.engine), and every job's
// start, end, outcome and duration too (keplo.archive).
//
//     ArchiveJobs jobs(m_cUnzip, m_cZ);
//     LongJobRunner runner(ProgressBar);
//     const JobOutcome outcome = jobs.Unpack(sArchive, sTarget, UnpackLayout::Folders, runner);
//     if (!outcome.IsDone())
//         ... outcome.sReason, outcome.vLeftOut
//
// The components' events are the jobs layer's: nothing is cancelled, no password is
// given, no file is overwritten on a question.
#pragma once

#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/jobs/JobOutcome.h"
#include "archive/jobs/JobRunner.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class UnpackLayout {
    Folders, // every entry in its folders below the target
    Flat,    // every entry straight in the target, its folders left out
};

struct PackRequest {
    std::string sArchive;
    // The folder the archive's entries are taken from, their names relative to it.
    std::string sBaseFolder;
    // The files to pack, below sBaseFolder with "/" between folders; empty packs every
    // file below it.
    std::vector<std::string> vFiles;
    // A new archive, written beside sArchive, takes its place once complete, rather than
    // sArchive being updated; a failed write leaves sArchive as it was either way.
    bool bReplace = false;
};

class ArchiveJobs final : private cUnzipEvents, private cZipEvents {
public:
    // Drives the window's components (which it does not own) and receives their events.
    ArchiveJobs(cUnzip &oUnzip, cZip &oZip);
    ~ArchiveJobs() override;
    ArchiveJobs(const ArchiveJobs &) = delete;
    ArchiveJobs &operator=(const ArchiveJobs &) = delete;

    // Lists sArchive into the unzip component (FileCount, Filename, ...). Partly when the
    // engine complained but listed entries; Failed when it listed none.
    JobOutcome List(const std::string &sArchive, JobRunner &runner);

    // Unpacks every entry of sArchive into sFolder. The listing is kept when sArchive is
    // the archive listed last (its entries are all selected); another archive is
    // unpacked without one. Partly when the engine left entries out and went on.
    JobOutcome Unpack(const std::string &sArchive, const std::string &sFolder,
                      UnpackLayout eLayout, JobRunner &runner);

    // Unpacks some entries of sArchive, the archive listed last, into sFolder, each in
    // its folders: vEntries are listing numbers (1 to FileCount). Every entry is
    // selected again afterwards. Failed when sArchive is not the archive listed last or
    // a number is not in the listing, and when the engine wrote none of them.
    JobOutcome UnpackEntries(const std::string &sArchive, const std::string &sFolder,
                             const std::vector<std::int32_t> &vEntries, JobRunner &runner);

    // Reads every entry of sArchive and checks its data against its CRC, writing
    // nothing. Done when every entry passed; Partly when the archive could be read but
    // entries failed (lFailedEntries, the engine's words in sReason); Failed when it
    // could not be read at all (not a zip archive, cut short, missing).
    JobOutcome Test(const std::string &sArchive, JobRunner &runner);

    // Packs files into an archive, folder names kept, sub-folders entered, no folder
    // entries. Partly when the engine left files out and wrote the archive with the rest.
    JobOutcome Pack(const PackRequest &request, JobRunner &runner);

private:
    // The components' events.
    void Cancel(const std::string &sMsg, bool &bCancel) override;
    void Progress(std::int32_t lCount, const std::string &sMsg) override;

    // Runs one engine call through the runner: fnCall returns the engine's result.
    // Progress is read through fnBytes, or counted in entries out of lEntries when the
    // engine has no byte count at all. The outcome is Done unless the call failed with an error;
    // the caller decides what a non-zero result means for its job.
    JobOutcome Run(const char *sJob, const std::string &sArchive, JobRunner &runner,
                   const std::function<std::int32_t()> &fnCall,
                   bool (*fnBytes)(std::uint64_t &, std::uint64_t &), std::uint64_t lEntries,
                   const std::string &sBaseFolder = std::string());
    void Log(const char *sJob, const std::string &sArchive, const JobOutcome &outcome) const;
    // Unpacks the selected entries of the listing into sFolder (lEntries of them).
    JobOutcome RunUnpack(const char *sJob, const std::string &sArchive, const std::string &sFolder,
                         UnpackLayout eLayout, JobRunner &runner, std::uint64_t lEntries);

    cUnzip &m_cUnzip;
    cZip &m_cZ;
    EngineReport m_report;
    // Entries or files the engine has reached in the running call (its service call-backs).
    std::atomic<std::uint64_t> m_lReached{0};
    std::chrono::steady_clock::time_point m_start;
};
