#include "platform/os/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ReplaceHook g_pReplaceHook = nullptr;

const char *const TEMP_MARK = ".tmp-";

std::string FolderOf(const std::string &sPath) {
    std::string::size_type lSlash = sPath.rfind('/');
    if (lSlash == std::string::npos) {
        return ".";
    }
    return lSlash == 0 ? std::string("/") : sPath.substr(0, lSlash);
}

std::string NameOf(const std::string &sPath) {
    std::string::size_type lSlash = sPath.rfind('/');
    return lSlash == std::string::npos ? sPath : sPath.substr(lSlash + 1);
}

bool WriteAll(int lFd, const std::string &sContent) {
    const char *pData = sContent.data();
    size_t lLeft = sContent.size();
    while (lLeft > 0) {
        ssize_t lWritten = write(lFd, pData, lLeft);
        if (lWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        pData += lWritten;
        lLeft -= static_cast<size_t>(lWritten);
    }
    return true;
}

void SyncFolder(const std::string &sFolder) {
    int lFd = open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lFd >= 0) {
        fsync(lFd);
        close(lFd);
    }
}

// The file a write must replace: the target of a symbolic link, so that a link kept by
// the user (for example into a dotfiles folder) stays a link.
std::string ReplacementTarget(const std::string &sPath) {
    struct stat st {};
    if (lstat(sPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char *sReal = realpath(sPath.c_str(), nullptr);
        if (sReal != nullptr) {
            std::string sTarget(sReal);
            std::free(sReal);
            return sTarget;
        }
    }
    return sPath;
}

std::string TempNameFor(const std::string &sPath) {
    static std::mt19937_64 s_random{std::random_device{}()};
    return sPath + TEMP_MARK + std::to_string(getpid()) + "-" +
           std::to_string(s_random() % 1000000000u);
}

} // namespace

namespace {

// Reads from lFd until its end, or until more than lMaxBytes have come (EFBIG). False
// with errno set on failure, sContent then empty. Closes lFd.
bool ReadToEnd(int lFd, std::size_t lMaxBytes, std::string &sContent) {
    char aBuffer[65536];
    int lError = 0;
    for (;;) {
        ssize_t lRead = read(lFd, aBuffer, sizeof aBuffer);
        if (lRead < 0) {
            if (errno == EINTR) {
                continue;
            }
            lError = errno;
            break;
        }
        if (lRead == 0) {
            break;
        }
        if (static_cast<std::size_t>(lRead) > lMaxBytes - sContent.size()) {
            lError = EFBIG;
            break;
        }
        sContent.append(aBuffer, static_cast<size_t>(lRead));
    }
    close(lFd);
    if (lError != 0) {
        sContent.clear();
        errno = lError;
        return false;
    }
    return true;
}

} // namespace

FileReadStatus ReadWholeFile(const std::string &sPath, std::string &sContent) {
    sContent.clear();
    int lFd = open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (lFd < 0) {
        return errno == ENOENT ? FileReadStatus::Missing : FileReadStatus::Failed;
    }
    return ReadToEnd(lFd, SIZE_MAX, sContent) ? FileReadStatus::Read : FileReadStatus::Failed;
}

FileReadStatus ReadBoundedFile(const std::string &sPath, std::size_t lMaxBytes,
                               std::string &sContent) {
    sContent.clear();
    // Non-blocking, so that a pipe of that name cannot hold the caller up.
    int lFd = open(sPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (lFd < 0) {
        return errno == ENOENT ? FileReadStatus::Missing : FileReadStatus::Failed;
    }
    struct stat st {};
    if (fstat(lFd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > lMaxBytes) {
        int lError = !S_ISREG(st.st_mode) ? (S_ISDIR(st.st_mode) ? EISDIR : EINVAL) : EFBIG;
        close(lFd);
        errno = lError;
        return FileReadStatus::Failed;
    }
    sContent.reserve(static_cast<std::size_t>(st.st_size));
    return ReadToEnd(lFd, lMaxBytes, sContent) ? FileReadStatus::Read : FileReadStatus::Failed;
}

bool ReplaceFileAtomically(const std::string &sPath, const std::string &sContent) {
    std::string sTarget = ReplacementTarget(sPath);
    std::string sTemp = TempNameFor(sTarget);
    int lFd = open(sTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (lFd < 0) {
        return false;
    }
    struct stat stOld {};
    if (stat(sTarget.c_str(), &stOld) == 0) {
        fchmod(lFd, stOld.st_mode & 07777);
    }
    bool bOk = WriteAll(lFd, sContent) && fsync(lFd) == 0;
    bOk = close(lFd) == 0 && bOk;
    if (bOk && g_pReplaceHook != nullptr) {
        g_pReplaceHook(sTemp);
    }
    if (!bOk || rename(sTemp.c_str(), sTarget.c_str()) != 0) {
        unlink(sTemp.c_str());
        return false;
    }
    SyncFolder(FolderOf(sTarget));
    return true;
}

void RemoveLeftoverTempFiles(const std::string &sPath) {
    std::string sTarget = ReplacementTarget(sPath);
    std::string sFolder = FolderOf(sTarget);
    std::string sPrefix = NameOf(sTarget) + TEMP_MARK;
    DIR *pDir = opendir(sFolder.c_str());
    if (pDir == nullptr) {
        return;
    }
    while (const dirent *pEntry = readdir(pDir)) {
        std::string sName = pEntry->d_name;
        if (sName.compare(0, sPrefix.size(), sPrefix) == 0) {
            unlink((sFolder + "/" + sName).c_str());
        }
    }
    closedir(pDir);
}

bool CreateFolderPath(const std::string &sPath) {
    if (sPath.empty()) {
        return false;
    }
    std::string::size_type lPos = 0;
    while (lPos != std::string::npos) {
        lPos = sPath.find('/', lPos + 1);
        std::string sPart = sPath.substr(0, lPos);
        if (!sPart.empty() && mkdir(sPart.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return stat(sPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RenameFile(const std::string &sFrom, const std::string &sTo) {
    return rename(sFrom.c_str(), sTo.c_str()) == 0;
}

bool PathExists(const std::string &sPath) {
    struct stat st {};
    return lstat(sPath.c_str(), &st) == 0;
}

bool FolderExists(const std::string &sPath) {
    struct stat st {};
    return stat(sPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void SetReplaceHookForTests(ReplaceHook pHook) {
    g_pReplaceHook = pHook;
}
