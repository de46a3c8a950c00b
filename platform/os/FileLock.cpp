#include "platform/os/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FileLock::FileLock(const std::string &sLockPath) {
    int lFd = open(sLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lFd < 0) {
        return;
    }
    int lResult;
    do {
        lResult = flock(lFd, LOCK_EX);
    } while (lResult != 0 && errno == EINTR);
    if (lResult != 0) {
        close(lFd);
        return;
    }
    m_lFd = lFd;
}

FileLock::~FileLock() {
    if (m_lFd >= 0) {
        // Closing the descriptor releases the lock.
        close(m_lFd);
    }
}
