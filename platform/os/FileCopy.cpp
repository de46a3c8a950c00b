#include "platform/os/FileCopy.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int lFd) : m_lFd(lFd) {}
    ~Fd() {
        if (m_lFd >= 0)
            close(m_lFd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int Get() const { return m_lFd; }
    bool Close() {
        const int lFd = m_lFd;
        m_lFd = -1;
        return close(lFd) == 0;
    }

private:
    int m_lFd;
};

std::string FolderOf(const std::string &sPath) {
    const std::string::size_type lSlash = sPath.rfind('/');
    if (lSlash == std::string::npos)
        return ".";
    return lSlash == 0 ? std::string("/") : sPath.substr(0, lSlash);
}

std::string NameOf(const std::string &sPath) {
    const std::string::size_type lSlash = sPath.rfind('/');
    return lSlash == std::string::npos ? sPath : sPath.substr(lSlash + 1);
}

// The file a copy must replace: the target of a symbolic link, so the link stays.
std::string ReplacementTarget(const std::string &sPath) {
    struct stat st {};
    if (lstat(sPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char *sReal = realpath(sPath.c_str(), nullptr)) {
            std::string sTarget(sReal);
            std::free(sReal);
            return sTarget;
        }
    }
    return sPath;
}

bool CopyBytes(int lFrom, int lTo) {
    // The kernel copies without bringing the bytes through this process where it can.
    for (;;) {
        const ssize_t lCopied = copy_file_range(lFrom, nullptr, lTo, nullptr, 1 << 30, 0);
        if (lCopied == 0)
            return true;
        if (lCopied > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
            return false;
        break; // not on this file system: copy through a buffer from where it stopped
    }
    static thread_local char aBuffer[1 << 16];
    for (;;) {
        const ssize_t lRead = read(lFrom, aBuffer, sizeof aBuffer);
        if (lRead < 0 && errno == EINTR)
            continue;
        if (lRead < 0)
            return false;
        if (lRead == 0)
            return true;
        for (ssize_t lDone = 0; lDone < lRead;) {
            const ssize_t lWritten = write(lTo, aBuffer + lDone, static_cast<size_t>(lRead - lDone));
            if (lWritten < 0 && errno == EINTR)
                continue;
            if (lWritten <= 0)
                return false;
            lDone += lWritten;
        }
    }
}

void SyncFolder(const std::string &sFolder) {
    const int lFd = open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lFd >= 0) {
        fsync(lFd);
        close(lFd);
    }
}

} // namespace

bool CopyFileReplacing(const std::string &sFrom, const std::string &sTo) {
    if (sFrom.empty() || sTo.empty())
        return false;
    Fd from(open(sFrom.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat stFrom {};
    if (from.Get() < 0 || fstat(from.Get(), &stFrom) != 0 || !S_ISREG(stFrom.st_mode))
        return false;

    const std::string sTarget = ReplacementTarget(sTo);
    struct stat stTo {};
    const bool bReplacing = stat(sTarget.c_str(), &stTo) == 0;
    if (bReplacing) {
        if (!S_ISREG(stTo.st_mode))
            return false;
        if (stTo.st_dev == stFrom.st_dev && stTo.st_ino == stFrom.st_ino)
            return false;
        // A read-only file stays read-only, whoever asks: root may write anything, but
        // the user marked it as not to be changed.
        if ((stTo.st_mode & 0222) == 0 || access(sTarget.c_str(), W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }

    std::string sTemp = FolderOf(sTarget) + "/." + NameOf(sTarget) + ".copy-XXXXXX";
    Fd to(mkostemp(sTemp.data(), O_CLOEXEC));
    if (to.Get() < 0)
        return false;
    bool bOk = CopyBytes(from.Get(), to.Get());
    if (bOk) {
        mode_t lMode = 0666;
        if (bReplacing) {
            lMode = stTo.st_mode & 07777;
        } else {
            const mode_t lMask = umask(0);
            umask(lMask);
            lMode &= ~lMask;
        }
        const struct timespec times[2] = {stFrom.st_atim, stFrom.st_mtim};
        bOk = fchmod(to.Get(), lMode) == 0 && futimens(to.Get(), times) == 0 &&
              fsync(to.Get()) == 0;
    }
    bOk = to.Close() && bOk;
    if (!bOk || rename(sTemp.c_str(), sTarget.c_str()) != 0) {
        unlink(sTemp.c_str());
        return false;
    }
    SyncFolder(FolderOf(sTarget));
    return true;
}
