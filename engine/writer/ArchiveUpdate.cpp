#include "engine/writer/ArchiveUpdate.h"

#include "engine/include/PakEngine.h"
#include "engine/common/ByteProgress.h"
#include "engine/common/EngineMessages.h"
#include "engine/common/EntryPath.h"
#include "engine/common/Inflate.h"
#include "engine/common/Wildcard.h"
#include "engine/common/WorkerPool.h"
#include "engine/writer/ArchiveFile.h"
#include "engine/writer/ArchiveOutput.h"
#include "engine/writer/ArchiveRewrite.h"
#include "engine/writer/DeflatePipeline.h"
#include "engine/writer/EncryptedEntries.h"
#include "engine/writer/EntryEncoder.h"
#include "engine/writer/EntryIndex.h"
#include "engine/writer/ExistingArchive.h"
#include "engine/writer/FileSelection.h"
#include "engine/writer/LibZip.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace writer {

namespace {

constexpr size_t kCrcPieceSize = 1u << 20;

bool IsFolder(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder to pack from: the current folder when the root is blank. A
// root written the Windows way ("work\Scripts\") that names no folder as it
// stands is tried with "/" separators, which is what its writer meant.
std::string ResolveRoot(const std::string &root) {
    if (root.find_first_not_of(" \t") == std::string::npos)
        return ".";
    if (!IsFolder(root) && root.find('\\') != std::string::npos) {
        std::string slashed = engine::ToForwardSlashes(root);
        if (IsFolder(slashed))
            return slashed;
    }
    return root;
}

// Computes the CRC-32 of each listed file on worker threads; nullopt for a
// file that could not be read, with the reason.
struct CrcResult {
    std::optional<uint32_t> crc;
    uint64_t size = 0;
    std::string error;
};

void ComputeCrc(const std::string &path, uint8_t *buffer, CrcResult &result) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.error = engine::ErrnoText(errno);
        return;
    }
    uint32_t crc = 0;
    uint64_t size = 0;
    for (;;) {
        const ssize_t got = read(fd, buffer, kCrcPieceSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = engine::ErrnoText(errno);
            close(fd);
            return;
        }
        if (got == 0)
            break;
        crc = engine::Crc32(buffer, static_cast<size_t>(got), crc);
        size += static_cast<uint64_t>(got);
        engine::CallProgress().Add(static_cast<uint64_t>(got));
    }
    close(fd);
    result.crc = crc;
    result.size = size;
}

// Few bytes in all are read on the calling thread.
std::vector<CrcResult> ComputeCrcs(const std::vector<std::string> &paths, uint64_t totalSize) {
    std::vector<CrcResult> results(paths.size());
    if (paths.empty())
        return results;
    const unsigned workers =
        totalSize <= 4 * kCallingThreadLimit ? 0 : engine::WorkerPool::DefaultWorkers();
    std::vector<std::unique_ptr<uint8_t[]>> buffers;
    for (unsigned i = 0; i < std::max(workers, 1u); ++i)
        buffers.emplace_back(new uint8_t[kCrcPieceSize]);
    if (workers == 0) {
        for (size_t i = 0; i < paths.size(); ++i)
            ComputeCrc(paths[i], buffers[0].get(), results[i]);
        return results;
    }
    engine::WorkerPool pool(workers, static_cast<size_t>(workers) * kCrcPieceSize);
    for (size_t i = 0; i < paths.size(); ++i)
        pool.Submit(0, [&, i](unsigned worker) {
            ComputeCrc(paths[i], buffers[worker].get(), results[i]);
        });
    pool.WaitIdle();
    return results;
}

// A file is newer than its entry when it is later by more than the two
// seconds that a DOS time may lose.
bool FileIsNewer(const SelectedItem &file, time_t entryTime) {
    return file.modified.tv_sec > entryTime + 1;
}

class PackJob {
public:
    PackJob(const PackOptions &options, const WriterCallbacks &callbacks,
            const std::string &archivePath)
        : m_options(options), m_callbacks(callbacks), m_archivePath(archivePath) {}

