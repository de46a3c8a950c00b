// An exclusive advisory lock (flock) on a lock file, held for the object's life.
#pragma once

#include <string>

class FileLock {
public:
    // Opens (creating when missing) sLockPath and waits until the exclusive lock is ours.
    explicit FileLock(const std::string &sLockPath);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // False when the lock file could not be opened or locked.
    bool Held() const { return m_lFd >= 0; }

private:
    int m_lFd = -1;
};
