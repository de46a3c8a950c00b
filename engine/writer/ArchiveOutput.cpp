#include "engine/writer/ArchiveOutput.h"

#include "engine/common/EngineMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace writer {

namespace {

constexpr size_t kBufferSize = 1u << 20;
constexpr size_t kBlockSize = 1u << 20;
// The kernel copies at most this much at a time, so that a copy of gigabytes shows
// its progress as it goes.
constexpr uint64_t kKernelCopyPiece = 64u << 20;

bool WriteAll(int fd, const char *data, size_t length, int &error) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// copy_file_range answers these where the two files cannot be copied
// between inside the kernel; the bytes are then copied through memory.
bool KernelCannotCopy(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == ENOTSUP;
}

} // namespace

ArchiveOutput::ArchiveOutput(std::string target) : m_target(std::move(target)) {}

ArchiveOutput::~ArchiveOutput() {
    if (m_fd >= 0)
        close(m_fd);
    if (!m_committed && !m_temporary.empty())
        unlink(m_temporary.c_str());
}

bool ArchiveOutput::Fail(int error) {
    if (m_error.empty())
        m_error = error == 0 ? "the archive being read ended too early" : engine::ErrnoText(error);
    return false;
}

bool ArchiveOutput::Open() {
    // A file without a name in the archive's folder, linked in once complete. It
    // is named through /proc, so that is where it must be found.
    const size_t slash = m_target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : m_target.substr(0, slash == 0 ? 1 : slash);
    if (access("/proc/self/fd", X_OK) == 0) {
        const int nameless = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (nameless >= 0) {
            m_fd = nameless;
            m_nameless = true;
            m_buffer.reserve(kBufferSize);
            return true;
        }
    }
    // The file system cannot make one: a named temporary file, removed on failure.
    std::string pattern = m_target + ".XXXXXX";
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return Fail(errno);
    m_fd = fd;
    m_temporary = pattern;
    m_buffer.reserve(kBufferSize);
    return true;
}

bool ArchiveOutput::Flush() {
    if (!m_error.empty())
        return false;
    int error = 0;
    if (!WriteAll(m_fd, m_buffer.data(), m_buffer.size(), error))
        return Fail(error);
    m_buffer.clear();
    return true;
}

bool ArchiveOutput::Write(std::string_view bytes) {
    if (!m_error.empty() || m_fd < 0)
        return false;
    m_position += bytes.size();
    if (m_buffer.size() + bytes.size() <= kBufferSize) {
        m_buffer.append(bytes);
        return true;
    }
    if (!Flush())
        return false;
    if (bytes.size() < kBufferSize) {
        m_buffer.append(bytes);
        return true;
    }
    int error = 0;
    return WriteAll(m_fd, bytes.data(), bytes.size(), error) || Fail(error);
}

bool ArchiveOutput::CopyFrom(int fd, uint64_t offset, uint64_t length) {
    if (m_fd < 0 || !Flush())
        return false;
    m_position += length;
    auto from = static_cast<off_t>(offset);
    while (length > 0) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(length, kKernelCopyPiece));
        const ssize_t copied = copy_file_range(fd, &from, m_fd, nullptr, piece, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && KernelCannotCopy(errno))
            return CopyInBlocks(fd, static_cast<uint64_t>(from), length);
        if (copied <= 0)
            return Fail(copied < 0 ? errno : 0);
        length -= static_cast<uint64_t>(copied);
        if (m_copied)
            m_copied(static_cast<uint64_t>(copied));
    }
    return true;
}

bool ArchiveOutput::CopyInBlocks(int fd, uint64_t offset, uint64_t length) {
    if (!m_block)
        m_block.reset(new char[kBlockSize]);
    while (length > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(length, kBlockSize));
        const ssize_t got = pread(fd, m_block.get(), want, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return Fail(got < 0 ? errno : 0);
        int error = 0;
        if (!WriteAll(m_fd, m_block.get(), static_cast<size_t>(got), error))
            return Fail(error);
        offset += static_cast<uint64_t>(got);
        length -= static_cast<uint64_t>(got);
        if (m_copied)
            m_copied(static_cast<uint64_t>(got));
    }
    return true;
}

bool ArchiveOutput::Commit() {
    if (m_fd < 0 || !Flush())
        return false;
    if (m_nameless && !NameTheFile())
        return false;
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0)
        return Fail(errno);
    if (rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return Fail(errno);
    m_committed = true;
    return true;
}

bool ArchiveOutput::NameTheFile() {
    const std::string descriptor = "/proc/self/fd/" + std::to_string(m_fd);
    std::random_device seed;
    std::mt19937 random(seed());
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = m_target + ".";
        for (int i = 0; i < 6; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        if (linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_temporary = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno);
    }
    return Fail(EEXIST);
}

} // namespace writer
