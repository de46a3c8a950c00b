#include "engine/writer/ArchiveUpdate.h"

#include "engine/EngineResults.h"
#include "engine/common/EngineMessages.h"
#include "engine/common/EntryPath.h"
#include "engine/common/EntryTime.h"
#include "engine/common/Inflate.h"
#include "engine/common/Wildcard.h"
#include "engine/common/WorkerPool.h"
#include "engine/common/ZipHandles.h"
#include "engine/writer/ArchiveFile.h"
#include "engine/writer/DeflatePipeline.h"
#include "engine/writer/FileSelection.h"
#include "engine/writer/PackedSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace writer {

namespace {

constexpr zip_uint16_t kExtendedTimestampId = 0x5455;
constexpr size_t kCrcPieceSize = 1u << 20;

// The key under which the reader would extract an entry: its safe parts
// joined by "/". Empty for a name the reader refuses.
std::string EntryKey(std::string_view storedName) {
    std::vector<std::string> parts;
    if (engine::SplitEntryPath(storedName, parts) != engine::PathVerdict::Safe)
        return std::string();
    std::string key;
    for (const std::string &part : parts) {
        if (!key.empty())
            key.push_back('/');
        key += part;
    }
    return key;
}

bool IsFolderName(std::string_view name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

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

int32_t OpenFailureResult(int zipError) {
    switch (zipError) {
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_COMPNOTSUPP:
        return ENGINE_BAD_ARCHIVE;
    case ZIP_ER_MEMORY:
        return ENGINE_NO_MEMORY;
    default:
        return ENGINE_NO_ARCHIVE;
    }
}

std::string ZipErrorText(int zipError) {
    zip_error_t error;
    zip_error_init_with_code(&error, zipError);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Existing entries, by the path the reader would give them.
struct EntryIndex {
    std::map<std::string, std::vector<zip_uint64_t>> files;
    std::map<std::string, zip_uint64_t> folders;
};

// The entry names of an existing archive that hold a part starting with ".":
// files that belong to the archive although they look hidden on disk.
std::set<std::string> HiddenEntryKeys(const std::string &archivePath) {
    std::set<std::string> keys;
    int openError = 0;
    engine::ZipArchivePtr archive(zip_open(archivePath.c_str(), ZIP_RDONLY, &openError));
    if (!archive)
        return keys; // the write itself reports an archive it cannot open
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (name == nullptr || IsFolderName(name))
            continue;
        const std::string key = EntryKey(name);
        if (key.rfind('.', 0) == 0 || key.find("/.") != std::string::npos)
            keys.insert(key);
    }
    return keys;
}

EntryIndex IndexEntries(zip_t *archive) {
    EntryIndex index;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (name == nullptr)
            continue;
        const std::string key = EntryKey(name);
        if (key.empty())
            continue;
        if (IsFolderName(name))
            index.folders.emplace(key, static_cast<zip_uint64_t>(i));
        else
            index.files[key].push_back(static_cast<zip_uint64_t>(i));
    }
    return index;
}

// Computes the CRC-32 of each listed file on worker threads; nullopt for a
// file that could not be read, with the reason.
struct CrcResult {
    std::optional<uint32_t> crc;
    uint64_t size = 0;
    std::string error;
};

std::vector<CrcResult> ComputeCrcs(const std::vector<std::string> &paths) {
    std::vector<CrcResult> results(paths.size());
    if (paths.empty())
        return results;
    const unsigned workers = engine::WorkerPool::DefaultWorkers();
    std::vector<std::unique_ptr<uint8_t[]>> buffers;
    for (unsigned i = 0; i < workers; ++i)
        buffers.emplace_back(new uint8_t[kCrcPieceSize]);
    engine::WorkerPool pool(workers, static_cast<size_t>(workers) * kCrcPieceSize);
    for (size_t i = 0; i < paths.size(); ++i) {
        pool.Submit(0, [&, i](unsigned worker) {
            CrcResult &result = results[i];
            const int fd = open(paths[i].c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) {
                result.error = engine::ErrnoText(errno);
                return;
            }
            uint32_t crc = 0;
            uint64_t size = 0;
            for (;;) {
                const ssize_t got = read(fd, buffers[worker].get(), kCrcPieceSize);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0) {
                    result.error = engine::ErrnoText(errno);
                    close(fd);
                    return;
                }
                if (got == 0)
                    break;
                crc = engine::Crc32(buffers[worker].get(), static_cast<size_t>(got), crc);
                size += static_cast<uint64_t>(got);
            }
            close(fd);
            result.crc = crc;
            result.size = size;
        });
    }
    pool.WaitIdle();
    return results;
}

