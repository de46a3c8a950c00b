#include "engine/reader/TargetFolder.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Handles kept for reuse; beyond this the cache starts afresh.
constexpr size_t kMaxOpenedFolders = 512;

std::atomic<unsigned long> g_temporaryCounter{0};

// Opens part inside parent as a folder, creating it when missing.
int OpenOrCreateFolder(int parent, const std::string &part, bool &created, int &error)
{
    created = false;
    int fd = openat(parent, part.c_str(), kFolderFlags);
    if (fd < 0 && errno == ENOENT) {
        if (mkdirat(parent, part.c_str(), 0777) == 0)
            created = true;
        else if (errno != EEXIST) {
            error = errno;
            return -1;
        }
        fd = openat(parent, part.c_str(), kFolderFlags);
    }
    if (fd < 0)
        error = errno;
    return fd;
}

} // namespace

FolderHandle::~FolderHandle()
{
    if (m_fd >= 0)
        close(m_fd);
}

int TargetFolder::Open(const std::string &path)
{
    const std::string folder = path.empty() ? std::string(".") : path;
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool created = fd < 0 && errno == ENOENT;
    if (created) {
        // Create the missing parents one level at a time; the user named this
        // path, so links along it are the user's own and are followed.
        for (size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
            const std::string prefix = folder.substr(0, slash);
            if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
                return errno;
            if (slash == std::string::npos)
                break;
        }
        fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0)
        return errno;
    m_root = std::make_shared<FolderHandle>(fd, created);
    m_opened.clear();
    return 0;
}

FolderPtr TargetFolder::Reach(const std::vector<std::string> &parts, size_t count, int &error)
{
    error = 0;
    if (count == 0)
        return m_root;
    std::string key;
    for (size_t i = 0; i < count; ++i)
        key += (i == 0 ? "" : "/") + parts[i];
    if (const auto it = m_opened.find(key); it != m_opened.end())
        return it->second;

    FolderPtr parent = count > 1 ? Reach(parts, count - 1, error) : m_root;
    if (!parent)
        return nullptr;
    bool created = false;
    const int fd = OpenOrCreateFolder(parent->Fd(), parts[count - 1], created, error);
    if (fd < 0)
        return nullptr;
    if (m_opened.size() >= kMaxOpenedFolders)
        m_opened.clear(); // handles still in use stay open with their users
    auto folder = std::make_shared<FolderHandle>(fd, created);
    m_opened.emplace(key, folder);
    return folder;
}

AtomicFile::AtomicFile(const FolderPtr &folder, std::string name, bool mayExist)
    : m_folder(folder), m_name(std::move(name)), m_mayExist(mayExist)
{
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0)
        close(m_fd);
    if (!m_createdName.empty() && !m_committed)
        unlinkat(m_folder->Fd(), m_createdName.c_str(), 0);
}

int AtomicFile::Create(mode_t permissions)
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    const mode_t mode = permissions != 0 ? permissions : 0666;
    if (!m_mayExist) {
        m_fd = openat(m_folder->Fd(), m_name.c_str(), flags, mode);
        if (m_fd >= 0) {
            m_createdName = m_name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
        m_mayExist = true; // something appeared meanwhile: replace it safely
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".pakreader-" + std::to_string(getpid()) + "-" +
                           std::to_string(g_temporaryCounter.fetch_add(1)) + ".part";
        m_fd = openat(m_folder->Fd(), name.c_str(), flags, mode);
        if (m_fd >= 0) {
            m_createdName = std::move(name);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int AtomicFile::Write(const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = write(m_fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

int AtomicFile::Commit(const FileStamp &stamp)
{
    const struct timespec times[2] = {{stamp.modified, 0}, {stamp.modified, 0}};
    if (futimens(m_fd, times) != 0)
        return errno;
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0)
        return errno;
    if (m_mayExist &&
        renameat(m_folder->Fd(), m_createdName.c_str(), m_folder->Fd(), m_name.c_str()) != 0)
        return errno;
    m_committed = true;
    return 0;
}

int WriteWholeFile(const FolderPtr &folder, const std::string &name, bool mayExist, const void *data, size_t size,
                   const FileStamp &stamp)
{
    AtomicFile file(folder, name, mayExist);
    if (int error = file.Create(stamp.permissions))
        return error;
    if (int error = file.Write(data, size))
        return error;
    return file.Commit(stamp);
}

} // namespace engine
