#include "engine/reader/ArchiveExtraction.h"

#include "engine/include/PakEngine.h"
#include "engine/common/ByteProgress.h"
#include "engine/common/EntryPath.h"
#include "engine/common/Inflate.h"
#include "engine/common/WorkerPool.h"
#include "engine/reader/ArchiveDirectory.h"
#include "engine/reader/ArchiveEntry.h"
#include "engine/reader/LocalEntryData.h"
#include "engine/reader/TargetFolder.h"
#include "engine/reader/UnzipSession.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

namespace engine {

namespace {

// Entries up to this size (packed and unpacked) are read whole and unpacked
// by the workers; larger ones stream through libzip in bounded memory.
constexpr zip_uint64_t kWholeEntryLimit = 8u << 20;
// Memory that queued and running worker tasks may hold together.
constexpr size_t kWorkerBudget = 24u << 20;
// Bookkeeping charged per task on top of its buffers, which bounds the number
// of tasks (and of folder handles they hold) at any time.
constexpr size_t kTaskOverhead = 64u << 10;
constexpr size_t kStreamChunk = 256u << 10;
// A group of small entries handed to a worker at once: at most this much
// memory or this many entries.
constexpr size_t kBatchBytes = 2u << 20;
constexpr size_t kBatchEntries = 64;
constexpr int kPasswordAttempts = 3;

enum class OverwriteMode { Ask, All, None };

// A failure met on a worker, told to the caller later on its own thread.
struct Outcome {
    int32_t result;
    std::string message;
};

std::string Hex32(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string JoinParts(const std::vector<std::string> &parts)
{
    std::string joined;
    for (const std::string &part : parts)
        joined += (joined.empty() ? "" : "/") + part;
    return joined;
}

// The bytes of entry data that the call will unpack or test: the sizes of the files
// the selection takes (asked of a copy, so that the real one counts its matches once).
uint64_t SelectedBytes(zip_t *archive, NameSelection selection)
{
    uint64_t total = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            (stat.valid & ZIP_STAT_NAME) == 0 || stat.name == nullptr || (stat.valid & ZIP_STAT_SIZE) == 0)
            continue;
        const std::string_view name(stat.name);
        if (!name.empty() && name.back() != '/' && name.back() != '\\' && selection.Selects(name))
            total += stat.size;
    }
    return total;
}

class Extraction {
public:
    explicit Extraction(UnzipSession &session) : m_session(session) {}

    void Run();

private:
    // An entry read whole, waiting for a worker to unpack, check and write it.
    struct WholeEntry {
        std::vector<unsigned char> packed;
        std::string path;
        std::string shown;
        std::string leaf;
        FolderPtr folder;
        bool exists;
        zip_uint64_t size;
        uint32_t crc;
        uint16_t method;
        FileStamp stamp;
    };

    struct FolderTime {
        std::vector<std::string> parts;
        time_t modified;
    };

    // Handles a selected entry, and counts its bytes as done when it was passed over
    // before its data was reached (skipped, refused or failed).
    void HandleCounted(const ArchiveEntry &entry);
    void HandleEntry(const ArchiveEntry &entry);
    void MakeFolder(const ArchiveEntry &entry);
    // Whether the entry may be written over what lies at leaf; exists tells
    // whether anything does.
    bool MayReplace(const FolderPtr &folder, const std::string &leaf, const std::string &shown,
                    const ArchiveEntry &entry, bool &exists);
    void Unpack(const ArchiveEntry &entry, const FolderPtr &folder, const std::string &leaf,
                const std::string &shown, bool exists);
    bool UnpackWhole(const ArchiveEntry &entry, const FolderPtr &folder, const std::string &leaf,
                     const std::string &shown, bool exists);
    // Streams through libzip; file is the entry already opened, or null.
    void UnpackStreaming(const ArchiveEntry &entry, ZipFilePtr file, const FolderPtr &folder, const std::string &leaf,
                         const std::string &shown, bool exists);
    ZipFilePtr OpenEncrypted(const ArchiveEntry &entry);
    void ComplainAboutLibzip(const ArchiveEntry &entry, int zipError, const std::string &what);
    void SetFolderTimes();
    // Hands the entries read so far to a worker as one task: small entries
    // travel in groups, so that waking a worker costs little per file.
    void SubmitBatch();
    void FinishWholeEntry(WholeEntry &job, Inflater &inflater); // on a worker