    int32_t Run(const std::vector<std::string> &specifications);

private:
    enum class Action { Add, Replace, Keep, CheckCrc };
    struct Planned {
        const SelectedItem *item;
        Action action;
        size_t index = 0; // the existing entry (Replace, Keep, CheckCrc)
        uint32_t entryCrc = 0;
        std::vector<size_t> duplicates; // further entries with the same path
    };

    void Error(const std::string &text) const { m_callbacks.Print("zip error: " + text); }
    void Warning(const std::string &text) const { m_callbacks.Print("zip warning: " + text); }
    void Say(const std::string &text) const {
        if (!m_options.quiet)
            m_callbacks.Print(text);
    }
    int32_t Cancelled() const {
        m_callbacks.Print("zip: cancelled; the archive was left as it was");
        return ENGINE_CANCELLED;
    }

    std::vector<Planned> Plan(const Selection &selection) const;
    // The bytes the call will handle: the files read for their CRC-32 first, then
    // every entry of the new archive by its unpacked size, written or carried over.
    uint64_t BytesToHandle(const std::vector<Planned> &plans, uint64_t crcBytes) const;
    int32_t Write(const std::vector<Planned> &plans, bool existed);

    const PackOptions &m_options;
    const WriterCallbacks &m_callbacks;
    std::string m_archivePath;
    std::optional<std::string> m_password;
    const LibZip *m_lib = nullptr; // loaded for encrypting
    ExistingArchive m_existing;
    EntryIndex m_index;
};

uint64_t PackJob::BytesToHandle(const std::vector<Planned> &plans, uint64_t crcBytes) const {
    const std::vector<ExistingEntry> &entries = m_existing.Entries();
    std::vector<bool> leaving(entries.size(), false);
    uint64_t total = crcBytes;
    for (const Planned &plan : plans) {
        if (plan.action == Action::Keep)
            continue;
        // A file checked and found unchanged keeps an entry of the same size.
        total += plan.item->isFolder ? 0 : plan.item->size;
        if (plan.action == Action::Add)
            continue;
        leaving[plan.index] = true;
        for (size_t duplicate : plan.duplicates)
            leaving[duplicate] = true;
    }
    for (size_t i = 0; i < entries.size(); ++i)
        if (!leaving[i])
            total += entries[i].size;
    return total;
}

