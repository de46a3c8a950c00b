#include "engine/writer/ExistingArchive.h"

#include "engine/include/PakEngine.h"
#include "engine/common/CentralRecord.h"
#include "engine/common/EngineMessages.h"
#include "engine/common/LittleEndian.h"
#include "engine/common/TimeFields.h"
#include "engine/common/ZipFormat.h"
#include "engine/writer/ArchiveRewrite.h"
#include "engine/writer/LibZip.h"
#include "engine/writer/ZipRecords.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace writer {

namespace {

using engine::kExtendedTimestampId;
// What an entry takes in memory while an update plans: its figures here,
// its key and place in the update's index.
constexpr size_t kBytesPerEntry = 96;

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

std::string ZipErrorText(const LibZip &lib, int zipError) {
    zip_error_t error;
    lib.error_init_with_code(&error, zipError);
    std::string text = lib.error_strerror(&error);
    lib.error_fini(&error);
    return text;
}


const unsigned char *Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char *>(text.data());
}

} // namespace

time_t ExistingEntry::Modified() const {
    return exactTime ? *exactTime : engine::DosTimeToUnix(dosDate, dosTime);
}

ExistingArchive::~ExistingArchive() {
    if (m_fd >= 0)
        close(m_fd);
}

int32_t ExistingArchive::Open(const std::string &path, std::string &error) {
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        error = engine::ErrnoText(errno);
        return ENGINE_NO_ARCHIVE;
    }
    if (!ReadZipDirectory(m_fd, m_directory, error))
        return ENGINE_BAD_ARCHIVE;
    // The entries, their names and the index the update makes of them.
    m_prefault.Prepare(m_directory.records.size() * kBytesPerEntry);
    if (ReadEntries())
        return ENGINE_OK;
    return ReadThroughLibzip(path, error);
}

bool ExistingArchive::ReadEntries() {
    // A comment that is neither ASCII nor UTF-8 is shown as libzip decodes it.
    if (!engine::IsUtf8Text(m_directory.comment))
        return false;
    m_comment = m_directory.comment;
    m_entries.clear();
    m_entries.reserve(m_directory.records.size());
    engine::CentralEntry central;
    std::string problem, decoded;
    for (size_t i = 0; i < m_directory.records.size(); ++i) {
        if (engine::ReadCentralRecord(m_directory.Record(i), central, problem) != engine::RecordVerdict::Sound)
            return false;
        ExistingEntry entry;
        engine::DecodeEntryName(central, decoded);
        entry.name = decoded == central.rawName ? central.rawName : std::string_view(m_decodedNames.emplace_back(decoded));
        entry.crc = central.crc;
        entry.size = central.size;
        std::string_view timestamp;
        if (engine::FindExtraField(central.extra, kExtendedTimestampId, timestamp))
            entry.exactTime = engine::ExtendedTimestamp(Bytes(timestamp), timestamp.size());
        entry.dosTime = central.dosTime;
        entry.dosDate = central.dosDate;
        m_entries.push_back(std::move(entry));
    }
    return true;
}

bool ExistingArchive::LocalName(size_t i, std::string &name) const {
    unsigned char header[kLocalFixedSize];
    const off_t at = static_cast<off_t>(m_directory.records[i].localOffset);
    if (pread(m_fd, header, sizeof header, at) != static_cast<ssize_t>(sizeof header))
        return false;
    name.assign(engine::ReadLittle16(header + 26), '\0');
    return name.empty() || pread(m_fd, name.data(), name.size(), at + static_cast<off_t>(kLocalFixedSize)) ==
                               static_cast<ssize_t>(name.size());
}

bool ExistingArchive::KeptEntriesStayCheckable(const std::vector<int64_t> &fates, std::string &error) const {
    // unzip reads the central directory 64 records at a time.
    constexpr size_t kBlock = 64;
    const size_t count = std::min(fates.size(), m_directory.records.size());
    auto centralName = [this](size_t i) {
        const std::string_view record = m_directory.Record(i);
        return record.substr(kCentralFixedSize, engine::ReadLittle16(Bytes(record) + 28));
    };
    std::string local, previous;
    for (size_t i = 0; i < count; ++i) {
        if (!LocalName(i, local))
            local.clear();
        if (i % kBlock == 0)
            previous = std::string(centralName(std::min(i + kBlock, m_directory.records.size()) - 1));
        if (local.empty() && fates[i] == kKeepEntry && previous == centralName(i)) {
            error = centralName(i).empty()
                        ? "its entry " + std::to_string(i + 1) + " has no name"
                        : "the local header of its entry " + std::to_string(i + 1) + " (" +
                              std::string(m_entries[i].name) + ") holds no name";
            return false;
        }
        if (!local.empty())
            previous = local;
    }
    return true;
}

int32_t ExistingArchive::ReadThroughLibzip(const std::string &path, std::string &error) {
    const LibZip *lib = LoadLibZip(error);
    if (lib == nullptr)
        return ENGINE_NO_ARCHIVE;
    int zipError = 0;
    LibZipArchive archive(lib->open(path.c_str(), ZIP_RDONLY, &zipError), LibZipDiscard{lib});
    if (!archive) {
        error = ZipErrorText(*lib, zipError);
        return OpenFailureResult(zipError);
    }
    const zip_int64_t count = lib->get_num_entries(archive.get(), 0);
    if (count < 0 || static_cast<uint64_t>(count) != m_directory.records.size()) {
        error = "its central directory does not hold the entries it counts";
        return ENGINE_BAD_ARCHIVE;
    }
    m_entries.assign(static_cast<size_t>(count), ExistingEntry());
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t stat;
        if (lib->stat_index(archive.get(), i, 0, &stat) != 0) {
            error = lib->strerror(archive.get());
            return ENGINE_BAD_ARCHIVE;
        }
        ExistingEntry &entry = m_entries[i];
        entry.name = m_decodedNames.emplace_back(stat.name != nullptr ? stat.name : "");
        entry.size = stat.size;
        entry.crc = stat.crc;
        // The exact time when there is one, else libzip's reading of the DOS time.
        zip_uint16_t length = 0;
        const zip_uint8_t *field = lib->file_extra_field_get_by_id(
            archive.get(), i, kExtendedTimestampId, 0, &length, ZIP_FL_CENTRAL);
        entry.exactTime = engine::ExtendedTimestamp(field, length);
        if (!entry.exactTime)
            entry.exactTime = (stat.valid & ZIP_STAT_MTIME) != 0 && stat.mtime != time_t(-1)
                                  ? stat.mtime
                                  : engine::kEarliestDosTime;
    }
    zip_int32_t length = 0;
    const char *comment = lib->get_archive_comment(archive.get(), &length, 0);
    m_comment = comment ? std::string(comment, static_cast<size_t>(length)) : std::string();
    return ENGINE_OK;
}

} // namespace writer
