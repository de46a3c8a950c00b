#include "support/kept/KeptFolder.h"

#include "platform/os/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <vector>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_bLinkingFails{false};

// Records are a few hundred bytes; anything much larger is no record of ours.
constexpr std::size_t kRecordLimit = 64u << 10;
// A copy moves its progress after each piece.
constexpr std::size_t kCopyPiece = 64u << 20;
constexpr std::size_t kBufferSize = 1u << 20;

bool IsPlainName(const std::string &sName) {
    return !sName.empty() && sName != "." && sName != ".." &&
           sName.find('/') == std::string::npos && sName.find('\0') == std::string::npos;
}

// A name beside sName for a file that is to take its place once whole.
std::string TempNameFor(const std::string &sName) {
    static std::atomic<unsigned> s_nNext{0};
    return "." + sName + ".tmp-" + std::to_string(getpid()) + "-" +
           std::to_string(s_nNext.fetch_add(1));
}

int WriteAll(int nFd, const char *pData, std::size_t lLength) {
    while (lLength > 0) {
        const ssize_t lWritten = write(nFd, pData, lLength);
        if (lWritten < 0 && errno == EINTR)
            continue;
        if (lWritten <= 0)
            return lWritten < 0 ? errno : EIO;
        pData += lWritten;
        lLength -= static_cast<std::size_t>(lWritten);
    }
    return 0;
}

// The file system cannot copy between these two files inside the kernel.
bool KernelCannotCopy(int nError) {
    return nError == EXDEV || nError == EINVAL || nError == ENOSYS || nError == EOPNOTSUPP ||
           nError == ENOTSUP || nError == EBADF;
}

// Linking cannot be done here, where copying can: another file system, one without
// hard links, too many links, or a file the kernel will not let this user link.
bool LinkingUnavailable(int nError) {
    return nError == EXDEV || nError == EPERM || nError == EMLINK || nError == ENOTSUP ||
           nError == EOPNOTSUPP || nError == ENOSYS;
}

void WriteGameNote(const KeptDir &game, const std::string &sGameFolder) {
    // Which game the folder is of, for a player who looks into it.
    if (StampInKept(game, "game").eKind != StampKind::Missing)
        return;
    const std::string sTemp = TempNameFor("game");
    const int nFd = openat(game.Fd(), sTemp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (nFd < 0)
        return;
    const std::string sText = sGameFolder + "\n";
    const bool bOk = WriteAll(nFd, sText.data(), sText.size()) == 0;
    close(nFd);
    if (!bOk || renameat(game.Fd(), sTemp.c_str(), game.Fd(), "game") != 0)
        unlinkat(game.Fd(), sTemp.c_str(), 0);
}

} // namespace

KeptDir::~KeptDir() {
    if (m_nFd >= 0)
        close(m_nFd);
}

KeptDir::KeptDir(KeptDir &&other) noexcept : m_nFd(other.m_nFd), m_sPath(std::move(other.m_sPath)) {
    other.m_nFd = -1;
}

KeptDir &KeptDir::operator=(KeptDir &&other) noexcept {
    if (this != &other) {
        if (m_nFd >= 0)
            close(m_nFd);
        m_nFd = other.m_nFd;
        m_sPath = std::move(other.m_sPath);
        other.m_nFd = -1;
    }
    return *this;
}

KeptDir KeptDir::Sub(const std::string &sName, bool bCreate) const {
    if (m_nFd < 0 || !IsPlainName(sName)) {
        errno = m_nFd < 0 ? EBADF : EINVAL;
        return {};
    }
    const int nFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int nFd = openat(m_nFd, sName.c_str(), nFlags);
    if (nFd < 0 && errno == ENOENT && bCreate) {
        if (mkdirat(m_nFd, sName.c_str(), 0700) != 0 && errno != EEXIST)
            return {};
        nFd = openat(m_nFd, sName.c_str(), nFlags);
    }
    if (nFd < 0) {
        // O_NOFOLLOW on a link answers ELOOP, O_DIRECTORY on a file ENOTDIR.
        return {};
    }
    return KeptDir(nFd, PathOf(sName));
}

KeptDir OpenKeptRoot(bool bCreate) {
    const std::string sRoot = KeptRoot();
    if (sRoot.empty()) {
        errno = ENOENT;
        return {};
    }
    if (bCreate && !CreateFolderPath(sRoot))
        return {};
    // The root itself may be a link the player made (to another disk, say); nothing
    // below it is followed.
    const int nFd = open(sRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd < 0)
        return {};
    return KeptDir(nFd, sRoot);
}