// The extended-timestamp extra field (modification time only): the exact
// second in UTC, where the DOS time holds local time to two seconds.
void SetTimestampExtraField(zip_t *archive, zip_uint64_t index, time_t modified) {
    // A replaced entry sheds every extra field of the old one (old times,
    // owners, platform data), which no longer describe the new contents.
    zip_file_extra_field_delete(archive, index, ZIP_EXTRA_FIELD_ALL, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
    if (modified < 0 || modified > INT32_MAX)
        return;
    const uint32_t seconds = static_cast<uint32_t>(modified);
    const zip_uint8_t field[5] = {
        1, static_cast<zip_uint8_t>(seconds), static_cast<zip_uint8_t>(seconds >> 8),
        static_cast<zip_uint8_t>(seconds >> 16), static_cast<zip_uint8_t>(seconds >> 24)};
    zip_file_extra_field_set(archive, index, kExtendedTimestampId, ZIP_EXTRA_FIELD_NEW, field,
                             sizeof field, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

// A file is newer than its entry when it is later by more than the two
// seconds that a DOS time may lose.
bool FileIsNewer(const SelectedItem &file, time_t entryTime) {
    return file.modified.tv_sec > entryTime + 1;
}

struct QueuedFile {
    zip_uint64_t index;
    PackedSource *source;
    const SelectedItem *item;
};

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
        zip_uint64_t index = 0; // the existing entry (Replace, Keep, CheckCrc)
        zip_uint32_t entryCrc = 0;
        std::vector<zip_uint64_t> duplicates; // further entries with the same path
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

    bool AddFolder(zip_t *archive, const SelectedItem &folder);
    bool QueueFile(zip_t *archive, const Planned &plan, std::vector<QueuedFile> &queued);

    const PackOptions &m_options;
    const WriterCallbacks &m_callbacks;
    std::string m_archivePath;
    std::optional<std::string> m_password;
    std::unique_ptr<DeflatePipeline> m_pipeline;
    std::vector<std::unique_ptr<PackedSource>> m_sources;
    SourceContext m_context;
};

bool PackJob::AddFolder(zip_t *archive, const SelectedItem &folder) {
    const zip_int64_t index = zip_dir_add(archive, folder.entryName.c_str(), ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        Error("cannot add the folder entry " + folder.entryName + ": " + zip_strerror(archive));
        return false;
    }
    const auto at = static_cast<zip_uint64_t>(index);
    zip_file_set_mtime(archive, at, folder.modified.tv_sec, 0);
    SetTimestampExtraField(archive, at, folder.modified.tv_sec);
    zip_file_set_external_attributes(
        archive, at, 0, ZIP_OPSYS_UNIX,
        static_cast<zip_uint32_t>((S_IFDIR | (folder.mode & 07777)) & 0xFFFF) << 16);
    Say("adding: " + folder.entryName + " (stored 0%)");
    return true;
}

bool PackJob::QueueFile(zip_t *archive, const Planned &plan, std::vector<QueuedFile> &queued) {
    const SelectedItem &file = *plan.item;
    zip_int32_t originalMethod = ZIP_CM_DEFAULT;
    if (plan.action == Action::Replace) {
        zip_stat_t stat;
        if (zip_stat_index(archive, plan.index, ZIP_FL_UNCHANGED, &stat) == 0 &&
            (stat.valid & ZIP_STAT_COMP_METHOD))
            originalMethod = stat.comp_method;
    }
    auto source = std::make_unique<PackedSource>(
        m_context, file, plan.action == Action::Replace ? "updating" : "adding", originalMethod);
    // Owned here, from now on, for as long as libzip may call it.
    PackedSource *callback = source.get();
    m_sources.push_back(std::move(source));
    zip_source_t *zipSource = zip_source_function(archive, &PackedSource::Callback, callback);
    if (zipSource == nullptr) {
        Error(std::string("cannot prepare ") + file.entryName + ": " + zip_strerror(archive));
        return false;
    }
    zip_uint64_t index = plan.index;
    if (plan.action == Action::Replace) {
        if (zip_file_replace(archive, index, zipSource, 0) != 0) {
            zip_source_free(zipSource);
            Error("cannot replace " + file.entryName + ": " + zip_strerror(archive));
            return false;
        }
        // An entry stored with "\" separators gets the "/" form it should have.
        const char *stored = zip_get_name(archive, index, 0);
        if (stored != nullptr && file.entryName != stored)
            zip_file_rename(archive, index, file.entryName.c_str(), ZIP_FL_ENC_UTF_8);
        for (zip_uint64_t duplicate : plan.duplicates) {
            const char *name = zip_get_name(archive, duplicate, 0);
            Say(std::string("deleting: ") + (name ? name : "?") +
                " (an older entry for the same path)");
            zip_delete(archive, duplicate);
        }
    } else {
        const zip_int64_t added =
            zip_file_add(archive, file.entryName.c_str(), zipSource, ZIP_FL_ENC_UTF_8);
        if (added < 0) {
            zip_source_free(zipSource);
            Error("cannot add " + file.entryName + ": " + zip_strerror(archive));
            return false;
        }
        index = static_cast<zip_uint64_t>(added);
    }
    callback->SetIndex(index);
    zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_UNIX,
                                     static_cast<zip_uint32_t>(file.mode & 0xFFFF) << 16);
    zip_file_set_mtime(archive, index, file.modified.tv_sec, 0);
    SetTimestampExtraField(archive, index, file.modified.tv_sec);
    // A replaced entry does not inherit the old one's encryption: it is
    // encrypted when asked, with the password given now, and otherwise not.
    if (m_password) {
        if (zip_file_set_encryption(archive, index, ZIP_EM_AES_256, m_password->c_str()) != 0) {
            Error("cannot encrypt " + file.entryName + ": " + zip_strerror(archive));
            return false;
        }
    } else if (plan.action == Action::Replace) {
        zip_file_set_encryption(archive, index, ZIP_EM_NONE, nullptr);
    }
    queued.push_back({index, callback, &file});
    return true;
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

    ExcludedFile self{facts.exists, facts.device, facts.inode};
    const std::set<std::string> hiddenEntries =
        facts.exists && !m_options.hiddenFiles ? HiddenEntryKeys(m_archivePath)
                                               : std::set<std::string>();
    const Selection selection = SelectFiles(m_options, root, specifications, self, hiddenEntries);
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
        if (!zip_encryption_method_supported(ZIP_EM_AES_256, 1)) {
            Error("this system cannot encrypt archives; nothing was written");
            return ENGINE_BAD_ARGUMENTS;
        }
        m_password = m_callbacks.AskPassword(m_archivePath);
        if (!m_password) {
            Error("no password was given; nothing was written");
            return ENGINE_BAD_PASSWORD;
        }
    }

    int openError = 0;
    engine::ZipArchivePtr archive(zip_open(m_archivePath.c_str(), ZIP_CREATE, &openError));
    if (!archive) {
        Error("cannot open " + m_archivePath + ": " + ZipErrorText(openError));
        return OpenFailureResult(openError);
    }
    const EntryIndex existing = IndexEntries(archive.get());

    // Decide what happens to each file.
    std::vector<Planned> plans;
    std::vector<std::string> crcPaths;
    std::vector<size_t> crcPlans;
    for (const SelectedItem &item : selection.items) {
        if (item.isFolder) {
            const std::string key = EntryKey(item.entryName);
            if (existing.folders.count(key) == 0 && !m_options.freshen)
                plans.push_back(Planned{&item, Action::Add, 0, 0, {}});
            continue;
        }
        const auto found = existing.files.find(EntryKey(item.entryName));
        if (found == existing.files.end()) {
            if (!m_options.freshen)
                plans.push_back(Planned{&item, Action::Add, 0, 0, {}});
            continue;
        }
        Planned plan{&item, Action::Replace, found->second.front(), 0, {}};
        plan.duplicates.assign(found->second.begin() + 1, found->second.end());
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), plan.index, 0, &stat) == 0) {
            const time_t entryTime = engine::EntryModificationTime(archive.get(), plan.index, stat);
            if ((m_options.freshen || m_options.onlyIfNewer) && !FileIsNewer(item, entryTime)) {
                plan.action = Action::Keep;
            } else if (!m_password && (stat.valid & ZIP_STAT_SIZE) && (stat.valid & ZIP_STAT_CRC) &&
                       stat.size == item.size && plan.duplicates.empty()) {
                plan.action = Action::CheckCrc;
                plan.entryCrc = stat.crc;
                crcPlans.push_back(plans.size());
                crcPaths.push_back(item.fullPath);
            }
        }
        plans.push_back(std::move(plan));
    }

    // An unchanged file keeps its entry: only its CRC-32 is needed to know.
    const std::vector<CrcResult> crcs = ComputeCrcs(crcPaths);
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

    m_pipeline =
        std::make_unique<DeflatePipeline>(engine::WorkerPool::DefaultWorkers(), kPipelineBudget);
    m_context.archive = archive.get();
    m_context.pipeline = m_pipeline.get();
    m_context.callbacks = &m_callbacks;
    m_context.quiet = m_options.quiet;

    std::vector<QueuedFile> queued;
    for (const Planned &plan : plans) {
        if (plan.action == Action::Keep)
            continue;
        if (plan.item->isFolder) {
            if (m_callbacks.ServiceWantsStop(plan.item->entryName))
                return Cancelled();
            if (!AddFolder(archive.get(), *plan.item))
                return ENGINE_WRITE_ERROR;
            continue;
        }
        if (!QueueFile(archive.get(), plan, queued))
            return ENGINE_WRITE_ERROR;
    }
    // libzip writes entries in index order; the workers compress in that order.
    std::sort(queued.begin(), queued.end(),
              [](const QueuedFile &a, const QueuedFile &b) { return a.index < b.index; });
    for (const QueuedFile &file : queued)
        file.source->SetJob(m_pipeline->Add(file.item->fullPath, file.item->size));

    // The comment call-back may give the archive a comment; an empty
    // answer keeps the comment it has.
    zip_int32_t commentLength = 0;
    const char *comment = zip_get_archive_comment(archive.get(), &commentLength, 0);
    const std::string currentComment =
        comment ? std::string(comment, static_cast<size_t>(commentLength)) : "";
    const std::optional<std::string> answer = m_callbacks.AskComment(currentComment);
    if (answer && !answer->empty() && *answer != currentComment)
        zip_set_archive_comment(
            archive.get(), answer->c_str(),
            static_cast<zip_uint16_t>(std::min<size_t>(answer->size(), 0xFFFF)));

    m_pipeline->Start();
    if (zip_close(archive.get()) != 0) {
        const std::string libzipError = zip_strerror(archive.get());
        m_pipeline->Stop();
        if (m_context.outcome.cancelled)
            return Cancelled();
        if (m_context.outcome.readFailed) {
            Error(m_context.outcome.failure + "; " + m_archivePath + " was left as it was");
            return ENGINE_READ_ERROR;
        }
        Error("could not write " + m_archivePath + ": " + libzipError + "; " +
              (facts.exists ? "the archive was left as it was" : "no archive was written"));
        return ENGINE_WRITE_ERROR;
    }
    archive.release(); // zip_close freed it
    m_pipeline->Stop(); // its jobs point into this call's selection
    RestoreArchiveMode(m_archivePath, facts);
    return warnings ? ENGINE_WARNING : ENGINE_OK;
}

} // namespace