// Decides what happens to each selected file, from the entries the archive
// holds (none for a new archive).
std::vector<PackJob::Planned> PackJob::Plan(const Selection &selection) const {
    const std::vector<ExistingEntry> &entries = m_existing.Entries();
    std::vector<Planned> plans;
    std::string storage;
    for (const SelectedItem &item : selection.items) {
        const std::string_view key = EntryKey(item.entryName, storage);
        if (item.isFolder) {
            if (!m_index.HasFolder(key) && !m_options.freshen)
                plans.push_back(Planned{&item, Action::Add, 0, 0, {}});
            continue;
        }
        const std::vector<size_t> found = m_index.FilesAt(key);
        if (found.empty()) {
            if (!m_options.freshen)
                plans.push_back(Planned{&item, Action::Add, 0, 0, {}});
            continue;
        }
        Planned plan{&item, Action::Replace, found.front(), 0, {}};
        plan.duplicates.assign(found.begin() + 1, found.end());
        const ExistingEntry &entry = entries[plan.index];
        if ((m_options.freshen || m_options.onlyIfNewer) && !FileIsNewer(item, entry.Modified())) {
            plan.action = Action::Keep;
        } else if (!m_password && entry.size == item.size && plan.duplicates.empty()) {
            plan.action = Action::CheckCrc;
            plan.entryCrc = entry.crc;
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

int32_t PackJob::Run(const std::vector<std::string> &specifications) {
    const std::string root = ResolveRoot(m_options.rootFolder);
    if (!IsFolder(root)) {
        Error("the folder " + root + " does not exist or is not a folder");
        return ENGINE_BAD_ARGUMENTS;
    }
    const ArchiveFacts facts = InspectArchive(m_archivePath);
    if (facts.exists && !facts.regular) {
        Error(m_archivePath + " is not a file");
        return ENGINE_BAD_ARGUMENTS;
    }
    if (facts.exists) {
        std::string why;
        const int32_t opened = m_existing.Open(m_archivePath, why);
        if (opened != ENGINE_OK) {
            Error("cannot open " + m_archivePath + ": " + why);
            return opened;
        }
    }

    m_index = EntryIndex(m_existing.Entries());
    ExcludedFile self{facts.exists, facts.device, facts.inode};
    const std::set<std::string> noKeys;
    const Selection selection = SelectFiles(m_options, root, specifications, self,
                                            m_options.hiddenFiles ? noKeys : m_index.HiddenKeys());
    if (!selection.failure.empty()) {
        Error(selection.failure);
        return ENGINE_READ_ERROR;
    }
    bool warnings = false;
    for (const std::string &skipped : selection.skipped) {
        Warning("skipping " + skipped);
        warnings = true;
    }
    for (size_t i = 0; i < specifications.size() && !selection.items.empty(); ++i) {
        if (!selection.specMatched[i]) {
            Warning("name not matched: " + specifications[i]);
            warnings = true;
        }
    }
    if (selection.items.empty()) {
        Warning("nothing matched the file specifications; " + m_archivePath + " was not changed");
        return ENGINE_NOTHING_MATCHED;
    }

    if (m_options.encrypt) {
        std::string why;
        m_lib = LoadLibZip(why);
        if (m_lib == nullptr || !m_lib->encryption_method_supported(ZIP_EM_AES_256, 1)) {
            Error("this system cannot encrypt archives" + (why.empty() ? "" : " (" + why + ")") +
                  "; nothing was written");
            return ENGINE_BAD_ARGUMENTS;
        }
        m_password = m_callbacks.AskPassword(m_archivePath);
        if (!m_password) {
            Error("no password was given; nothing was written");
            return ENGINE_BAD_PASSWORD;
        }
    }

    std::vector<Planned> plans = Plan(selection);

    // An unchanged file keeps its entry: only its CRC-32 is needed to know.
    std::vector<std::string> crcPaths;
    std::vector<size_t> crcPlans;
    uint64_t crcBytes = 0;
    for (size_t i = 0; i < plans.size(); ++i) {
        if (plans[i].action == Action::CheckCrc) {
            crcPlans.push_back(i);
            crcPaths.push_back(plans[i].item->fullPath);
            crcBytes += plans[i].item->size;
        }
    }
    engine::CallProgress().SetTotal(BytesToHandle(plans, crcBytes));
    const std::vector<CrcResult> crcs = ComputeCrcs(crcPaths, crcBytes);
    for (size_t i = 0; i < crcPlans.size(); ++i) {
        Planned &plan = plans[crcPlans[i]];
        if (!crcs[i].crc) {
            Error("could not read " + plan.item->fullPath + ": " + crcs[i].error + "; " +
                  m_archivePath + " was left as it was");
            return ENGINE_READ_ERROR;
        }
        const bool same = *crcs[i].crc == plan.entryCrc && crcs[i].size == plan.item->size;
        plan.action = same ? Action::Keep : Action::Replace;
    }

    // Files left alone are done now; the others are announced as they are written.
    bool anyChange = false;
    for (const Planned &plan : plans) {
        if (plan.action == Action::Keep) {
            if (m_callbacks.ServiceWantsStop(plan.item->entryName))
                return Cancelled();
        } else {
            anyChange = true;
        }
    }
    if (!anyChange) {
        if (!facts.exists) {
            Warning("nothing to add; " + m_archivePath + " was not created");
            return ENGINE_NOTHING_MATCHED;
        }
        Say(m_archivePath + " is up to date");
        return warnings ? ENGINE_WARNING : ENGINE_OK;
    }

    const int32_t written = Write(plans, facts.exists);
    if (written != ENGINE_OK)
        return written;
    RestoreArchiveMode(m_archivePath, facts);
    return warnings ? ENGINE_WARNING : ENGINE_OK;
}

// Writes the new archive: every entry not replaced is carried over as it
// is, each changed or new file becomes a new entry.
int32_t PackJob::Write(const std::vector<Planned> &plans, bool existed) {
    RewritePlan rewrite;
    rewrite.oldFd = m_existing.Fd();
    rewrite.old = existed ? &m_existing.Directory() : nullptr;
    rewrite.fates.assign(existed ? m_existing.Directory().records.size() : 0, kKeepEntry);
    for (const ExistingEntry &entry : m_existing.Entries())
        rewrite.sizes.push_back(entry.size);
    std::vector<NewEntry> entries;
    for (const Planned &plan : plans) {
        if (plan.action == Action::Keep)
            continue;
        const bool replacing = plan.action == Action::Replace;
        if (replacing) {
            rewrite.fates[plan.index] = static_cast<int64_t>(entries.size());
            for (size_t duplicate : plan.duplicates) {
                Say("deleting: " + std::string(m_existing.Entries()[duplicate].name) +
                    " (an older entry for the same path)");
                rewrite.fates[duplicate] = kDropEntry;
            }
        }
        entries.push_back(NewEntry{plan.item, replacing ? "updating" : "adding", 0});
    }
    rewrite.newEntries = entries.size();
    if (std::string nameless; existed && !m_existing.KeptEntriesStayCheckable(rewrite.fates, nameless)) {
        Error("cannot update " + m_archivePath + ": " + nameless + ", which unzip would no longer check " +
              "cleanly once other entries change; the archive was left as it was");
        return ENGINE_BAD_ARCHIVE;
    }

    // The comment call-back may give the archive a comment; an empty
    // answer keeps the comment it has, byte for byte.
    const std::string currentComment = existed ? m_existing.CommentText() : std::string();
    rewrite.comment = existed ? m_existing.Directory().comment : std::string();
    const std::optional<std::string> answer = m_callbacks.AskComment(currentComment);
    if (answer && !answer->empty() && *answer != currentComment)
        rewrite.comment = *answer;

    // The workers compress the files in the order the archive takes them.
    const std::vector<LayoutStep> steps = LayOut(rewrite);
    uint64_t newBytes = 0;
    for (const NewEntry &entry : entries)
        newBytes += entry.item->size;
    DeflatePipeline pipeline(newBytes <= kCallingThreadLimit ? 0
                                                             : engine::WorkerPool::DefaultWorkers(),
                             kPipelineBudget);
    std::vector<const NewEntry *> inOrder;
    std::vector<size_t> placeOf(entries.size());
    for (const LayoutStep &step : steps) {
        if (step.copy)
            continue;
        NewEntry &entry = entries[step.entry];
        if (!entry.item->isFolder)
            entry.job = pipeline.Add(entry.item->fullPath, entry.item->size);
        placeOf[step.entry] = inOrder.size();
        inOrder.push_back(&entry);
    }

    WriteOutcome outcome;
    ArchiveOutput out(m_archivePath);
    EntryEncoder encoder(pipeline, m_callbacks, m_options.quiet, outcome);
    EncryptedEntries encrypted(pipeline, m_callbacks, m_options.quiet, outcome);
    std::string why;
    pipeline.Start();
    bool done = out.Open();
    if (done && m_password) {
        done = encrypted.Prepare(*m_lib, m_archivePath, inOrder, *m_password);
        why = encrypted.Error();
    }
    if (done) {
        done = WriteRewrite(
            rewrite, steps, out,
            [&](size_t entry, ArchiveOutput &output, std::string &central) {
                if (m_password) {
                    const engine::ProgressShare share(engine::CallProgress(),
                                                      entries[entry].item->size);
                    return encrypted.Write(placeOf[entry], output, central);
                }
                return encoder.Write(entries[entry], output, central);
            },
            why);
        if (why.empty())
            why = encrypted.Error();
    }
    pipeline.Stop(); // its jobs point into this call's selection
    if (done)
        return ENGINE_OK;
    if (outcome.cancelled)
        return Cancelled();
    if (outcome.readFailed) {
        Error(outcome.failure + "; " + m_archivePath + " was left as it was");
        return ENGINE_READ_ERROR;
    }
    if (why.empty())
        why = out.Error();
    Error("could not write " + m_archivePath + ": " + why + "; " +
          (existed ? "the archive was left as it was" : "no archive was written"));
    return ENGINE_WRITE_ERROR;
}

} // namespace

int32_t PackFiles(const PackOptions &options, const WriterCallbacks &callbacks,
                  const std::string &archivePath, const std::vector<std::string> &specifications) {
    PackJob job(options, callbacks, archivePath);
    return job.Run(specifications);
}

int32_t DeleteEntries(const PackOptions &options, const WriterCallbacks &callbacks,
                      const std::string &archivePath,
                      const std::vector<std::string> &specifications) {
    auto error = [&](const std::string &text) { callbacks.Print("zip error: " + text); };
    const ArchiveFacts facts = InspectArchive(archivePath);
    if (!facts.exists) {
        error("the archive " + archivePath + " does not exist");
        return ENGINE_NO_ARCHIVE;
    }
    if (!facts.regular) {
        error(archivePath + " is not a file");
        return ENGINE_BAD_ARGUMENTS;
    }
    ExistingArchive existing;
    std::string why;
    const int32_t opened = existing.Open(archivePath, why);
    if (opened != ENGINE_OK) {
        error("cannot open " + archivePath + ": " + why);
        return opened;
    }

    RewritePlan rewrite;
    rewrite.oldFd = existing.Fd();
    rewrite.old = &existing.Directory();
    rewrite.fates.assign(existing.Directory().records.size(), kKeepEntry);
    rewrite.comment = existing.Directory().comment;
    for (const ExistingEntry &entry : existing.Entries())
        rewrite.sizes.push_back(entry.size);
    size_t deleted = 0;
    for (size_t i = 0; i < rewrite.fates.size(); ++i) {
        const std::string name(existing.Entries()[i].name);
        const std::string forward = engine::ToForwardSlashes(name);
        std::string storage;
        const std::string key(EntryKey(name, storage));
        // Wildcards cross folders here: "textures/*" names everything below.
        const bool matched =
            std::any_of(specifications.begin(), specifications.end(), [&](const std::string &spec) {
                return engine::WildcardMatch(spec, forward, true) ||
                       (!key.empty() && engine::WildcardMatch(spec, key, true));
            });
        if (!matched)
            continue;
        if (callbacks.ServiceWantsStop(name)) {
            callbacks.Print("zip: cancelled; the archive was left as it was");
            return ENGINE_CANCELLED;
        }
        if (!options.quiet)
            callbacks.Print("deleting: " + name);
        rewrite.fates[i] = kDropEntry;
        ++deleted;
    }
    if (deleted != 0 && !existing.KeptEntriesStayCheckable(rewrite.fates, why)) {
        error("cannot update " + archivePath + ": " + why + ", which unzip would no longer check " +
              "cleanly once other entries change; the archive was left as it was");
        return ENGINE_BAD_ARCHIVE;
    }
    if (deleted == 0) {
        callbacks.Print("zip warning: no entry matched the file specifications; " + archivePath +
                        " was not changed");
        return ENGINE_NOTHING_MATCHED;
    }

    uint64_t kept = 0;
    for (size_t i = 0; i < rewrite.fates.size(); ++i)
        if (rewrite.fates[i] == kKeepEntry)
            kept += rewrite.sizes[i];
    engine::CallProgress().SetTotal(kept);

    // An archive left without entries is kept, as an empty one.
    ArchiveOutput out(archivePath);
    const bool written =
        out.Open() && WriteRewrite(
                          rewrite, LayOut(rewrite), out,
                          [](size_t, ArchiveOutput &, std::string &) { return false; }, why);
    if (!written) {
        error("could not write " + archivePath + ": " + (why.empty() ? out.Error() : why) +
              "; the archive was left as it was");
        return ENGINE_WRITE_ERROR;
    }
    RestoreArchiveMode(archivePath, facts);
    return ENGINE_OK;
}

} // namespace writer
