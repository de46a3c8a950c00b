#include "engine/common/CentralDirectory.h"

#include "engine/common/EngineMessages.h"
#include "engine/common/LittleEndian.h"
#include "engine/common/ZipFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace engine {

namespace {

// The window a walker reads the directory through: many records per read,
// and always room for the largest record there can be.
constexpr size_t kWindowSize = 1u << 20;
constexpr size_t kLargestRecord = kCentralFixedSize + 3 * size_t{kMarker16};
static_assert(kWindowSize >= kLargestRecord);

const unsigned char *Bytes(std::string_view text, size_t at = 0) {
    return reinterpret_cast<const unsigned char *>(text.data()) + at;
}

bool ReadAt(int fd, uint64_t offset, char *out, size_t length, std::string &error) {
    size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(fd, out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? ErrnoText(errno) : "the file ends too early";
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

} // namespace

bool EndRecordSearch::Start(int fd, uint64_t fileSize, std::string &error) {
    m_fd = fd;
    m_fileSize = fileSize;
    m_candidates.clear();
    m_next = 0;
    m_signatures = 0;
    m_firstError.clear();
    if (fileSize < kEndFixedSize) {
        error = "not a zip archive";
        return false;
    }
    // The end record lies within the last 64 KiB and its own size, behind
    // the zip64 locator when there is one.
    const uint64_t tailLength = std::min<uint64_t>(fileSize, kMarker16 + kEndFixedSize + kZip64LocatorSize);
    m_tailStart = fileSize - tailLength;
    m_tail.assign(static_cast<size_t>(tailLength), '\0');
    if (!ReadAt(fd, m_tailStart, m_tail.data(), m_tail.size(), error))
        return false;
    std::vector<size_t> exact, loose;
    const std::string_view tail(m_tail);
    const std::string_view signature("PK\x05\x06", 4);
    for (size_t at = tail.find(signature); at != std::string_view::npos; at = tail.find(signature, at + 1)) {
        if (at + kEndFixedSize > tail.size())
            break;
        ++m_signatures;
        const size_t end = at + kEndFixedSize + ReadLittle16(Bytes(tail, at + 20));
        if (end == tail.size())
            exact.push_back(at);
        else if (end < tail.size())
            loose.insert(loose.begin(), at);
    }
    m_candidates = exact.empty() ? loose : exact;
    if (m_candidates.empty()) {
        error = "not a zip archive";
        return false;
    }
    return true;
}

bool EndRecordSearch::Next(EndFacts &facts, std::string &error) {
    while (m_next < m_candidates.size()) {
        const size_t at = m_candidates[m_next++];
        const std::string_view tail(m_tail);
        const unsigned char *end = Bytes(tail, at);
        facts = EndFacts();
        facts.fileSize = m_fileSize;
        uint32_t disk = ReadLittle16(end + 4);
        uint32_t centralDisk = ReadLittle16(end + 6);
        uint64_t entriesHere = ReadLittle16(end + 8);
        facts.entries = ReadLittle16(end + 10);
        facts.centralSize = ReadLittle32(end + 12);
        facts.centralOffset = ReadLittle32(end + 16);
        facts.endStart = m_tailStart + at;
        const size_t commentLength = ReadLittle16(end + 20);
        facts.comment = std::string(tail.substr(at + kEndFixedSize, commentLength));
        std::string problem;
        if (at >= kZip64LocatorSize && ReadLittle32(Bytes(tail, at - kZip64LocatorSize)) == kZip64LocatorSignature) {
            const unsigned char *locator = Bytes(tail, at - kZip64LocatorSize);
            const uint64_t zip64End = ReadLittle64(locator + 8);
            char record[kZip64EndSize];
            std::string readError;
            if (zip64End > m_tailStart + at - kZip64LocatorSize ||
                m_tailStart + at - kZip64LocatorSize - zip64End < kZip64EndSize ||
                !ReadAt(m_fd, zip64End, record, sizeof record, readError) ||
                ReadLittle32(reinterpret_cast<unsigned char *>(record)) != kZip64EndSignature) {
                problem = "the zip64 end record is missing or damaged";
            } else {
                const unsigned char *bytes = reinterpret_cast<unsigned char *>(record);
                disk = ReadLittle32(bytes + 16);
                centralDisk = ReadLittle32(bytes + 20);
                entriesHere = ReadLittle64(bytes + 24);
                facts.entries = ReadLittle64(bytes + 32);
                facts.centralSize = ReadLittle64(bytes + 40);
                facts.centralOffset = ReadLittle64(bytes + 48);
                facts.endStart = zip64End;
            }
        }
        if (problem.empty() && (disk != 0 || centralDisk != 0 || entriesHere != facts.entries))
            problem = "the archive is split over several files";
        // Bytes that merely look like an end record (in a zip archive
        // stored as an entry's data) point somewhere else.
        if (problem.empty() &&
            (facts.centralOffset > facts.endStart || facts.centralSize > facts.endStart - facts.centralOffset))
            problem = "the central directory does not end where the end records begin";
        // Each central record takes at least its fixed part.
        if (problem.empty() && facts.entries > facts.centralSize / kCentralFixedSize)
            problem = "the central directory is too short for its entries";
        if (problem.empty())
            return true;
        if (m_firstError.empty())
            m_firstError = problem;
    }
    error = m_firstError.empty() ? "not a zip archive" : m_firstError;
    return false;
}

CentralDirectoryWalker::CentralDirectoryWalker(int fd, uint64_t offset, uint64_t size)
    : m_fd(fd), m_offset(offset), m_size(size) {}

CentralDirectoryWalker::CentralDirectoryWalker(std::string_view bytes)
    : m_size(bytes.size()), m_data(bytes.data()), m_have(bytes.size()) {}

bool CentralDirectoryWalker::Fill(size_t wanted, std::string &error) {
    if (m_have >= wanted || m_fd < 0)
        return true;
    if (!m_window) {
        m_windowSize = static_cast<size_t>(std::min<uint64_t>(kWindowSize, std::max<uint64_t>(m_size, 1)));
        m_window.reset(new char[std::max(m_windowSize, kLargestRecord)]);
        m_windowSize = std::max(m_windowSize, kLargestRecord);
    }
    // Keep what is left of the window at its start, then read behind it.
    if (m_have > 0 && m_data != m_window.get())
        std::memmove(m_window.get(), m_data, m_have);
    m_data = m_window.get();
    const uint64_t fileAt = m_offset + m_consumed + m_have;
    const size_t room = m_windowSize - m_have;
    const size_t length = static_cast<size_t>(std::min<uint64_t>(room, m_size - m_consumed - m_have));
    if (!ReadAt(m_fd, fileAt, m_window.get() + m_have, length, error))
        return false;
    m_have += length;
    return true;
}

CentralDirectoryWalker::Step CentralDirectoryWalker::Next(std::string_view &record, std::string &error) {
    const uint64_t left = m_size - m_consumed;
    if (left == 0)
        return Step::End;
    if (!Fill(static_cast<size_t>(std::min<uint64_t>(left, kCentralFixedSize)), error))
        return Step::ReadError;
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(m_data);
    if (left < kCentralFixedSize || ReadLittle32(bytes) != kCentralSignature)
        return Step::End;
    const size_t length = kCentralFixedSize + ReadLittle16(bytes + 28) + ReadLittle16(bytes + 30) +
                          ReadLittle16(bytes + 32);
    if (length > left)
        return Step::Damaged;
    if (!Fill(length, error))
        return Step::ReadError;
    record = std::string_view(m_data, length);
    m_recordStart = m_consumed;
    m_consumed += length;
    m_data += length;
    m_have -= length;
    return Step::Record;
}

} // namespace engine