KeptDir OpenGameKept(const std::string &sGameFolder, bool bCreate) {
    const KeptDir root = OpenKeptRoot(bCreate);
    if (!root.IsOpen())
        return {};
    KeptDir game = root.Sub(GameKeptName(sGameFolder), bCreate);
    if (game.IsOpen() && bCreate)
        WriteGameNote(game, sGameFolder);
    return game;
}

KeptDir OpenArchiveKept(const KeptDir &game, const std::string &sKey, bool bCreate) {
    if (!IsKeptKey(sKey)) {
        errno = EINVAL;
        return {};
    }
    KeptDir dir;
    const KeptDir *pAt = &game;
    std::string::size_type lStart = 0;
    for (;;) {
        const std::string::size_type lEnd = sKey.find('/', lStart);
        KeptDir next = pAt->Sub(sKey.substr(lStart, lEnd - lStart), bCreate);
        if (!next.IsOpen())
            return {};
        dir = std::move(next);
        pAt = &dir;
        if (lEnd == std::string::npos)
            return dir;
        lStart = lEnd + 1;
    }
}

KeptLock::KeptLock(const KeptDir &game) {
    if (!game.IsOpen())
        return;
    m_nFd = openat(game.Fd(), ".lock", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_nFd < 0)
        return;
    while (flock(m_nFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(m_nFd);
            m_nFd = -1;
            return;
        }
    }
}

KeptLock::~KeptLock() {
    if (m_nFd >= 0)
        close(m_nFd); // closing lets the lock go
}

FileStamp StampInKept(const KeptDir &dir, const std::string &sName) {
    if (!dir.IsOpen())
        return {};
    return StampIn(dir.Fd(), sName.c_str());
}