int32_t PackFiles(const PackOptions &options, const WriterCallbacks &callbacks,
                  const std::string &archivePath, const std::vector<std::string> &specifications) {
    PackJob job(options, callbacks, archivePath);
    return job.Run(specifications);
}

} // namespace writer

namespace writer {

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
    int openError = 0;
    engine::ZipArchivePtr archive(zip_open(archivePath.c_str(), 0, &openError));
    if (!archive) {
        error("cannot open " + archivePath + ": " + ZipErrorText(openError));
        return OpenFailureResult(openError);
    }

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    zip_int64_t deleted = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char *stored = zip_get_name(archive.get(), index, 0);
        if (stored == nullptr)
            continue;
        const std::string name = stored;
        const std::string forward = engine::ToForwardSlashes(name);
        const std::string key = EntryKey(name);
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
        zip_delete(archive.get(), index);
        ++deleted;
    }
    if (deleted == 0) {
        callbacks.Print("zip warning: no entry matched the file specifications; " + archivePath +
                        " was not changed");
        return ENGINE_NOTHING_MATCHED;
    }

    if (deleted == count) {
        // libzip removes an archive left without entries; keep an empty one.
        zip_int32_t commentLength = 0;
        const char *comment = zip_get_archive_comment(archive.get(), &commentLength, 0);
        const std::string kept =
            comment ? std::string(comment, static_cast<size_t>(commentLength)) : "";
        archive.reset();
        std::string why;
        if (!WriteEmptyArchive(archivePath, kept, facts, why)) {
            error("could not write " + archivePath + ": " + why +
                  "; the archive was left as it was");
            return ENGINE_WRITE_ERROR;
        }
        return ENGINE_OK;
    }
    if (zip_close(archive.get()) != 0) {
        error("could not write " + archivePath + ": " + zip_strerror(archive.get()) +
              "; the archive was left as it was");
        return ENGINE_WRITE_ERROR;
    }
    archive.release(); // zip_close freed it
    RestoreArchiveMode(archivePath, facts);
    return ENGINE_OK;
}

} // namespace writer
