#include "engine/writer/EncryptedEntries.h"

#include "engine/common/EngineMessages.h"
#include "engine/writer/ZipRecords.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace writer {

namespace {

constexpr zip_uint16_t kExtendedTimestampId = 0x5455;

// The extended-timestamp extra field (modification time only): the exact
// second in UTC, where the DOS time holds local time to two seconds.
void SetTimestampExtraField(const LibZip &lib, zip_t *archive, zip_uint64_t index,
                            time_t modified) {
    if (modified < 0 || modified > INT32_MAX)
        return;
    const uint32_t seconds = static_cast<uint32_t>(modified);
    const zip_uint8_t field[5] = {
        1, static_cast<zip_uint8_t>(seconds), static_cast<zip_uint8_t>(seconds >> 8),
        static_cast<zip_uint8_t>(seconds >> 16), static_cast<zip_uint8_t>(seconds >> 24)};
    lib.file_extra_field_set(archive, index, kExtendedTimestampId, ZIP_EXTRA_FIELD_NEW, field,
                             sizeof field, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

} // namespace

EncryptedEntries::EncryptedEntries(DeflatePipeline &pipeline, const WriterCallbacks &callbacks,
                                   bool quiet, WriteOutcome &outcome)
    : m_pipeline(pipeline), m_callbacks(callbacks), m_quiet(quiet), m_outcome(outcome) {}

EncryptedEntries::~EncryptedEntries() {
    if (m_fd >= 0)
        close(m_fd);
    if (!m_scratch.empty())
        unlink(m_scratch.c_str());
}

bool EncryptedEntries::AddFolder(zip_t *archive, const SelectedItem &folder) {
    const LibZip &lib = *m_context.lib;
    if (m_callbacks.ServiceWantsStop(folder.entryName)) {
        m_outcome.cancelled = true;
        return false;
    }
    const zip_int64_t index = lib.dir_add(archive, folder.entryName.c_str(), ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        m_error = "cannot add the folder entry " + folder.entryName + ": " + lib.strerror(archive);
        return false;
    }
    const auto at = static_cast<zip_uint64_t>(index);
    lib.file_set_mtime(archive, at, folder.modified.tv_sec, 0);
    SetTimestampExtraField(lib, archive, at, folder.modified.tv_sec);
    lib.file_set_external_attributes(
        archive, at, 0, ZIP_OPSYS_UNIX,
        static_cast<zip_uint32_t>((S_IFDIR | (folder.mode & 07777)) & 0xFFFF) << 16);
    if (!m_quiet)
        m_callbacks.Print("adding: " + folder.entryName + " (stored 0%)");
    return true;
}

bool EncryptedEntries::AddFile(zip_t *archive, const NewEntry &entry, const std::string &password) {
    const LibZip &lib = *m_context.lib;
    const SelectedItem &file = *entry.item;
    auto source = std::make_unique<PackedSource>(m_context, file, entry.verb, ZIP_CM_DEFAULT);
    // Owned here, from now on, for as long as libzip may call it.
    PackedSource *callback = source.get();
    m_sources.push_back(std::move(source));
    zip_source_t *zipSource = lib.source_function(archive, &PackedSource::Callback, callback);
    const zip_int64_t added =
        zipSource ? lib.file_add(archive, file.entryName.c_str(), zipSource, ZIP_FL_ENC_UTF_8) : -1;
    if (added < 0) {
        if (zipSource)
            lib.source_free(zipSource);
        m_error = "cannot add " + file.entryName + ": " + lib.strerror(archive);
        return false;
    }
    const auto index = static_cast<zip_uint64_t>(added);
    callback->SetIndex(index);
    callback->SetJob(entry.job);
    lib.file_set_external_attributes(archive, index, 0, ZIP_OPSYS_UNIX,
                                     static_cast<zip_uint32_t>(file.mode & 0xFFFF) << 16);
    lib.file_set_mtime(archive, index, file.modified.tv_sec, 0);
    SetTimestampExtraField(lib, archive, index, file.modified.tv_sec);
    if (lib.file_set_encryption(archive, index, ZIP_EM_AES_256, password.c_str()) != 0) {
        m_error = "cannot encrypt " + file.entryName + ": " + lib.strerror(archive);
        return false;
    }
    return true;
}

bool EncryptedEntries::Prepare(const LibZip &lib, const std::string &target,
                               const std::vector<const NewEntry *> &entries,
                               const std::string &password) {
    std::string pattern = target + ".XXXXXX";
    const int created = mkostemp(pattern.data(), O_CLOEXEC);
    if (created < 0) {
        m_error = engine::ErrnoText(errno);
        return false;
    }
    close(created);
    m_scratch = pattern;
    int zipError = 0;
    LibZipArchive archive(lib.open(m_scratch.c_str(), ZIP_TRUNCATE, &zipError),
                          LibZipDiscard{&lib});
    if (!archive) {
        m_error = "cannot write a scratch archive beside it";
        return false;
    }
    m_context.lib = &lib;
    m_context.archive = archive.get();
    m_context.pipeline = &m_pipeline;
    m_context.callbacks = &m_callbacks;
    m_context.quiet = m_quiet;
    for (const NewEntry *entry : entries) {
        const bool added = entry->item->isFolder ? AddFolder(archive.get(), *entry->item)
                                                 : AddFile(archive.get(), *entry, password);
        if (!added)
            return false;
    }
    if (lib.close(archive.get()) != 0) {
        m_outcome.cancelled = m_context.outcome.cancelled;
        m_outcome.readFailed = m_context.outcome.readFailed;
        m_outcome.failure = m_context.outcome.failure;
        m_error = lib.strerror(archive.get());
        return false;
    }
    archive.release(); // zip_close freed it
    m_fd = open(m_scratch.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = engine::ErrnoText(errno);
        return false;
    }
    if (!ReadZipDirectory(m_fd, m_directory, m_error))
        return false;
    if (m_directory.records.size() != entries.size()) {
        m_error = "the scratch archive does not hold every new entry";
        return false;
    }
    return true;
}

bool EncryptedEntries::Write(size_t place, ArchiveOutput &out, std::string &central) {
    const CentralRecord &record = m_directory.records[place];
    const uint64_t offset = out.Position();
    if (!out.CopyFrom(m_fd, record.localOffset, record.spanEnd - record.localOffset))
        return false;
    std::optional<std::string> moved = RelocatedRecord(m_directory.Record(place), offset);
    if (!moved) {
        m_error = "the record of an encrypted entry has no room for its offset";
        return false;
    }
    central = std::move(*moved);
    return true;
}

} // namespace writer