std::optional<KeptRecord> ReadKeptRecord(const KeptDir &dir, const std::string &sName) {
    if (!dir.IsOpen())
        return std::nullopt;
    const int nFd =
        openat(dir.Fd(), sName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        return std::nullopt;
    struct stat st {};
    std::string sText;
    if (fstat(nFd, &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::size_t>(st.st_size) <= kRecordLimit) {
        char aBuffer[4096];
        for (;;) {
            const ssize_t lRead = read(nFd, aBuffer, sizeof aBuffer);
            if (lRead < 0 && errno == EINTR)
                continue;
            if (lRead <= 0 || sText.size() + static_cast<std::size_t>(lRead) > kRecordLimit)
                break;
            sText.append(aBuffer, static_cast<std::size_t>(lRead));
        }
    }
    close(nFd);
    return DecodeKeptRecord(sText);
}

int WriteKeptRecord(const KeptDir &dir, const std::string &sName, const KeptRecord &record) {
    if (!dir.IsOpen())
        return EBADF;
    const std::string sTemp = TempNameFor(sName);
    const int nFd = openat(dir.Fd(), sTemp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (nFd < 0)
        return errno;
    const std::string sText = EncodeKeptRecord(record);
    int nError = WriteAll(nFd, sText.data(), sText.size());
    if (nError == 0 && fsync(nFd) != 0)
        nError = errno;
    if (close(nFd) != 0 && nError == 0)
        nError = errno;
    if (nError == 0 && renameat(dir.Fd(), sTemp.c_str(), dir.Fd(), sName.c_str()) != 0)
        nError = errno;
    if (nError != 0) {
        unlinkat(dir.Fd(), sTemp.c_str(), 0);
        return nError;
    }
    SyncKept(dir);
    return 0;
}

int CopyFileData(int nFromFd, int nToFd, KeptProgress *pProgress) {
    off_t lFrom = 0;
    bool bKernel = true;
    for (;;) {
        const ssize_t lCopied = copy_file_range(nFromFd, &lFrom, nToFd, nullptr, kCopyPiece, 0);
        if (lCopied == 0)
            return 0;
        if (lCopied > 0) {
            if (pProgress)
                pProgress->lDone.fetch_add(static_cast<std::uint64_t>(lCopied));
            continue;
        }
        if (errno == EINTR)
            continue;
        if (!KernelCannotCopy(errno))
            return errno;
        bKernel = false;
        break;
    }
    if (bKernel)
        return 0;
    // Through memory from where the kernel stopped.
    posix_fadvise(nFromFd, lFrom, 0, POSIX_FADV_SEQUENTIAL);
    std::unique_ptr<char[]> pBuffer(new char[kBufferSize]);
    for (;;) {
        const ssize_t lRead = pread(nFromFd, pBuffer.get(), kBufferSize, lFrom);
        if (lRead < 0 && errno == EINTR)
            continue;
        if (lRead < 0)
            return errno;
        if (lRead == 0)
            return 0;
        if (const int nError = WriteAll(nToFd, pBuffer.get(), static_cast<std::size_t>(lRead)))
            return nError;
        lFrom += lRead;
        if (pProgress)
            pProgress->lDone.fetch_add(static_cast<std::uint64_t>(lRead));
    }
}

int KeepFileIn(const KeptDir &dir, const std::string &sFrom, const std::string &sName,
               KeptProgress *pProgress, KeptHow &eHow) {
    if (!dir.IsOpen() || !IsPlainName(sName))
        return EINVAL;
    const std::string sTemp = TempNameFor(sName);
    if (!g_bLinkingFails.load()) {
        if (linkat(AT_FDCWD, sFrom.c_str(), dir.Fd(), sTemp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            if (renameat(dir.Fd(), sTemp.c_str(), dir.Fd(), sName.c_str()) != 0) {
                const int nError = errno;
                unlinkat(dir.Fd(), sTemp.c_str(), 0);
                return nError;
            }
            eHow = KeptHow::Link;
            return 0;
        }
        if (!LinkingUnavailable(errno))
            return errno;
    }

    const int nFrom = open(sFrom.c_str(), O_RDONLY | O_CLOEXEC);
    if (nFrom < 0)
        return errno;
    struct stat st {};
    if (fstat(nFrom, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int nError = S_ISREG(st.st_mode) ? errno : EINVAL;
        close(nFrom);
        return nError == 0 ? EINVAL : nError;
    }
    if (pProgress)
        pProgress->lTotal.fetch_add(static_cast<std::uint64_t>(st.st_size));
    const int nTo = openat(dir.Fd(), sTemp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (nTo < 0) {
        const int nError = errno;
        close(nFrom);
        return nError;
    }
    int nError = CopyFileData(nFrom, nTo, pProgress);
    if (nError == 0) {
        // The copy keeps the archive's time, as the link would.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(nTo, times);
    }
    if (close(nTo) != 0 && nError == 0)
        nError = errno;
    close(nFrom);
    if (nError == 0 && renameat(dir.Fd(), sTemp.c_str(), dir.Fd(), sName.c_str()) != 0)
        nError = errno;
    if (nError != 0) {
        unlinkat(dir.Fd(), sTemp.c_str(), 0);
        return nError;
    }
    eHow = KeptHow::Copy;
    return 0;
}

int LinkInKept(const KeptDir &dir, const std::string &sFrom, const std::string &sTo) {
    if (!dir.IsOpen() || !IsPlainName(sFrom) || !IsPlainName(sTo))
        return EINVAL;
    const std::string sTemp = TempNameFor(sTo);
    if (linkat(dir.Fd(), sFrom.c_str(), dir.Fd(), sTemp.c_str(), 0) != 0)
        return errno;
    if (renameat(dir.Fd(), sTemp.c_str(), dir.Fd(), sTo.c_str()) != 0) {
        const int nError = errno;
        unlinkat(dir.Fd(), sTemp.c_str(), 0);
        return nError;
    }
    return 0;
}

void RemoveKeptTempFiles(const KeptDir &dir) {
    if (!dir.IsOpen())
        return;
    const int nFd = dup(dir.Fd());
    if (nFd < 0)
        return;
    DIR *pDir = fdopendir(nFd);
    if (!pDir) {
        close(nFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent *pEntry = readdir(pDir)) {
        const std::string sName = pEntry->d_name;
        if (sName.size() > 1 && sName[0] == '.' && sName.find(".tmp-") != std::string::npos)
            names.push_back(sName);
    }
    closedir(pDir);
    for (const std::string &sName : names)
        unlinkat(dir.Fd(), sName.c_str(), 0);
}

int RenameInKept(const KeptDir &dir, const std::string &sFrom, const std::string &sTo) {
    if (!dir.IsOpen() || !IsPlainName(sFrom) || !IsPlainName(sTo))
        return EINVAL;
    return renameat(dir.Fd(), sFrom.c_str(), dir.Fd(), sTo.c_str()) == 0 ? 0 : errno;
}

int RemoveInKept(const KeptDir &dir, const std::string &sName) {
    if (!dir.IsOpen() || !IsPlainName(sName))
        return EINVAL;
    if (unlinkat(dir.Fd(), sName.c_str(), 0) == 0 || errno == ENOENT)
        return 0;
    return errno;
}

void SyncKept(const KeptDir &dir) {
    if (dir.IsOpen())
        fsync(dir.Fd());
}

void SetKeptLinkingFailsForTests(bool bFails) {
    g_bLinkingFails = bFails;
}
