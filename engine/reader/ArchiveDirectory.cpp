#include "engine/reader/ArchiveDirectory.h"

#include "engine/common/CentralRecord.h"
#include "engine/common/EngineMessages.h"
#include "engine/common/EntryPath.h"
#include "engine/common/TimeFields.h"
#include "engine/common/ZipFormat.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

void FillEntry(const CentralEntry &central, uint64_t index, ArchiveEntry &entry) {
    entry.index = index;
    DecodeEntryName(central, entry.path);
    for (char &c : entry.path)
        if (c == '\\')
            c = '/';
    entry.isFolder = !entry.path.empty() && entry.path.back() == '/';
    entry.size = central.size;
    entry.packedSize = central.packedSize;
    entry.crc = central.crc;
    entry.method = central.method;
    entry.encrypted = central.encryption != kEncryptionNone;
    entry.encryptionMethod = central.encryption;
    std::string_view timestamp;
    std::optional<time_t> exact;
    if (FindExtraField(central.extra, kExtendedTimestampId, timestamp))
        exact = ExtendedTimestamp(reinterpret_cast<const unsigned char *>(timestamp.data()), timestamp.size());
    entry.modified = exact ? *exact : DosTimeToUnix(central.dosDate, central.dosTime);
    entry.hostSystem = central.HostSystem();
    entry.externalAttributes = central.externalAttributes;
    entry.unixMode = 0;
    if (entry.hostSystem == 3) // Unix
        entry.unixMode = static_cast<mode_t>((entry.externalAttributes >> 16) & 0xFFFF);
    entry.localOffset = central.localOffset;
}

} // namespace

ArchiveDirectory::~ArchiveDirectory() {
    if (m_fd >= 0)
        close(m_fd);
}

bool ArchiveDirectory::Open(const char *path, std::string &error) {
    m_fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        error = ErrnoText(errno);
        return false;
    }
    struct stat info {};
    if (fstat(m_fd, &info) != 0) {
        error = ErrnoText(errno);
        return false;
    }
    EndRecordSearch search;
    if (!search.Start(m_fd, static_cast<uint64_t>(info.st_size), error))
        return false;
    m_ambiguous = search.Ambiguous();
    return search.FirstTaken(m_end, error, [this](const EndFacts &, std::string &reason) {
        return Check(reason);
    });
}

bool ArchiveDirectory::Check(std::string &error) {
    CentralDirectoryWalker walker(m_fd, m_end.centralOffset, m_end.centralSize);
    CentralEntry central;
    std::string_view record;
    uint64_t count = 0;
    m_looseExtra = false;
    for (;;) {
        const CentralDirectoryWalker::Step step = walker.Next(record, error);
        if (step == CentralDirectoryWalker::Step::ReadError)
            return false;
        if (step != CentralDirectoryWalker::Step::Record)
            break;
        if (count == m_end.entries) {
            error = "the central directory holds more entries than it counts";
            return false;
        }
        ++count;
        if (ReadCentralRecord(record, central, error) != RecordVerdict::Sound) {
            error = "entry " + std::to_string(count) + ": " + error;
            return false;
        }
        m_looseExtra = m_looseExtra || central.looseExtra;
    }
    if (count != m_end.entries || walker.Left() != 0) {
        error = "the central directory does not hold the entries it counts";
        return false;
    }
    return true;
}

bool ArchiveDirectory::ForEach(const std::function<bool(ArchiveEntry &)> &visit, std::string &error) const {
    CentralDirectoryWalker walker(m_fd, m_end.centralOffset, m_end.centralSize);
    CentralEntry central;
    ArchiveEntry entry;
    std::string_view record;
    for (uint64_t index = 0; index < m_end.entries; ++index) {
        const CentralDirectoryWalker::Step step = walker.Next(record, error);
        if (step == CentralDirectoryWalker::Step::ReadError)
            return false;
        if (step != CentralDirectoryWalker::Step::Record ||
            ReadCentralRecord(record, central, error) != RecordVerdict::Sound) {
            error = "the central directory changed while it was read";
            return false;
        }
        FillEntry(central, index, entry);
        if (!visit(entry))
            break;
    }
    return true;
}

} // namespace engine