    // Thread-safe: a worker's failure, kept for Drain.
    void Report(int32_t result, std::string message);
    // Says the failures that workers have reported so far.
    void Drain();
    void WaitForWorkers();
    // The path on disk of a target-relative path, as messages show it.
    std::string OnDisk(const std::string &relative) const;
    // A file still being written where one of these folders must go has to be
    // in place first, so that the clash is met the same way every time.
    void WaitForPendingFolders(const std::vector<std::string> &parts, size_t count);

    UnzipSession &m_session;
    ByteProgress &m_progress = CallProgress();
    // Set once the entry being handled has reached the code that counts its bytes.
    bool m_counting = false;
    const UnzipCommandRecord &m_command = m_session.Command();
    bool m_testOnly = m_command.TestArchive != 0;
    bool m_useFolders = m_command.UseFolderNames != 0;
    std::string m_targetPath;
    ZipArchivePtr m_archive;
    // An archive libzip refuses only for loose extra fields is read by the
    // engine's own reader, each entry's data by its local header.
    ArchiveDirectory m_directory;
    bool m_ownReading = false;
    off_t m_archiveSize = 0;
    TargetFolder m_target;
    OverwriteMode m_overwrite = OverwriteMode::Ask;
    std::vector<std::string> m_passwords; // passwords that opened an entry, tried first
    std::unordered_set<std::string> m_written; // target-relative paths written in this call
    std::vector<FolderTime> m_folderTimes;
    bool m_cancelled = false;

    std::mutex m_outcomeMutex;
    std::vector<Outcome> m_outcomes;
    std::vector<std::unique_ptr<WholeEntry>> m_batch;
    size_t m_batchCost = 0;
    std::vector<std::unique_ptr<Inflater>> m_inflaters; // one per worker
    std::unique_ptr<WorkerPool> m_pool; // declared last: ends before what its tasks use
};

void Extraction::Run()
{
    int zipError = 0;
    m_archive = m_session.OpenArchiveQuietly(m_archiveSize, zipError);
    if (!m_archive) {
        if (m_archiveSize == 0)
            return; // the session said why
        std::string error;
        if (!m_directory.Open(m_command.ArchivePath, error) || !m_directory.HasLooseExtraFields()) {
            m_session.ComplainAboutOpening(zipError);
            return;
        }
        m_ownReading = true;
    }
    if (!m_testOnly) {
        m_targetPath = m_command.TargetFolder != nullptr ? m_command.TargetFolder : "";
        while (m_targetPath.size() > 1 && m_targetPath.back() == '/')
            m_targetPath.pop_back();
        if (int error = m_target.Open(m_targetPath)) {
            m_session.Complain("error: cannot create the target folder " + m_targetPath + ": " +
                                   ErrnoText(error),
                               ENGINE_WRITE_ERROR);
            return;
        }
    }
    if (m_archive) {
        m_progress.SetTotal(SelectedBytes(m_archive.get(), m_session.Selection()));
    } else {
        // A copy of the selection, so that the real one counts its matches once.
        NameSelection counting = m_session.Selection();
        uint64_t total = 0;
        std::string error;
        m_directory.ForEach(
            [&](ArchiveEntry &entry) {
                if (!entry.isFolder && counting.Selects(entry.path))
                    total += entry.size;
                return true;
            },
            error);
        m_progress.SetTotal(total);
    }
    const unsigned workers = WorkerPool::DefaultWorkers();
    for (unsigned i = 0; i < workers; ++i)
        m_inflaters.push_back(std::make_unique<Inflater>());
    m_pool = std::make_unique<WorkerPool>(workers, kWorkerBudget);

    if (m_ownReading) {
        std::string error;
        const bool whole = m_directory.ForEach(
            [this](ArchiveEntry &entry) {
                if (m_session.Selection().Selects(entry.path))
                    HandleCounted(entry);
                Drain();
                return !m_cancelled;
            },
            error);
        if (!whole)
            m_session.Complain(std::string("error: cannot read ") + m_command.ArchivePath + ": " + error,
                               ENGINE_BAD_ARCHIVE);
    }
    const zip_int64_t count = m_archive ? zip_get_num_entries(m_archive.get(), 0) : 0;
    ArchiveEntry entry;
    for (zip_int64_t i = 0; i < count && !m_cancelled; ++i) {
        if (!ReadArchiveEntry(m_archive.get(), static_cast<zip_uint64_t>(i), entry)) {
            m_session.Complain("error: entry " + std::to_string(i + 1) + " of the archive cannot be read",
                               ENGINE_BAD_ARCHIVE);
            continue;
        }
        if (m_session.Selection().Selects(entry.path))
            HandleCounted(entry);
        Drain();
    }
    WaitForWorkers();
    if (!m_testOnly)
        SetFolderTimes();
    if (!m_cancelled)
        m_session.ReportUnmatchedNames();
}

void Extraction::HandleCounted(const ArchiveEntry &entry)
{
    m_counting = false;
    HandleEntry(entry);
    if (!m_counting && !entry.isFolder)
        m_progress.Add(entry.size);
}

void Extraction::HandleEntry(const ArchiveEntry &entry)
{
    if (m_session.CancelRequested(entry.path)) {
        m_cancelled = true;
        m_session.Complain("cancelled at " + entry.path, ENGINE_CANCELLED);
        return;
    }
    if (m_testOnly) {
        if (!entry.isFolder)
            Unpack(entry, nullptr, std::string(), entry.path, false);
        return;
    }
    if (entry.isFolder) {
        if (m_useFolders)
            MakeFolder(entry);
        return;
    }
    if (entry.IsSymbolicLink()) {
        m_session.Complain("   skipping: " + entry.path + "  (a symbolic link; links are never created)",
                           ENGINE_WARNING);
        return;
    }
    std::vector<std::string> parts;
    const PathVerdict verdict = SplitEntryPath(entry.path, parts);
    if (verdict != PathVerdict::Safe) {
        m_session.Complain("   skipping: " + entry.path + "  (" + PathVerdictText(verdict) + ")",
                           ENGINE_WARNING);
        return;
    }
    if (!m_useFolders)
        parts.erase(parts.begin(), parts.end() - 1);
    if (m_command.SpaceToUnderscore != 0)
        for (std::string &part : parts)
            for (char &c : part)
                if (c == ' ')
                    c = '_';

    const std::string relative = JoinParts(parts);
    const std::string shown = OnDisk(relative);
    // A second entry of the same name must land after the first, and must
    // see it when deciding whether to replace it.
    if (m_written.count(relative) != 0)
        WaitForWorkers();
    WaitForPendingFolders(parts, parts.size() - 1);

    int error = 0;
    FolderPtr folder = m_target.Reach(parts, parts.size() - 1, error);
    if (!folder) {
        if (error == ELOOP || error == ENOTDIR)
            m_session.Complain("   skipping: " + entry.path + "  (a part of its folder is a symbolic link "
                                                              "or a file, which is never followed)",
                               ENGINE_WARNING);
        else
            m_session.Complain("error: cannot create the folder of " + shown + ": " + ErrnoText(error),
                               ENGINE_WRITE_ERROR);
        return;
    }
    // A folder made by this extraction holds nothing that it did not write.
    bool exists = false;
    if ((!folder->Created() || m_written.count(relative) != 0) &&
        !MayReplace(folder, parts.back(), shown, entry, exists))
        return;
    m_written.insert(relative);
    Unpack(entry, folder, parts.back(), shown, exists);
}

void Extraction::MakeFolder(const ArchiveEntry &entry)
{
    std::vector<std::string> parts;
    const PathVerdict verdict = SplitEntryPath(entry.path, parts);
    if (verdict == PathVerdict::Empty)
        return; // "./" and the like name the target itself
    if (verdict != PathVerdict::Safe) {
        m_session.Complain("   skipping: " + entry.path + "  (" + PathVerdictText(verdict) + ")",
                           ENGINE_WARNING);
        return;
    }
    if (m_command.SpaceToUnderscore != 0)
        for (std::string &part : parts)
            for (char &c : part)
                if (c == ' ')
                    c = '_';
    WaitForPendingFolders(parts, parts.size());
    m_session.Say("   creating: " + OnDisk(JoinParts(parts)) + "/");
    int error = 0;
    if (!m_target.Reach(parts, parts.size(), error)) {
        if (error == ELOOP || error == ENOTDIR)
            m_session.Complain("   skipping: " + entry.path + "  (a file or a symbolic link of that name is "
                                                              "in the way)",
                               ENGINE_WARNING);
        else
            m_session.Complain("error: cannot create " + OnDisk(JoinParts(parts)) + ": " +
                                   ErrnoText(error),
                               ENGINE_WRITE_ERROR);
        return;
    }
    m_folderTimes.push_back(FolderTime{std::move(parts), entry.modified});
}

bool Extraction::MayReplace(const FolderPtr &folder, const std::string &leaf, const std::string &shown,
                            const ArchiveEntry &entry, bool &exists)
{
    struct stat existing;
    exists = fstatat(folder->Fd(), leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists)
        return true;
    if (S_ISDIR(existing.st_mode)) {
        m_session.Complain("error: cannot write " + shown + ": a folder of that name exists",
                           ENGINE_WRITE_ERROR);
        return false;
    }
    if (m_command.ExtractOnlyNewer != 0 && existing.st_mtime >= entry.modified) {
        m_session.Say("   skipping: " + shown + "  (the file on disk is not older)");
        return false;
    }
    if (m_command.PromptToOverwrite == 0)
        return true; // with or without OverwriteExisting, an existing file is replaced
    if (m_overwrite == OverwriteMode::All)
        return true;
    if (m_overwrite == OverwriteMode::None) {
        m_session.Say("   skipping: " + shown + "  (kept the existing file)");
        return false;
    }
    switch (m_session.AskOverwrite(shown)) {
    case ENGINE_OVERWRITE_ALL:
        m_overwrite = OverwriteMode::All;
        [[fallthrough]];
    case ENGINE_OVERWRITE_YES:
        return true;
    case ENGINE_OVERWRITE_NONE:
        m_overwrite = OverwriteMode::None;
        [[fallthrough]];
    default:
        m_session.Say("   skipping: " + shown + "  (kept the existing file)");
        return false;
    }
}

void Extraction::Unpack(const ArchiveEntry &entry, const FolderPtr &folder, const std::string &leaf,
                        const std::string &shown, bool exists)
{
    // An encrypted entry is opened first: without its password there is
    // nothing to announce.
    if (m_ownReading && !LocalEntryData::CanRead(entry)) {
        m_session.Complain("   skipping: " + entry.path + "  (" +
                               (entry.encrypted ? "encrypted" : "packed with " + MethodName(entry.method)) +
                               ", in an archive whose extra fields only this engine's own reader takes)",
                           ENGINE_UNSUPPORTED);
        return;
    }
    ZipFilePtr decrypted;
    if (entry.encrypted) {
        decrypted = OpenEncrypted(entry);
        if (!decrypted)
            return;
    }
    if (m_testOnly)
        m_session.Say("    testing: " + entry.path);
    else
        m_session.Say((entry.method == ZIP_CM_DEFLATE ? "  inflating: " : " extracting: ") + shown);

    const bool whole = !entry.encrypted && (entry.method == ZIP_CM_STORE || entry.method == ZIP_CM_DEFLATE) &&
                       entry.size <= kWholeEntryLimit && entry.packedSize <= kWholeEntryLimit;
    if (whole) {
        if (entry.packedSize > static_cast<zip_uint64_t>(m_archiveSize)) {
            m_session.Complain("error: " + entry.path + ": its packed size exceeds the archive",
                               ENGINE_BAD_ARCHIVE);
            return;
        }
        if (!UnpackWhole(entry, folder, leaf, shown, exists))
            return;
    } else {
        UnpackStreaming(entry, std::move(decrypted), folder, leaf, shown, exists);
    }
}

bool Extraction::UnpackWhole(const ArchiveEntry &entry, const FolderPtr &folder, const std::string &leaf,
                             const std::string &shown, bool exists)
{
    std::vector<unsigned char> packed;
    if (m_ownReading) {
        LocalEntryData data;
        std::string error;
        if (!data.Open(m_directory.Fd(), m_directory.FileSize(), entry, error) || !data.ReadPacked(packed, error)) {
            m_session.Complain("error: " + entry.path + ": " + error, ENGINE_BAD_ARCHIVE);
            return false;
        }
    } else {
        ZipFilePtr file(zip_fopen_index(m_archive.get(), entry.index, ZIP_FL_COMPRESSED));
        if (!file) {
            ComplainAboutLibzip(entry, zip_error_code_zip(zip_get_error(m_archive.get())), "cannot be read");
            zip_error_clear(m_archive.get());
            return false;
        }
        packed.resize(static_cast<size_t>(entry.packedSize));
        const zip_int64_t got = packed.empty() ? 0 : zip_fread(file.get(), packed.data(), packed.size());
        if (got < 0 || static_cast<zip_uint64_t>(got) != entry.packedSize) {
            m_session.Complain("error: " + entry.path + ": the archive ends inside its data", ENGINE_BAD_ARCHIVE);
            return false;
        }
    }

    m_counting = true;
    auto job = std::make_unique<WholeEntry>(WholeEntry{std::move(packed), entry.path, shown, leaf, folder, exists,
                                                       entry.size, entry.crc, entry.method,
                                                       FileStamp{entry.modified, entry.Permissions()}});
    m_batchCost += job->packed.size() + static_cast<size_t>(entry.size) + kTaskOverhead;
    m_batch.push_back(std::move(job));
    if (m_batchCost >= kBatchBytes || m_batch.size() >= kBatchEntries)
        SubmitBatch();
    return true;
}

void Extraction::SubmitBatch()
{
    if (m_batch.empty())
        return;
    auto batch = std::make_shared<std::vector<std::unique_ptr<WholeEntry>>>(std::move(m_batch));
    m_batch.clear();
    const size_t cost = m_batchCost;
    m_batchCost = 0;
    m_pool->Submit(cost, [this, batch](unsigned worker) {
        for (std::unique_ptr<WholeEntry> &job : *batch) {
            FinishWholeEntry(*job, *m_inflaters[worker]);
            job.reset(); // free its buffers at once
        }
    });
}

void Extraction::FinishWholeEntry(WholeEntry &job, Inflater &inflater)
{
    const ProgressShare share(m_progress, job.size);
    try {
        const unsigned char *data = job.packed.data();
        std::unique_ptr<unsigned char[]> unpacked;
        if (job.method == ZIP_CM_STORE) {
            if (job.packed.size() != job.size) {
                Report(ENGINE_BAD_ARCHIVE, "error: " + job.path + ": its stored size does not match");
                return;
            }
        } else {
            unpacked.reset(new unsigned char[job.size == 0 ? 1 : job.size]);
            if (!inflater.InflateExact(job.packed.data(), job.packed.size(), unpacked.get(), job.size)) {
                Report(ENGINE_BAD_ARCHIVE, "error: " + job.path + ": its compressed data is damaged");
                return;
            }
            data = unpacked.get();
            std::vector<unsigned char>().swap(job.packed);
        }
        const uint32_t crc = Crc32(data, job.size);
        if (crc != job.crc) {
            Report(ENGINE_CRC_ERROR,
                   "error: " + job.path + ": bad CRC " + Hex32(crc) + " (should be " + Hex32(job.crc) + ")");
            return;
        }
        if (m_testOnly)
            return;
        if (int error = WriteWholeFile(job.folder, job.leaf, job.exists, data, job.size, job.stamp))
            Report(ENGINE_WRITE_ERROR, "error: cannot write " + job.shown + ": " + ErrnoText(error));
    } catch (const std::bad_alloc &) {
        Report(ENGINE_NO_MEMORY, "error: out of memory unpacking " + job.path);
    }
}

void Extraction::UnpackStreaming(const ArchiveEntry &entry, ZipFilePtr file, const FolderPtr &folder, const std::string &leaf,
                                 const std::string &shown, bool exists)
{
    LocalEntryData ownData;
    if (m_ownReading) {
        std::string error;
        if (!ownData.Open(m_directory.Fd(), m_directory.FileSize(), entry, error)) {
            m_session.Complain("error: " + entry.path + ": " + error, ENGINE_BAD_ARCHIVE);
            return;
        }
    } else if (!file) {
        file.reset(zip_fopen_index(m_archive.get(), entry.index, 0));
        if (!file) {
            ComplainAboutLibzip(entry, zip_error_code_zip(zip_get_error(m_archive.get())), "cannot be read");
            zip_error_clear(m_archive.get());
            return;
        }
    }
    m_counting = true;
    ProgressShare share(m_progress, entry.size);
    std::unique_ptr<AtomicFile> output;
    if (!m_testOnly) {
        output = std::make_unique<AtomicFile>(folder, leaf, exists);
        if (int error = output->Create(entry.Permissions())) {
            m_session.Complain("error: cannot write " + shown + ": " + ErrnoText(error), ENGINE_WRITE_ERROR);
            return;
        }
    }
    std::vector<unsigned char> buffer(kStreamChunk);
    zip_uint64_t total = 0;
    for (;;) {
        std::string error;
        const zip_int64_t got = m_ownReading ? ownData.Read(buffer.data(), buffer.size(), error)
                                             : zip_fread(file.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (m_ownReading)
                m_session.Complain("error: " + entry.path + ": " + error,
                                   ownData.BadCrc() ? ENGINE_CRC_ERROR : ENGINE_BAD_ARCHIVE);
            else
                ComplainAboutLibzip(entry, zip_error_code_zip(zip_file_get_error(file.get())), "failed");
            return; // the temporary file goes with output
        }
        if (got == 0)
            break;
        total += static_cast<zip_uint64_t>(got);
        if (total > entry.size)
            break;
        share.Add(static_cast<uint64_t>(got));
        if (output) {
            if (int error = output->Write(buffer.data(), static_cast<size_t>(got))) {
                m_session.Complain("error: cannot write " + shown + ": " + ErrnoText(error), ENGINE_WRITE_ERROR);
                return;
            }
        }
    }
    if (total != entry.size) {
        m_session.Complain("error: " + entry.path + ": its data does not have the size the archive states",
                           entry.encrypted ? ENGINE_BAD_PASSWORD : ENGINE_BAD_ARCHIVE);
        return;
    }
    if (output) {
        if (int error = output->Commit(FileStamp{entry.modified, entry.Permissions()}))
            m_session.Complain("error: cannot write " + shown + ": " + ErrnoText(error), ENGINE_WRITE_ERROR);
    }
}

ZipFilePtr Extraction::OpenEncrypted(const ArchiveEntry &entry)
{
    // Asking libzip to open an entry whose encryption it cannot read leaks
    // memory inside libzip, so such an entry is refused here.
    if (zip_encryption_method_supported(entry.encryptionMethod, 0) == 0) {
        m_session.Complain("   skipping: " + entry.path + "  (encrypted in a way this engine cannot read)",
                           ENGINE_UNSUPPORTED);
        return nullptr;
    }
    zip_t *archive = m_archive.get();
    auto attempt = [&](const std::string &password, int &zipError) {
        zip_file_t *file = zip_fopen_index_encrypted(archive, entry.index, 0, password.c_str());
        zipError = file ? ZIP_ER_OK : zip_error_code_zip(zip_get_error(archive));
        zip_error_clear(archive);
        return ZipFilePtr(file);
    };
    int zipError = ZIP_ER_OK;
    for (const std::string &password : m_passwords) {
        if (ZipFilePtr file = attempt(password, zipError))
            return file;
        if (zipError != ZIP_ER_WRONGPASSWD) {
            ComplainAboutLibzip(entry, zipError, "cannot be read");
            return nullptr;
        }
    }
    for (int i = 0; i < kPasswordAttempts; ++i) {
        std::string password;
        if (!m_session.AskPassword(entry.path, password)) {
            m_session.Complain("   skipping: " + entry.path + "  (encrypted, and no password was given)",
                               ENGINE_BAD_PASSWORD);
            return nullptr;
        }
        if (ZipFilePtr file = attempt(password, zipError)) {
            m_passwords.push_back(password);
            return file;
        }
        if (zipError != ZIP_ER_WRONGPASSWD) {
            ComplainAboutLibzip(entry, zipError, "cannot be read");
            return nullptr;
        }
        m_session.Say("incorrect password for " + entry.path);
    }
    m_session.Complain("   skipping: " + entry.path + "  (incorrect password)", ENGINE_BAD_PASSWORD);
    return nullptr;
}

void Extraction::ComplainAboutLibzip(const ArchiveEntry &entry, int zipError, const std::string &what)
{
    zip_error_t details;
    zip_error_init_with_code(&details, zipError);
    const std::string reason = zip_error_strerror(&details);
    zip_error_fini(&details);

    int32_t result = ENGINE_BAD_ARCHIVE;
    switch (zipError) {
    case ZIP_ER_CRC:
        result = ENGINE_CRC_ERROR;
        break;
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_NOPASSWD:
        result = ENGINE_BAD_PASSWORD;
        break;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
        result = ENGINE_UNSUPPORTED;
        break;
    case ZIP_ER_MEMORY:
        result = ENGINE_NO_MEMORY;
        break;
    default:
        break;
    }
    // Once a password has been accepted, damaged data most likely means the
    // password was wrong: its check value passes by chance one time in 256.
    if (entry.encrypted && result != ENGINE_UNSUPPORTED && result != ENGINE_NO_MEMORY) {
        m_session.Complain("error: " + entry.path + " " + what + ": " + reason +
                               " (incorrect password or damaged data)",
                           ENGINE_BAD_PASSWORD);
        return;
    }
    m_session.Complain("error: " + entry.path + " " + what + ": " + reason, result);
}

void Extraction::SetFolderTimes()
{
    // Last, because writing files into a folder changes its time.
    for (const FolderTime &folderTime : m_folderTimes) {
        int error = 0;
        FolderPtr parent = m_target.Reach(folderTime.parts, folderTime.parts.size() - 1, error);
        if (!parent)
            continue;
        const struct timespec times[2] = {{folderTime.modified, 0}, {folderTime.modified, 0}};
        utimensat(parent->Fd(), folderTime.parts.back().c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
}

void Extraction::Report(int32_t result, std::string message)
{
    std::lock_guard lock(m_outcomeMutex);
    m_outcomes.push_back(Outcome{result, std::move(message)});
}

void Extraction::Drain()
{
    std::vector<Outcome> outcomes;
    {
        std::lock_guard lock(m_outcomeMutex);
        outcomes.swap(m_outcomes);
    }
    for (const Outcome &outcome : outcomes)
        m_session.Complain(outcome.message, outcome.result);
}

void Extraction::WaitForWorkers()
{
    if (m_pool) {
        SubmitBatch();
        m_pool->WaitIdle();
    }
    Drain();
}

std::string Extraction::OnDisk(const std::string &relative) const
{
    if (m_targetPath.empty())
        return relative;
    return m_targetPath.back() == '/' ? m_targetPath + relative : m_targetPath + "/" + relative;
}

void Extraction::WaitForPendingFolders(const std::vector<std::string> &parts, size_t count)
{
    std::string prefix;
    for (size_t i = 0; i < count; ++i) {
        prefix += (i == 0 ? "" : "/") + parts[i];
        if (m_written.count(prefix) != 0) {
            WaitForWorkers();
            return;
        }
    }
}

} // namespace

void ExtractArchive(UnzipSession &session)
{
    Extraction extraction(session);
    extraction.Run();
}

} // namespace engine
